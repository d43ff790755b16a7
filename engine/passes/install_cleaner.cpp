// The engine object's helpers that both passes use.
#include "passes/install_cleaner.h"

#include "folders/held_folder.h"
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
