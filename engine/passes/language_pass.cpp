// Removal of one language edition.
#include "catalog/language_table.h"
#include "catalog/product_codes.h"
#include "catalog/text_format.h"
#include "folders/safe_location.h"
#include "passes/install_cleaner.h"
#include "passes/pass_steps.h"
#include "system/system_services.h"
#include "unique_handle.h"

using namespace velmora;

BOOL CInstallCleaner::CleanLanguage(int rowIndex, BOOL use32BitView) {
    if (rowIndex < kFirstEditionRow || rowIndex > kLastEditionRow) return TRUE;
    const LanguageEntry& row = g_languageTable[rowIndex];
    const std::wstring productCode = EditionProductCode(row);
    const std::wstring packedCode = EditionPackedCode(row);

    wchar_t systemFolder[MAX_PATH] = {};
    m_api.GetSystemDirectoryW(systemFolder, MAX_PATH);

    m_bIs64BitSystem = Is64BitSystem(m_api);
    const REGSAM view = ViewFlag(m_bIs64BitSystem);
    const PathForm form = ChoosePathForm(m_bIs64BitSystem, use32BitView);
    const std::wstring uninstallKey = KeyPath(kUninstallKey, form, productCode.c_str());

    // The leftover language folders go before the installer runs.
    m_api.RegDisableReflectionKey(HKEY_LOCAL_MACHINE);
    const std::wstring installLocation = ReadInstallLocation(m_api, uninstallKey, m_bIs64BitSystem, false);
    if (!installLocation.empty()) {
        // The install location is held while its language folders go, and each of them only
        // where its names really lead from the install location's real place: nothing linked
        // in between can lead the removal elsewhere.
        ProtectedPlaces places(m_api);
        const HeldFolder install = HoldJudgedFolder(m_api, installLocation, places, HoldFor::LookingInto);
        // The names below a location written with a trailing separator, without a doubled one.
        const std::wstring base = installLocation.back() == L'\\' ? installLocation.substr(0, installLocation.size() - 1)
                                                                   : installLocation;
        for (const wchar_t* folderTemplate : {kLanguageFolder, kLanguageSupportFolder, kLanguageCacheFolder}) {
            wchar_t folder[MAX_PATH] = {};
            if (!install.handle || !FormatBounded(folder, MAX_PATH, folderTemplate, {base.c_str(), row.cultureFolder}))
                continue;
            HeldFolder language = HoldJudgedFolder(m_api, folder, places);
            const std::wstring expected = FormatText(folderTemplate, {install.realPlace.c_str(), row.cultureFolder});
            if (CanonicalFolderPath(language.realPlace) == CanonicalFolderPath(expected))
                RemoveHeldFolder(m_api, std::move(language));
        }
    }

    // An edition whose uninstall was refused keeps its registrations: without them it could
    // be neither uninstalled nor repaired. Any other end leaves no record of it with the
    // Windows Installer, so that where the uninstall failed it can be installed afresh.
    const UniqueKey personsHive = OpenPersonsHive(view);
    const DWORD uninstallEnd = RunUninstall(m_api, productCode.c_str(), systemFolder, m_bInstallerStuck);
    if (ForgetUnlessRefused(productCode.c_str(), uninstallEnd, view, personsHive.get())) {
        m_api.RegDeleteTreeW(HKEY_CLASSES_ROOT, InstallerProductsKeyPath(packedCode.c_str()).c_str());
        m_api.RegDeleteKeyExW(HKEY_LOCAL_MACHINE, uninstallKey.c_str(), view, 0);
        m_api.RegDeleteTreeW(HKEY_LOCAL_MACHINE, KeyPath(kMachineProductsKey, form, packedCode.c_str()).c_str());
    }

    const std::wstring vendorKey = KeyPath(kVendorLanguageKey, form, row.cultureFolder);
    m_api.RegDisableReflectionKey(HKEY_LOCAL_MACHINE);
    EmptyAndDeleteMachineKey(m_api, vendorKey, m_bIs64BitSystem);
    // Under HKEY_CURRENT_USER the key goes in the chosen form and then in the plain form, and
    // so in the hive of the person at the PC when that is another account.
    for (HKEY user : {HKEY_CURRENT_USER, personsHive.get()}) {
        if (!user) continue;
        m_api.RegDeleteTreeW(user, vendorKey.c_str());
        m_api.RegDeleteTreeW(user, KeyPath(kVendorLanguageKey, PathForm::Plain, row.cultureFolder).c_str());
    }
    return TRUE;
}
