#include <gtest/gtest.h>

#include "catalog/product_codes.h"
#include "passes/install_cleaner.h"
#include "passes/pass_steps.h"
#include "registry/registry_as_itself.h"
#include "registry/registry_tree.h"
#include "system/person_at_pc.h"
#include "test_folder.h"
#include "unique_handle.h"
#include "windows/real_windows.h"

using namespace velmora;

namespace {

bool Exists(HKEY root, const std::wstring& path, REGSAM view, DWORD options = 0) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), options, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

// How the passes reach a 32-bit product's vendor key: on a 64-bit system the Wow6432Node
// path through the 64-bit view, on a 32-bit system the plain path through the 32-bit view.
TEST(RegistryViewsWin32, VendorKeyOfA32BitProductIsEmptiedAndDeleted) {
    const BOOL is64 = testenv::PrefixKind() == L"pfx64";
    const PathForm form = ChoosePathForm(is64, TRUE);
    const std::wstring key = KeyPath({L"Software\\VelmoraTest\\%s", L"Software\\Wow6432Node\\VelmoraTest\\%s"}, form,
                                     L"en-US");
    testenv::MadeKeys made;
    ASSERT_TRUE(made.Make(HKEY_LOCAL_MACHINE, key + L"\\Sub\\Deeper", ViewFlag(is64)));
    ASSERT_TRUE(made.Make(HKEY_LOCAL_MACHINE, key, ViewFlag(is64)));
    ASSERT_TRUE(Exists(HKEY_LOCAL_MACHINE, key + L"\\Sub\\Deeper", ViewFlag(is64)));
    if (is64) {
        // The 32-bit view (the product's own; the twin asks for it by flag) sees the same
        // key without the Wow6432Node part.
        EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, L"Software\\VelmoraTest\\en-US", KEY_WOW64_32KEY));
    }

    EmptyAndDeleteMachineKey(SystemWindows(), key, is64);
    EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, key, ViewFlag(is64)));
}

bool HasValue(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    const bool found = ::RegQueryValueExW(key, L"Name", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return found;
}

// RegDeleteTreeW through the seam on a key opened with a view flag empties that view's key:
// the same-named children and values of the other view stay. Win32's own RegDeleteTreeW
// takes no flag, and on Windows a process's relative opens of children may fall back to
// its own view; for the shipped 32-bit program that is the 32-bit view, so a key opened
// through KEY_WOW64_64KEY could lose the Wow6432Node copy's children instead of its own.
// The seam therefore opens and deletes every child with the key's flag.
// Measured here, 64-bit build: Wine 8 resolves a handle's children in the handle's view
// whatever the flags (Win32's RegDeleteTreeW and a walk without flags pass this test too),
// so under Wine this proves that the walk empties the right key on a real registry in both
// directions, with the flags on handle-relative opens and deletes accepted. A 32-bit build
// in this prefix runs the same two cases; there the KEY_WOW64_64KEY case is the shipped
// program's and the one where Windows may send a flagless child open to Wow6432Node. That
// the flags matter where children resolve in the process's view is shown by the
// simulation (EmptyKeyInView and the pass tests' ChildrenInProcessView runs).
TEST(RegistryViewsWin32, EmptyingAnOpenKeyKeepsTheOtherViewsSameNamedChildren) {
    if (testenv::PrefixKind() != L"pfx64") GTEST_SKIP() << "a 32-bit system has one registry view";
    const std::wstring key = L"Software\\VelmoraViews\\Vendor";
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        const REGSAM other = view == KEY_WOW64_64KEY ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
        SCOPED_TRACE(testing::Message() << "view 0x" << std::hex << view);
        {
            testenv::MadeKeys made;
            for (const REGSAM each : {view, other})
                for (const std::wstring& path : {key + L"\\Child\\Deeper", key + L"\\Sibling", key})
                    ASSERT_TRUE(made.Make(HKEY_LOCAL_MACHINE, path, each));

            HKEY opened = nullptr;
            ASSERT_EQ(SystemWindows().RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS | view, &opened),
                      ERROR_SUCCESS);
            EXPECT_EQ(SystemWindows().RegDeleteTreeW(opened, nullptr), ERROR_SUCCESS);
            SystemWindows().RegCloseKey(opened);

            EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, key, view));
            EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, key + L"\\Child", view));
            EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, key + L"\\Sibling", view));
            EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, key, view));
            EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, key + L"\\Child\\Deeper", other));
            EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, key + L"\\Sibling", other));
            EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, key, other));
        }  // what the case made goes
        EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, L"Software\\VelmoraViews", view));
        EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, L"Software\\VelmoraViews", other));
    }
}

// The real seam itself, recorded: RegDeleteTreeW on a key opened with a view flag opens and
// deletes each child with that flag; a key opened without one is in the 64-bit view, the
// physical registry, and walked with its flag, whatever the process's own view is.
class RecordingWindows : public RealWindows {
public:
    LONG RegOpenKeyExW(HKEY root, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result) override {
        calls.push_back(L"open " + std::wstring(subKey) + L" " + std::to_wstring(access & KEY_WOW64_RES));
        return RealWindows::RegOpenKeyExW(root, subKey, options, access, result);
    }
    LONG RegDeleteKeyExW(HKEY root, LPCWSTR subKey, REGSAM view, DWORD reserved) override {
        calls.push_back(L"delete " + std::wstring(subKey) + L" " + std::to_wstring(view));
        return RealWindows::RegDeleteKeyExW(root, subKey, view, reserved);
    }
    std::vector<std::wstring> calls;
};

TEST(RegistryViewsWin32, TheSeamEmptiesAKeyOpenedInAViewWithThatViewsFlag) {
    if (testenv::PrefixKind() != L"pfx64") GTEST_SKIP() << "a 32-bit system has one registry view";
    const std::wstring key = L"Software\\VelmoraRecorded";
    RecordingWindows windows;
    for (const REGSAM view : {REGSAM(KEY_WOW64_32KEY), REGSAM(0)}) {
        const REGSAM made = OpenedView(view);
        testenv::MadeKeys keys;
        ASSERT_TRUE(keys.Make(HKEY_LOCAL_MACHINE, key + L"\\Child\\Deeper", made));
        HKEY opened = nullptr;
        ASSERT_EQ(windows.RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS | view, &opened), ERROR_SUCCESS);
        windows.calls.clear();
        EXPECT_EQ(windows.RegDeleteTreeW(opened, nullptr), ERROR_SUCCESS);
        windows.RegCloseKey(opened);
        const std::wstring flag = std::to_wstring(made);
        const std::vector<std::wstring> walk{L"open Child " + flag, L"open Deeper " + flag, L"delete Deeper " + flag,
                                             L"delete Child " + flag};
        EXPECT_EQ(windows.calls, walk);
        EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, key + L"\\Child", made));
    }
}

// Links where Windows follows them: in the user's hive to the user's own keys, in place of
// the language key and above it, and in place of the edition's per-user installer record;
// in the machine's vendor key to another machine key. The language pass deletes the links
// it names, goes through none, and leaves their targets whole. Windows's own
// Wow6432Node\Classes link is never rewritten (the walk's decision on such a link is tested
// on its own); where no key of that name stands, on a 32-bit system, a forged one is made
// there and is not gone through either.
TEST(RegistryViewsWin32, TheLanguagePassDeletesLinksAndLeavesTheirTargetWhole) {
    const BOOL is64 = testenv::PrefixKind() == L"pfx64";
    const REGSAM view = ViewFlag(is64);
    const std::wstring bystander = L"Software\\VelmoraBystander", version = L"Software\\TORVEN\\VARNO\\2017";
    const std::wstring user = L"\\Registry\\User\\" + RunningAccountSid(SystemWindows()) + L"\\";
    struct Row { HKEY root; std::wstring link; bool linkGoes; };
    for (const Row& row : {Row{HKEY_CURRENT_USER, version + L"\\en-US", true}, Row{HKEY_CURRENT_USER, version, false},
                           Row{HKEY_CURRENT_USER, L"Software\\Microsoft\\Installer\\Products\\" + EditionPackedCode(g_languageTable[1]), true},
                           Row{HKEY_LOCAL_MACHINE, KeyPath(kVendorLanguageKey, ChoosePathForm(is64, TRUE), L"en-US") + L"\\Linked", true}}) {
        testenv::MadeKeys made;
        ASSERT_TRUE(made.Make(row.root, bystander + L"\\en-US", view));
        ASSERT_TRUE(made.Make(row.root, row.link.substr(0, row.link.rfind(L'\\')), view));
        ASSERT_TRUE(made.Link(row.root, row.link, (row.root == HKEY_CURRENT_USER ? user : L"\\Registry\\Machine\\") + bystander, view));
        ASSERT_TRUE(HasValue(row.root, row.link + L"\\en-US", view)) << "the link leads to its target";

        CInstallCleaner().CleanLanguage(1, TRUE);  // en-US
        EXPECT_EQ(Exists(row.root, row.link, view, REG_OPTION_OPEN_LINK), !row.linkGoes) << row.link;
        EXPECT_TRUE(HasValue(row.root, bystander + L"\\en-US", view)) << row.link;
    }
    const std::wstring wowClasses = L"SOFTWARE\\Wow6432Node\\Classes", products = L"\\Installer\\Products\\";
    if (Exists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node", KEY_WOW64_64KEY, REG_OPTION_OPEN_LINK)) return;
    testenv::MadeKeys made;
    const std::wstring planted = bystander + products + kFirstSharedPackedCode;
    ASSERT_TRUE(made.Make(HKEY_LOCAL_MACHINE, planted, KEY_WOW64_64KEY));
    ASSERT_TRUE(made.Link(HKEY_LOCAL_MACHINE, wowClasses, L"\\Registry\\Machine\\" + bystander, KEY_WOW64_64KEY));
    EXPECT_EQ(SystemWindows().RegDeleteTreeW(HKEY_LOCAL_MACHINE, (wowClasses + products + kFirstSharedPackedCode).c_str()),
              kKeyBehindLink);
    EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, planted, KEY_WOW64_64KEY));
}

// Each key the passes delete, made where a whole-path open of its name reaches it in the
// physical registry, beside a bystander, goes by its one deletion alone. HKEY_CLASSES_ROOT
// names the account's own copy first: the machine's copy stays, to go at its own step.
TEST(RegistryViewsWin32, EachKeyThePassesDeleteIsReachedOnItsOwn) {
    const BOOL is64 = testenv::PrefixKind() == L"pfx64";
    WindowsApi& windows = SystemWindows();
    enum Deletion { Key, Tree, Emptied };
    struct Place { HKEY root; std::wstring path; };
    struct Row { HKEY root; std::wstring name; Deletion how; Place made, bystander; };
    const std::wstring products = std::wstring(L"Installer\\Products\\") + kFirstSharedPackedCode;
    const Place machineCopy{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\" + products};
    const Place userCopy{HKEY_USERS, RunningAccountSid(windows) + L"_Classes\\" + products};
    std::vector<Row> rows{{HKEY_CLASSES_ROOT, products, Tree, userCopy, machineCopy}};
    const struct { HKEY root; KeyTemplate keys; const wchar_t* fill; Deletion how; } kinds[] = {
        {HKEY_LOCAL_MACHINE, kMachineProductsKey, kFirstSharedPackedCode, Tree},
        {HKEY_LOCAL_MACHINE, kUninstallKey, kFirstSharedProductCode, Key}, {HKEY_CURRENT_USER, kUninstallKey, kFirstSharedProductCode, Key},
        {HKEY_LOCAL_MACHINE, kVendorLanguageKey, L"en-US", Emptied}, {HKEY_CURRENT_USER, kVendorLanguageKey, L"en-US", Tree},
        {HKEY_LOCAL_MACHINE, kVendorVersionKey, nullptr, Emptied}, {HKEY_CURRENT_USER, kVendorVersionKey, nullptr, Tree}};
    for (const PathForm form : {PathForm::Plain, PathForm::Wow6432Node})
        for (const auto& kind : kinds) {
            if (form == PathForm::Wow6432Node && !is64) break;  // a 32-bit system has the plain form only
            const std::wstring name = KeyPath(kind.keys, form, kind.fill);
            rows.push_back({kind.root, name, kind.how, {kind.root, name}, {kind.root, name + L"-bystander"}});
            if (rows.size() == 2) rows.push_back({HKEY_CLASSES_ROOT, products, Tree, machineCopy, rows.back().bystander});
        }
    testenv::MadeKeys made;
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.name << " made as " << row.made.path);
        ASSERT_TRUE(made.Make(row.made.root, row.made.path + (row.how == Key ? L"" : L"\\Child"), KEY_WOW64_64KEY));
        ASSERT_TRUE(made.Make(row.bystander.root, row.bystander.path, KEY_WOW64_64KEY));
        if (row.how == Key) windows.RegDeleteKeyExW(row.root, row.name.c_str(), ViewFlag(is64), 0);
        if (row.how == Tree) windows.RegDeleteTreeW(row.root, row.name.c_str());
        if (row.how == Emptied) EmptyAndDeleteMachineKey(windows, row.name, is64);
        EXPECT_FALSE(Exists(row.made.root, row.made.path, KEY_WOW64_64KEY));
        EXPECT_TRUE(HasValue(row.bystander.root, row.bystander.path, KEY_WOW64_64KEY));
    }
}

TEST(RegistryViewsWin32, InstallLocationIsReadWithTheBoundedSize) {
    const BOOL is64 = testenv::PrefixKind() == L"pfx64";
    const std::wstring key = L"Software\\VelmoraTest\\Uninstall";
    testenv::MadeKeys made;
    ASSERT_TRUE(made.Make(HKEY_LOCAL_MACHINE, key, ViewFlag(is64)));
    for (size_t length : {129u, 130u}) {
        HKEY opened = nullptr;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE | ViewFlag(is64), &opened), ERROR_SUCCESS);
        const std::wstring text = L"C:\\" + std::wstring(length - 3, L'x');
        ::RegSetValueExW(opened, L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(opened);
        EXPECT_EQ(ReadInstallLocation(SystemWindows(), key, is64, false), length == 129u ? text : L"") << length;
    }
}

TEST(RegistryViewsWin32, DeletingAKeyWithSubkeysLeavesItInPlace) {
    const BOOL is64 = testenv::PrefixKind() == L"pfx64";
    testenv::MadeKeys made;
    ASSERT_TRUE(made.Make(HKEY_CURRENT_USER, L"Software\\VelmoraTest\\Parent\\Child", ViewFlag(is64)));
    EXPECT_NE(SystemWindows().RegDeleteKeyExW(HKEY_CURRENT_USER, L"Software\\VelmoraTest\\Parent", ViewFlag(is64), 0),
              ERROR_SUCCESS);
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, L"Software\\VelmoraTest\\Parent\\Child", ViewFlag(is64)));
    EXPECT_EQ(SystemWindows().RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VelmoraTest"), ERROR_SUCCESS);
    EXPECT_FALSE(Exists(HKEY_CURRENT_USER, L"Software\\VelmoraTest", ViewFlag(is64)));
}

}  // namespace
