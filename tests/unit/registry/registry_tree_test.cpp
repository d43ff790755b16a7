#include <gtest/gtest.h>

#include "registry/registry_tree.h"
#include "sim_windows.h"

using namespace velmora;
using namespace velmora::sim;

namespace {

const wchar_t kPlain[] = L"SOFTWARE\\VelmoraTest\\Views";
const wchar_t kWow[] = L"SOFTWARE\\Wow6432Node\\VelmoraTest\\Views";

// The same key in both views of a 64-bit system, each with a same-named child tree and a
// value, and a sibling whose name sorts between the key and its children.
void AddBothViews(SimWindows& w) {
    for (const wchar_t* key : {kPlain, kWow}) {
        w.SetString(HKEY_LOCAL_MACHINE, std::wstring(key) + L"\\Child\\Deeper", L"Name", L"deep");
        w.AddKey(HKEY_LOCAL_MACHINE, std::wstring(key) + L"\\Other");
        w.SetString(HKEY_LOCAL_MACHINE, key, L"Name", L"top");
        w.SetString(HKEY_LOCAL_MACHINE, key, L"", L"default");
        w.AddKey(HKEY_LOCAL_MACHINE, std::wstring(key) + L"-old\\Child");
    }
}

size_t KeysBelow(const SimWindows& w, const std::wstring& key) {
    size_t count = 0;
    const std::wstring prefix = L"HKLM\\" + key + L"\\";
    for (std::wstring each : w.AllKeys())
        if (each.size() > prefix.size() && _wcsnicmp(each.c_str(), prefix.c_str(), prefix.size()) == 0) ++count;
    return count;
}

bool HasValue(SimWindows& w, const std::wstring& key, const wchar_t* name) {
    HKEY handle = nullptr;
    if (w.RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &handle) != ERROR_SUCCESS)
        return false;
    const bool found = w.RegQueryValueExW(handle, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    w.RegCloseKey(handle);
    return found;
}

// A key opened through either view is emptied in that view: its children and values go, the
// same-named copy in the other view stays. This holds also where Windows resolves a child
// named without a view flag in the process's own view, because every child is opened and
// deleted with the key's view flag; without the flag the other view's children are reached.
TEST(EmptyKeyInView, EmptiesTheOpenedViewOnlyWhereverChildrenResolve) {
    struct Case {
        REGSAM view;
        const wchar_t* emptied;
        const wchar_t* kept;
    };
    // The 64-bit copy through KEY_WOW64_64KEY, and the reverse: the 32-bit copy through
    // KEY_WOW64_32KEY, named by the plain path.
    for (const Case& c : {Case{KEY_WOW64_64KEY, kPlain, kWow}, Case{KEY_WOW64_32KEY, kWow, kPlain}}) {
        for (HandleChildren children : {HandleChildren::InHandleView, HandleChildren::InProcessView}) {
            SimWindows w(children);
            AddBothViews(w);
            SCOPED_TRACE(testing::Message() << "view " << std::hex << c.view << ", children in process view "
                                            << (children == HandleChildren::InProcessView));
            HKEY key = nullptr;
            ASSERT_EQ(w.RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPlain, 0, KEY_ALL_ACCESS | c.view, &key), ERROR_SUCCESS);
            EXPECT_EQ(w.RegDeleteTreeW(key, nullptr), ERROR_SUCCESS);
            EXPECT_EQ(w.OpenHandleCount(), 1u);
            w.RegCloseKey(key);

            EXPECT_TRUE(w.KeyExists(HKEY_LOCAL_MACHINE, c.emptied));
            EXPECT_EQ(KeysBelow(w, c.emptied), 0u);
            EXPECT_FALSE(HasValue(w, c.emptied, L"Name"));
            EXPECT_FALSE(HasValue(w, c.emptied, L""));
            EXPECT_EQ(KeysBelow(w, c.kept), 3u);
            EXPECT_TRUE(HasValue(w, std::wstring(c.kept) + L"\\Child\\Deeper", L"Name"));
            EXPECT_TRUE(HasValue(w, c.kept, L"Name"));
            EXPECT_TRUE(w.KeyExists(HKEY_LOCAL_MACHINE, std::wstring(c.emptied) + L"-old\\Child"));
        }
    }

    // What the view flag protects against: with the children resolving in the process's
    // 32-bit view, a walk that drops the flag empties the Wow6432Node copy's children
    // (the children are listed from the 64-bit key, but opened and deleted in the other view).
    SimWindows w(HandleChildren::InProcessView);
    AddBothViews(w);
    HKEY key = nullptr;
    ASSERT_EQ(w.RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPlain, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key), ERROR_SUCCESS);
    EmptyKeyInView(w, key, 0);
    w.RegCloseKey(key);
    EXPECT_EQ(KeysBelow(w, kWow), 0u);
    EXPECT_EQ(KeysBelow(w, kPlain), 3u);
}

// Whatever single call of the walk fails, it ends, leaves only the caller's handle open,
// keeps the other view's copy, and never reports success while something is left. (A
// failed listing or open is reported even when nothing happened to be left behind.)
TEST(EmptyKeyInView, AnySingleFailedCallEndsTheWalkWithoutLeaks) {
    SimWindows baseline(HandleChildren::InProcessView);
    AddBothViews(baseline);
    HKEY key = nullptr;
    ASSERT_EQ(baseline.RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPlain, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key),
              ERROR_SUCCESS);
    const size_t first = baseline.log.size();
    ASSERT_EQ(EmptyKeyInView(baseline, key, KEY_WOW64_64KEY), ERROR_SUCCESS);
    const size_t callCount = baseline.log.size() - first;
    ASSERT_GT(callCount, 15u);

    for (size_t failing = first; failing < first + callCount; ++failing) {
        SimWindows w(HandleChildren::InProcessView);
        AddBothViews(w);
        ASSERT_EQ(w.RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPlain, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key), ERROR_SUCCESS);
        w.FailCallAt(failing);
        SCOPED_TRACE(testing::Message() << "failing call " << failing);
        const LONG result = EmptyKeyInView(w, key, KEY_WOW64_64KEY);
        EXPECT_EQ(w.OpenHandleCount(), 1u);
        w.RegCloseKey(key);
        EXPECT_EQ(KeysBelow(w, kWow), 3u);
        EXPECT_TRUE(HasValue(w, kWow, L"Name"));
        const bool emptied = KeysBelow(w, kPlain) == 0 && !HasValue(w, kPlain, L"Name") && !HasValue(w, kPlain, L"");
        EXPECT_TRUE(emptied || result != ERROR_SUCCESS);
    }
}

}  // namespace
