// The Windows Installer's records of an edition once its uninstall has ended: every one of
// exactly that product goes, unless the uninstall was refused; no other product's does.
#include <gtest/gtest.h>

#include "../passes/simulated_installation.h"
#include "installer/component_list.h"
#include "passes/install_cleaner.h"

using namespace velmora;
using namespace velmora::sim;

namespace {

const std::wstring kEnglish = EditionPackedCode(g_languageTable[1]);
const std::wstring kOther = kFirstSharedPackedCode;  // installed beside it, not cleaned here
const std::wstring kPerson = L"S-1-5-21-7-8-9-1002";  // the account at the PC
const std::wstring kPublishedFeatures = L"SOFTWARE\\Classes\\Installer\\Features\\" + kEnglish;
const std::wstring kManagedProducts = kInstallerData + L"Managed\\" + kPerson + L"\\Installer\\Products\\" + kEnglish;
const std::wstring kUserProducts = L"Software\\Microsoft\\Installer\\Products\\" + kEnglish;
const std::wstring kUserUpgradeCode = L"Software\\Microsoft\\Installer\\UpgradeCodes\\11112222333344445555666677778888";
const std::wstring kProductFolder = L"C:\\Windows\\Installer\\{" + EditionProductCode(g_languageTable[1]) + L"}";
// Two patches of the product, the second one listed by the other product too.
const std::wstring kPatches[] = {L"99998888777766665555444433332222", L"99998888777766665555444433331111"};
std::wstring PatchKey(const std::wstring& patch) { return L"SOFTWARE\\Classes\\Installer\\Patches\\" + patch; }
std::wstring CachedPatch(const std::wstring& patch) { return L"C:\\Windows\\Installer\\" + patch.substr(28) + L".msp"; }

// The English edition with its records in every place the installer keeps them, beside
// another product's records that share its component and a patch.
void Install(SimWindows& w) {
    InstallEdition(w, 1, true, L"C:\\V");
    for (const std::wstring& packed : {kEnglish, kOther}) AddInstallerRecords(w, packed);
    for (const std::wstring& key : {kPublishedFeatures, kManagedProducts, MachineProductKey(kOther)})
        w.AddKey(HKEY_LOCAL_MACHINE, key);
    w.SetShellOwner(kPerson);
    w.AddKey(HKEY_USERS, kPerson + L"\\" + kUserProducts);
    w.AddKey(HKEY_CURRENT_USER, kUserProducts);
    w.SetString(HKEY_CURRENT_USER, kUserUpgradeCode, kEnglish, L"");
    w.AddFile(kProductFolder + L"\\icon.ico");
    for (const std::wstring& patch : kPatches) {
        w.AddKey(HKEY_LOCAL_MACHINE, Registration(kEnglish) + L"\\Patches\\" + patch);
        w.SetString(HKEY_LOCAL_MACHINE, kInstallerData + L"UserData\\S-1-5-18\\Patches\\" + patch, L"LocalPackage", CachedPatch(patch));
        w.AddKey(HKEY_LOCAL_MACHINE, PatchKey(patch));
        w.AddFile(CachedPatch(patch));
    }
    w.AddKey(HKEY_LOCAL_MACHINE, Registration(kOther) + L"\\Patches\\" + kPatches[1]);
}

TEST(InstallerRecords, GoUnlessTheUninstallWasRefusedAndNeverAnotherProducts) {
    const struct { DWORD exitCode; bool kept; } ends[] = {{0, false},    {1603, false}, {1605, false}, {1612, false},
                                                         {3010, false}, {1602, true},  {1625, true}};
    for (const auto& end : ends) {
        SimWindows w;
        Install(w);
        w.exitCode = end.exitCode;
        CInstallCleaner(w).CleanLanguage(1, TRUE);
        SCOPED_TRACE(end.exitCode);
        for (const std::wstring& key : {Registration(kEnglish), MachineProductKey(kEnglish), kPublishedFeatures,
                                        kManagedProducts, UpgradeKey(kEnglish)})
            EXPECT_EQ(w.KeyExists(HKEY_LOCAL_MACHINE, key), end.kept) << std::string(key.begin(), key.end());
        EXPECT_EQ(w.KeyExists(HKEY_CURRENT_USER, kUserProducts), end.kept);
        EXPECT_EQ(w.KeyExists(HKEY_USERS, kPerson + L"\\" + kUserProducts), end.kept);
        EXPECT_EQ(w.KeyExists(HKEY_CURRENT_USER, kUserUpgradeCode), end.kept);
        EXPECT_EQ(w.HasValue(HKEY_LOCAL_MACHINE, kSharedComponent, kEnglish), end.kept);
        EXPECT_EQ(w.Exists(CachedPackage(kEnglish)), end.kept);
        EXPECT_EQ(w.Exists(kProductFolder), end.kept);
        EXPECT_EQ(w.KeyExists(HKEY_LOCAL_MACHINE, PatchKey(kPatches[0])), end.kept);
        EXPECT_EQ(w.Exists(CachedPatch(kPatches[0])), end.kept);
        // Another product's records, the system's client, and the keys that hold them stay.
        for (const std::wstring& key : {Registration(kOther), MachineProductKey(kOther), UpgradeKey(kOther)})
            EXPECT_TRUE(w.KeyExists(HKEY_LOCAL_MACHINE, key));
        for (const std::wstring& client : {kOther, std::wstring(32, L'0')})
            EXPECT_TRUE(w.HasValue(HKEY_LOCAL_MACHINE, kSharedComponent, client));
        EXPECT_TRUE(w.Exists(CachedPackage(kOther)));
        EXPECT_TRUE(w.KeyExists(HKEY_LOCAL_MACHINE, PatchKey(kPatches[1])));  // the other product's patch too
        EXPECT_TRUE(w.Exists(CachedPatch(kPatches[1])));
        EXPECT_EQ(w.OpenHandleCount(), 0u);
    }
}

// The package a registration names is deleted only where it really lies directly in the
// installer's folder, as a package, and no other registration names it.
TEST(InstallerRecords, ACachedPackageGoesOnlyFromTheInstallersFolder) {
    const std::wstring documents = L"C:\\Users\\tech\\Documents\\plan.msi";
    const struct { std::wstring named, file; bool gone; } rows[] = {
        {L"C:\\Windows\\Installer\\a1b2.msi", L"C:\\Windows\\Installer\\a1b2.msi", true},
        {documents, documents, false},
        {L"C:\\Windows\\Installer\\Link\\plan.msi", documents, false},  // a junction to the documents
        {L"C:\\Windows\\Installer\\Cache\\a1b2.msi", L"C:\\Windows\\Installer\\Cache\\a1b2.msi", false},
        {L"C:\\Windows\\Installer\\a1b2.dll", L"C:\\Windows\\Installer\\a1b2.dll", false},
        {CachedPackage(kOther), CachedPackage(kOther), false},  // the other product's registration names it
    };
    for (const auto& row : rows) {
        SimWindows w;
        Install(w);
        w.AddLink(L"C:\\Windows\\Installer\\Link", L"C:\\Users\\tech\\Documents");
        w.AddFile(row.file);
        w.SetString(HKEY_LOCAL_MACHINE, Registration(kEnglish) + L"\\InstallProperties", L"LocalPackage", row.named);
        CInstallCleaner(w).CleanLanguage(1, TRUE);
        EXPECT_EQ(!w.Exists(row.file), row.gone) << std::string(row.named.begin(), row.named.end());
        EXPECT_FALSE(w.KeyExists(HKEY_LOCAL_MACHINE, Registration(kEnglish)));
    }
}

// Where no registration lists its components, a product's client values are found by one
// scan of the components for the whole run, whichever products need it.
TEST(InstallerRecords, ComponentsAreScannedOnceARunWhereNoListLeadsToThem) {
    SimWindows w;
    for (int row : {1, 2}) {
        InstallEdition(w, row, true, L"C:\\V");
        AddInstallerRecords(w, EditionPackedCode(g_languageTable[row]));
        w.SetString(HKEY_LOCAL_MACHINE, Registration(EditionPackedCode(g_languageTable[row])) + L"\\Features", L"Complete", L"?");
    }
    CInstallCleaner cleaner(w);
    for (int row : {1, 2}) cleaner.CleanLanguage(row, TRUE);
    size_t scans = 0;
    for (const std::wstring& open : w.Calls({L"RegOpenKeyExW"})) scans += open.find(L"\\Components, ") != std::wstring::npos;
    EXPECT_EQ(scans, 1u);
    for (int row : {1, 2}) EXPECT_FALSE(w.HasValue(HKEY_LOCAL_MACHINE, kSharedComponent, EditionPackedCode(g_languageTable[row])));
    EXPECT_TRUE(w.HasValue(HKEY_LOCAL_MACHINE, kSharedComponent, std::wstring(32, L'0')));
}

TEST(InstallerRecords, AFeaturesComponentsAreItsCompressedGuids) {
    EXPECT_EQ(FeatureComponents(L"pq$Iwmz+fD[?9rTqyCv8\x02" L"Parent"), std::vector<std::wstring>{L"3EED5E3F6CE1B595488359B88FFFE014"});
    for (const wchar_t* notAList : {L"pq$Iwmz+fD[?9rTqyCv", L"pq$Iwmz+fD[?9rTq Cv8", L""}) EXPECT_TRUE(FeatureComponents(notAList).empty());
}

}  // namespace
