#include <gtest/gtest.h>

#include "install_cleaner.h"
#include "pass_steps.h"
#include "product_codes.h"
#include "registry_tree.h"
#include "test_folder.h"
#include "unique_handle.h"

using namespace velmora;

namespace {

bool Exists(HKEY root, const std::wstring& path, REGSAM view, DWORD options = 0) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), options, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

void Create(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t text[] = L"value";
    ::RegSetValueExW(key, L"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text));
    ::RegCloseKey(key);
}

// How the passes reach a 32-bit product's vendor key: on a 64-bit system the Wow6432Node
// path through the 64-bit view, on a 32-bit system the plain path through the 32-bit view.
TEST(RegistryViewsWin32, VendorKeyOfA32BitProductIsEmptiedAndDeleted) {
    const BOOL is64 = testenv::PrefixKind() == L"pfx64";
    const PathForm form = ChoosePathForm(is64, TRUE);
    const std::wstring key = KeyPath({L"Software\\VelmoraTest\\%s", L"Software\\Wow6432Node\\VelmoraTest\\%s"}, form,
                                     L"en-US");
    Create(HKEY_LOCAL_MACHINE, key + L"\\Sub\\Deeper", ViewFlag(is64));
    Create(HKEY_LOCAL_MACHINE, key, ViewFlag(is64));
    ASSERT_TRUE(Exists(HKEY_LOCAL_MACHINE, key + L"\\Sub\\Deeper", ViewFlag(is64)));
    if (is64) {
        // The 32-bit view (the product's own; the twin asks for it by flag) sees the same
        // key without the Wow6432Node part.
        EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, L"Software\\VelmoraTest\\en-US", KEY_WOW64_32KEY));
    }

    EmptyAndDeleteMachineKey(SystemWindows(), key, is64);
    EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, key, ViewFlag(is64)));
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (form == PathForm::Wow6432Node ? L"Software\\Wow6432Node\\VelmoraTest"
                                                                          : L"Software\\VelmoraTest"),
                      ViewFlag(is64), 0);
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
        for (const REGSAM each : {view, other}) {
            Create(HKEY_LOCAL_MACHINE, key + L"\\Child\\Deeper", each);
            Create(HKEY_LOCAL_MACHINE, key + L"\\Sibling", each);
            Create(HKEY_LOCAL_MACHINE, key, each);
        }
        SCOPED_TRACE(testing::Message() << "view 0x" << std::hex << view);

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

        for (const REGSAM each : {view, other}) {
            HKEY root = nullptr;
            if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\VelmoraViews", 0, KEY_ALL_ACCESS | each, &root) ==
                ERROR_SUCCESS) {
                EmptyKeyInView(SystemWindows(), root, each);
                ::RegCloseKey(root);
            }
            ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\VelmoraViews", each, 0);
        }
        EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, L"Software\\VelmoraViews", view));
        EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, L"Software\\VelmoraViews", other));
    }
}

// The real seam itself, recorded: RegDeleteTreeW on a key opened with a view flag opens and
// deletes each child with that flag; a key opened without one is walked without one. Each
// key is made where its open finds it: without a flag, in the process's own view (the
// 32-bit one for the 32-bit product on a 64-bit system).
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
    for (const REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(0)}) {
        Create(HKEY_LOCAL_MACHINE, key + L"\\Child\\Deeper", view);
        HKEY opened = nullptr;
        ASSERT_EQ(windows.RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS | view, &opened), ERROR_SUCCESS);
        windows.calls.clear();
        EXPECT_EQ(windows.RegDeleteTreeW(opened, nullptr), ERROR_SUCCESS);
        windows.RegCloseKey(opened);
        const std::wstring flag = std::to_wstring(view);
        const std::vector<std::wstring> walk{L"open Child " + flag, L"open Deeper " + flag, L"delete Deeper " + flag,
                                             L"delete Child " + flag};
        EXPECT_EQ(windows.calls, walk);
        EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, key + L"\\Child", view));
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), view, 0);
    }
}

// A registry link a user can make in the own hive, below the language key, in place of it
// and above it, each to a key under HKLM\Software: the language pass deletes the links it
// names, goes through none, and leaves their target whole.
TEST(RegistryViewsWin32, TheLanguagePassDeletesLinksAndLeavesTheirTargetWhole) {
    const BOOL is64 = testenv::PrefixKind() == L"pfx64";
    const REGSAM view = ViewFlag(is64);
    const std::wstring bystander = L"Software\\VelmoraBystander";
    const std::wstring version = L"Software\\TORVEN\\VARNO\\2017", language = version + L"\\en-US";
    Create(HKEY_LOCAL_MACHINE, bystander + L"\\en-US", view);
    Create(HKEY_LOCAL_MACHINE, bystander, view);
    for (const std::wstring& link : {language + L"\\Linked", language, version}) {
        if (link == version) ::RegDeleteKeyExW(HKEY_CURRENT_USER, version.c_str(), view, 0);
        else Create(HKEY_CURRENT_USER, link == language ? version : language, view);
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, link.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                                    KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const std::wstring target = L"\\Registry\\Machine\\" + bystander;
        ::RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                         static_cast<DWORD>(target.size() * sizeof(wchar_t)));
        ::RegCloseKey(key);
        ASSERT_TRUE(HasValue(HKEY_CURRENT_USER, link + L"\\en-US", view)) << "the link leads to its target";

        CInstallCleaner().CleanLanguage(1, TRUE);  // en-US
        EXPECT_EQ(Exists(HKEY_CURRENT_USER, link, view, REG_OPTION_OPEN_LINK), link == version) << link;
        EXPECT_EQ(Exists(HKEY_CURRENT_USER, language, view, REG_OPTION_OPEN_LINK), link == version) << link;
        EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, bystander, view)) << link;
        EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, bystander + L"\\en-US", view)) << link;
    }
    SystemWindows().RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TORVEN");
    EmptyAndDeleteMachineKey(SystemWindows(), bystander, is64);
}

TEST(RegistryViewsWin32, InstallLocationIsReadWithTheBoundedSize) {
    const BOOL is64 = testenv::PrefixKind() == L"pfx64";
    const std::wstring key = L"Software\\VelmoraTest\\Uninstall";
    for (size_t length : {129u, 130u}) {
        HKEY opened = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | ViewFlag(is64),
                                    nullptr, &opened, nullptr),
                  ERROR_SUCCESS);
        const std::wstring text = L"C:\\" + std::wstring(length - 3, L'x');
        ::RegSetValueExW(opened, L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(opened);
        EXPECT_EQ(ReadInstallLocation(SystemWindows(), key, is64, false), length == 129u ? text : L"") << length;
    }
    // In the view the key was made in: Win32's RegDeleteTreeW takes none, and the 32-bit
    // product's own view on a 64-bit system is the other one.
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), ViewFlag(is64), 0);
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\VelmoraTest", ViewFlag(is64), 0);
}

TEST(RegistryViewsWin32, DeletingAKeyWithSubkeysLeavesItInPlace) {
    const BOOL is64 = testenv::PrefixKind() == L"pfx64";
    Create(HKEY_CURRENT_USER, L"Software\\VelmoraTest\\Parent\\Child", ViewFlag(is64));
    EXPECT_NE(SystemWindows().RegDeleteKeyExW(HKEY_CURRENT_USER, L"Software\\VelmoraTest\\Parent", ViewFlag(is64), 0),
              ERROR_SUCCESS);
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, L"Software\\VelmoraTest\\Parent\\Child", ViewFlag(is64)));
    EXPECT_EQ(SystemWindows().RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VelmoraTest"), ERROR_SUCCESS);
    EXPECT_FALSE(Exists(HKEY_CURRENT_USER, L"Software\\VelmoraTest", ViewFlag(is64)));
}

}  // namespace
