// The cleanup engine: removes the language editions and the shared products of VARNO 2017.
#pragma once

#include <string>

#include "catalog/product_codes.h"
#include "installer/installer_records.h"
#include "unique_handle.h"
#include "windows_api.h"

class CInstallCleaner {
public:
    explicit CInstallCleaner(velmora::WindowsApi& api = velmora::SystemWindows())
        : m_api(api), m_installerRecords(api, velmora::EveryPackedCode()) {}

    // Removes one language edition (row 1 to 15 of g_languageTable): its language folders,
    // the product through the Windows Installer, and its registry keys. Always TRUE.
    BOOL CleanLanguage(int rowIndex, BOOL use32BitView);

    // Removes the two shared products and the vendor version key. Runs after at least one
    // CleanLanguage on the same object, which records whether the system is 64-bit. Always TRUE.
    BOOL CleanShared(BOOL use32BitView);

    // Removes a folder and everything below it as far as it can, through the handles that
    // hold them (see RemoveHeldFolder): links inside the tree are removed themselves and
    // never followed, and nothing swapped in meanwhile redirects the walk. A link named as
    // the folder is removed itself. A path that cannot be resolved exactly as Windows
    // resolves it (see ResolvePlainPath) is not touched. TRUE when the folder itself is gone.
    // The passes judge a folder before they remove it (HoldJudgedFolder); this does not.
    BOOL DeleteFolderTree(const std::wstring& path);

    // Whether the system is 64-bit, as the most recent CleanLanguage found it.
    BOOL m_bIs64BitSystem = FALSE;

private:
    // The registry hive of the person at the PC, opened with the view flag, when that is
    // another account than the one Velmora runs as (OtherShellOwnerSid, asked at the first
    // call); no key otherwise, or when the hive cannot be opened. Every per-user deletion a
    // pass makes under HKEY_CURRENT_USER is made there as well.
    velmora::UniqueKey OpenPersonsHive(REGSAM view);

    // After the product's uninstall has ended with `uninstallEnd`: unless that refused it
    // (IsRefusedUninstall) or another installation runs now, every record the Windows
    // Installer keeps of the product goes (InstallerRecords::Forget), while this program
    // holds the installer's mutex so that none starts meanwhile. False when everything
    // stays, the product's registrations and files included, so that it can still be
    // uninstalled.
    bool ForgetUnlessRefused(const wchar_t* productCode, DWORD uninstallEnd, REGSAM view, HKEY personsHive);

    velmora::WindowsApi& m_api;
    velmora::InstallerRecords m_installerRecords;
    // A wait for another installation ran out its time: the installer is stuck, and no
    // later launch of this run waits (see WaitForInstallerIdle).
    bool m_bInstallerStuck = false;
    bool m_bPersonAsked = false;
    std::wstring m_personSid;  // empty: the person at the PC is the running account, or unknown
};
