#include <gtest/gtest.h>

#include "system/person_at_pc.h"
#include "system/system_services.h"
#include "test_folder.h"

namespace {

TEST(SystemServicesWin32, Is64BitSystemMatchesThePrefixKind) {
    const std::wstring kind = velmora::testenv::PrefixKind();
    ASSERT_TRUE(kind == L"pfx64" || kind == L"pfx32") << "run through the test command";
    EXPECT_EQ(Is64BitSystem(), kind == L"pfx64" ? 1 : 0);
    // A program's own view of the processor is its own kind, whatever the system: x86 for
    // the 32-bit product on either system, x64 for the 64-bit twin that tests it on hosts
    // without 32-bit code.
#ifdef _WIN64
    const WORD ownArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
#else
    const WORD ownArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
#endif
    SYSTEM_INFO own{};
    ::GetSystemInfo(&own);
    EXPECT_EQ(own.wProcessorArchitecture, ownArchitecture);
}

TEST(SystemServicesWin32, SystemFolderHoldsTheWindowsInstaller) {
    wchar_t folder[MAX_PATH] = {};
    ASSERT_GT(velmora::SystemWindows().GetSystemDirectoryW(folder, MAX_PATH), 0u);
    EXPECT_NE(::GetFileAttributesW((std::wstring(folder) + L"\\msiexec.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Not declared by the headers: how a shell makes its window the shell window.
extern "C" BOOL WINAPI SetShellWindow(HWND window);

// The shell's owner found through the real calls, with a window of this test standing in
// for the shell (the test prefixes run none): the running account, so no other account's
// hive is asked for.
TEST(PersonAtThePcWin32, AShellOfTheRunningAccountIsNoOtherPerson) {
    if (!velmora::testenv::RunsOnWine() && ::GetShellWindow())
        GTEST_SKIP() << "a shell runs here, perhaps another account's, and no window of the test can stand in for it";
    HWND shell = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(::SetShellWindow(shell) && ::GetShellWindow() == shell);
    const std::wstring owner = velmora::ShellOwnerSid(velmora::SystemWindows());
    EXPECT_EQ(owner.rfind(L"S-1-5-21-", 0), 0u) << std::string(owner.begin(), owner.end());
    EXPECT_EQ(owner, velmora::RunningAccountSid(velmora::SystemWindows()));
    EXPECT_EQ(velmora::OtherShellOwnerSid(velmora::SystemWindows()), L"");
    ::DestroyWindow(shell);
}

}  // namespace
