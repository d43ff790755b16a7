// The engine object's helpers that both passes use.
#include "passes/install_cleaner.h"

#include "folders/held_folder.h"
#include "passes/pass_steps.h"
#include "system/person_at_pc.h"

BOOL CInstallCleaner::DeleteFolderTree(const std::wstring& path) { return velmora::RemoveFolderTree(m_api, path); }

velmora::UniqueKey CInstallCleaner::OpenPersonsHive(REGSAM view) {
    if (!m_bPersonAsked) m_personSid = velmora::OtherShellOwnerSid(m_api), m_bPersonAsked = true;
    velmora::UniqueKey hive(m_api);
    // The rights RegDeleteTreeW needs on the key its paths start from.
    const REGSAM access = DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view;
    if (!m_personSid.empty() &&
        m_api.RegOpenKeyExW(HKEY_USERS, m_personSid.c_str(), 0, access, hive.put()) != ERROR_SUCCESS)
        hive.release();
    return hive;
}

bool CInstallCleaner::ForgetUnlessRefused(const wchar_t* productCode, DWORD uninstallEnd, REGSAM view,
                                          HKEY personsHive) {
    if (velmora::IsRefusedUninstall(uninstallEnd)) return false;
    velmora::UniqueOwnedMutex installing(m_api);
    if (velmora::TakeIdleInstaller(m_api, m_bInstallerStuck, installing) != velmora::InstallerState::Idle) return false;
    m_installerRecords.Forget(productCode, {view, personsHive});
    return true;
}
