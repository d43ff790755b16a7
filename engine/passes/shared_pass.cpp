// Removal of the two shared products and the vendor version key.
#include "catalog/product_codes.h"
#include "catalog/text_format.h"
#include "folders/safe_location.h"
#include "passes/install_cleaner.h"
#include "passes/pass_steps.h"
#include "system/system_services.h"
#include "unique_handle.h"

using namespace velmora;

namespace {

// The registrations of one shared product: its classes products key, its uninstall entry
// under both machine and user (and in the hive of the person at the PC, if open), and its
// machine products key.
void DeleteProductRegistrations(WindowsApi& api, const std::wstring& productCode, const std::wstring& packedCode,
                                PathForm form, REGSAM view, HKEY personsHive) {
    api.RegDeleteTreeW(HKEY_CLASSES_ROOT, FormatText(kClassesProductsKey, {packedCode.c_str()}).c_str());
    const std::wstring uninstallKey = KeyPath(kUninstallKey, form, productCode.c_str());
    api.RegDeleteKeyExW(HKEY_LOCAL_MACHINE, uninstallKey.c_str(), view, 0);
    for (HKEY user : {HKEY_CURRENT_USER, personsHive})
        if (user) api.RegDeleteKeyExW(user, uninstallKey.c_str(), view, 0);
    api.RegDeleteTreeW(HKEY_LOCAL_MACHINE, KeyPath(kMachineProductsKey, form, packedCode.c_str()).c_str());
}

}  // namespace

BOOL CInstallCleaner::CleanShared(BOOL use32BitView) {
    const REGSAM view = ViewFlag(m_bIs64BitSystem);
    const PathForm form = ChoosePathForm(m_bIs64BitSystem, use32BitView);

    // The first shared product: uninstalled, then its install folder removed.
    m_api.RegDisableReflectionKey(HKEY_LOCAL_MACHINE);
    const std::wstring installLocation =
        ReadInstallLocation(m_api, KeyPath(kUninstallKey, form, kFirstSharedProductCode), m_bIs64BitSystem, true);

    wchar_t systemFolder[MAX_PATH] = {};
    m_api.GetSystemDirectoryW(systemFolder, MAX_PATH);
    const UniqueKey personsHive = OpenPersonsHive(view);
    const DWORD firstEnd = RunUninstall(m_api, kFirstSharedProductCode, systemFolder, m_bInstallerStuck);
    const bool firstForgotten = ForgetUnlessRefused(kFirstSharedProductCode, firstEnd, view, personsHive.get());

    // The second shared product, where the Windows Installer still has it, is uninstalled
    // too: with only its registrations deleted, its files, component claims and cached
    // package would stay with no uninstall able to remove them.
    bool secondForgotten = true;
    if (m_installerRecords.StillHas(kSecondSharedProductCode, {view, personsHive.get()})) {
        const DWORD secondEnd = RunUninstall(m_api, kSecondSharedProductCode, systemFolder, m_bInstallerStuck);
        secondForgotten = ForgetUnlessRefused(kSecondSharedProductCode, secondEnd, view, personsHive.get());
    }

    // When the installer could not remove a shared product, the folder stays as its
    // registrations do: without its files a product still installed would be broken, and
    // the second product's files lie in the first one's folder.
    if (!installLocation.empty() && firstForgotten && secondForgotten) {
        ProtectedPlaces places(m_api);
        RemoveHeldFolder(m_api, HoldJudgedFolder(m_api, installLocation, places));
    }
    if (firstForgotten)
        DeleteProductRegistrations(m_api, kFirstSharedProductCode, kFirstSharedPackedCode, form, view,
                                   personsHive.get());
    if (secondForgotten)
        DeleteProductRegistrations(m_api, kSecondSharedProductCode, PackProductCode(kSecondSharedProductCode), form,
                                   view, personsHive.get());

    const std::wstring versionKey = KeyPath(kVendorVersionKey, form, nullptr);
    m_api.RegDisableReflectionKey(HKEY_LOCAL_MACHINE);
    EmptyAndDeleteMachineKey(m_api, versionKey, m_bIs64BitSystem);
    for (HKEY user : {HKEY_CURRENT_USER, personsHive.get()}) {
        if (!user) continue;
        m_api.RegDeleteTreeW(user, versionKey.c_str());
        m_api.RegDeleteTreeW(user, KeyPath(kVendorVersionKey, PathForm::Plain, nullptr).c_str());
    }
    return TRUE;
}
