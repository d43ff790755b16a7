#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "passes/install_cleaner.h"
#include "passes/pass_steps.h"
#include "simulated_installation.h"

using namespace velmora;
using namespace velmora::sim;

namespace {

const wchar_t kLocation[] = L"C:\\Program Files (x86)\\TORVEN\\VARNO 2017";
const wchar_t kEnglishUninstall[] =
    L"Microsoft\\Windows\\CurrentVersion\\Uninstall\\{5E3B9D14-A001-1033-A101-C3E1F06A7B52}";

// The registry, launch, wait and system calls of a run, without the folder walk's calls.
std::vector<std::wstring> PassCalls(const SimWindows& w) {
    std::vector<std::wstring> calls = w.Calls({L"GetSystemDirectoryW", L"GetModuleHandleW", L"GetProcAddress", L"GetNativeSystemInfo",
                    L"GetSystemInfo", L"RegDisableReflectionKey", L"RegOpenKeyExW", L"RegQueryValueExW",
                    L"RegCloseKey", L"ShellExecuteExW", L"MsgWaitForMultipleObjects", L"CloseHandle",
                    L"RegDeleteTreeW", L"RegDeleteKeyExW"});
    // The folder walk closes the folders it held.
    calls.erase(std::remove_if(calls.begin(), calls.end(),
                               [](const std::wstring& call) { return call.rfind(L"CloseHandle(#h", 0) == 0; }),
                calls.end());
    return calls;
}

size_t IndexOf(const std::vector<std::wstring>& log, const std::wstring& entry) {
    return static_cast<size_t>(std::find(log.begin(), log.end(), entry) - log.begin());
}

class LanguagePass : public testing::TestWithParam<HandleChildren> {};
INSTANTIATE_TEST_SUITE_P(Registry, LanguagePass, BothChildResolutions(), ChildResolutionName);

TEST_P(LanguagePass, EnglishOn64BitSystemWith32BitChoice) {
    SimWindows w(GetParam());
    InstallEdition(w, 1, true, kLocation);
    CInstallCleaner cleaner(w);
    EXPECT_TRUE(cleaner.CleanLanguage(1, TRUE));
    EXPECT_EQ(cleaner.m_bIs64BitSystem, 1);
    EXPECT_EQ(Joined(RecordsFolded(PassCalls(w))),
              Joined({
                  L"GetSystemDirectoryW(260)",
                  L"GetModuleHandleW(kernel32.dll)",
                  L"GetProcAddress(GetNativeSystemInfo)",
                  L"GetNativeSystemInfo()",
                  L"RegDisableReflectionKey(HKLM)",
                  std::wstring(L"RegOpenKeyExW(HKLM, SOFTWARE\\Wow6432Node\\") + kEnglishUninstall + L", 0, 0x101) -> #k1",
                  L"RegQueryValueExW(#k1, InstallLocation, 260)",
                  L"RegCloseKey(#k1)",
                  L"ShellExecuteExW(C:\\Windows\\system32\\msiexec.exe, /x {5E3B9D14-A001-1033-A101-C3E1F06A7B52} "
                  L"/quiet /passive /norestart keepuserdata=yes, nShow=0, fMask=0x40) -> #p1",
                  L"MsgWaitForMultipleObjects(1, #p1, 0, INFINITE, 0x4ff)",
                  L"CloseHandle(#p1)",
                  L"(records)",
                  L"RegDeleteTreeW(HKCR, Installer\\Products\\41D9B3E5100A33011A103C1E0FA6B725)",
                  std::wstring(L"RegDeleteKeyExW(HKLM, SOFTWARE\\Wow6432Node\\") + kEnglishUninstall + L", 0x100, 0)",
                  L"RegDeleteTreeW(HKLM, SOFTWARE\\Wow6432Node\\Classes\\Installer\\Products\\"
                  L"41D9B3E5100A33011A103C1E0FA6B725)",
                  L"RegDisableReflectionKey(HKLM)",
                  L"RegOpenKeyExW(HKLM, Software\\Wow6432Node\\TORVEN\\VARNO\\2017\\en-US, 0, 0xf013f) -> #k6",
                  L"RegDeleteTreeW(#k6, (null))",
                  L"RegDeleteKeyExW(HKLM, Software\\Wow6432Node\\TORVEN\\VARNO\\2017\\en-US, 0x100, 0)",
                  L"RegCloseKey(#k6)",
                  L"RegDeleteTreeW(HKCU, Software\\Wow6432Node\\TORVEN\\VARNO\\2017\\en-US)",
                  L"RegDeleteTreeW(HKCU, Software\\TORVEN\\VARNO\\2017\\en-US)",
              }));
    const auto& launch = w.launches.at(0);
    EXPECT_EQ(launch.cbSize, sizeof(SHELLEXECUTEINFOW));
    EXPECT_EQ(launch.hwnd, nullptr);
    EXPECT_EQ(launch.verb, L"(null)");
    EXPECT_EQ(launch.directory, L"(null)");
    // Everything of the edition is gone; its uninstall entry under the user is not touched.
    for (const std::wstring& key : w.AllKeys()) EXPECT_EQ(key.find(L"EN-US"), std::wstring::npos) << key;
    EXPECT_EQ(w.OpenHandleCount(), 0u);
    // Windows Installer registers the 32-bit package in the shared Classes key: its records
    // go first, and neither the delete through HKCR nor the Wow6432Node\Classes form finds it.
    EXPECT_FALSE(w.KeyExists(HKEY_LOCAL_MACHINE, MachineProductKey(L"41D9B3E5100A33011A103C1E0FA6B725")));
    EXPECT_EQ(w.ResultOf(L"RegDeleteTreeW(HKCR, Installer\\Products\\41D9B3E5100A33011A103C1E0FA6B725)"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(w.ResultOf(L"RegDeleteTreeW(HKLM, SOFTWARE\\Wow6432Node\\Classes\\Installer\\Products\\"
                         L"41D9B3E5100A33011A103C1E0FA6B725)"),
              ERROR_FILE_NOT_FOUND);
}

TEST_P(LanguagePass, LanguageFoldersGoInOrderBeforeTheInstallerRuns) {
    SimWindows w(GetParam());
    InstallEdition(w, 1, true, kLocation);
    AddBystanders(w, true, kLocation);
    CInstallCleaner(w).CleanLanguage(1, TRUE);
    const std::wstring base = std::wstring(L"SetFileInformationByHandle(\\\\?\\") + kLocation;
    const size_t folder = IndexOf(w.log, base + L"\\en-US, 4)");
    const size_t support = IndexOf(w.log, base + L"\\Support\\en-US, 4)");
    const size_t cache = IndexOf(w.log, base + L"\\UserDataCache\\en-US, 4)");
    const size_t launch = IndexOf(w.log, w.Calls({L"ShellExecuteExW"}).at(0));
    EXPECT_LT(folder, support);
    EXPECT_LT(support, cache);
    EXPECT_LT(cache, launch);
    EXPECT_FALSE(w.Exists(std::wstring(kLocation) + L"\\UserDataCache\\en-US"));
    EXPECT_TRUE(w.Exists(std::wstring(kLocation) + L"\\Support\\nl-NL\\keep.txt"));
    EXPECT_TRUE(w.Exists(std::wstring(kLocation) + L"\\nl-NL\\keep.txt"));
}

TEST_P(LanguagePass, On32BitSystemEveryPathIsPlainAndTheViewIs32Bit) {
    SimWindows w(GetParam());
    w.SetNativeArchitecture(PROCESSOR_ARCHITECTURE_INTEL);
    InstallEdition(w, 1, false, kLocation);
    CInstallCleaner cleaner(w);
    cleaner.CleanLanguage(1, TRUE);
    EXPECT_EQ(cleaner.m_bIs64BitSystem, 0);
    for (const std::wstring& call : PassCalls(w)) EXPECT_EQ(call.find(L"Wow6432Node"), std::wstring::npos) << call;
    const auto opens = w.Calls({L"RegOpenKeyExW"});
    EXPECT_NE(opens.front().find(L", 0, 0x201)"), std::wstring::npos);
    EXPECT_NE(opens.back().find(L", 0, 0xf023f)"), std::wstring::npos);
    const auto userTrees = w.Calls({L"RegDeleteTreeW"});
    EXPECT_EQ(userTrees[userTrees.size() - 2], L"RegDeleteTreeW(HKCU, Software\\TORVEN\\VARNO\\2017\\en-US)");
    EXPECT_EQ(userTrees.back(), userTrees[userTrees.size() - 2]);
    for (const auto& key : w.Calls({L"RegDeleteKeyExW"})) EXPECT_NE(key.find(L", 0x200, 0)"), std::wstring::npos);
    for (const std::wstring& key : w.AllKeys()) EXPECT_EQ(key.find(L"EN-US"), std::wstring::npos) << key;
}

TEST_P(LanguagePass, SixtyFourBitChoiceUsesPlainPathsThroughThe64BitView) {
    SimWindows w(GetParam());
    InstallEdition(w, 8, false, kLocation);  // Hungarian, culture "hu-hu"
    // A 32-bit copy of the vendor key with the same children: only the 64-bit one is emptied.
    const std::wstring wowVendor = L"SOFTWARE\\Wow6432Node\\TORVEN\\VARNO\\2017\\hu-hu";
    w.SetString(HKEY_LOCAL_MACHINE, wowVendor + L"\\Settings\\Deep", L"Value", L"32");
    const std::wstring packed = EditionPackedCode(g_languageTable[8]);
    CInstallCleaner(w).CleanLanguage(8, FALSE);
    EXPECT_TRUE(w.KeyExists(HKEY_LOCAL_MACHINE, wowVendor + L"\\Settings\\Deep"));
    for (const std::wstring& call : PassCalls(w)) EXPECT_EQ(call.find(L"Wow6432Node"), std::wstring::npos) << call;
    EXPECT_EQ(w.Calls({L"RegOpenKeyExW"}).back(),
              L"RegOpenKeyExW(HKLM, Software\\TORVEN\\VARNO\\2017\\hu-hu, 0, 0xf013f) -> #k6");
    EXPECT_FALSE(w.KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TORVEN\\VARNO\\2017\\hu-hu"));
    EXPECT_FALSE(w.Exists(std::wstring(kLocation) + L"\\Support\\hu-hu"));
    // The per-machine registration goes with the installer's records; through HKCR, and as
    // the plain machine products key, the same key is then already gone.
    EXPECT_FALSE(w.KeyExists(HKEY_LOCAL_MACHINE, MachineProductKey(packed)));
    EXPECT_EQ(w.ResultOf(L"RegDeleteTreeW(HKCR, Installer\\Products\\" + packed + L")"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(w.ResultOf(L"RegDeleteTreeW(HKLM, SOFTWARE\\Classes\\Installer\\Products\\" + packed + L")"),
              ERROR_FILE_NOT_FOUND);
}

// A stray copy of the registration under HKCU\Software\Classes shadows the machine's in
// HKCR, so the HKCR delete removes the user's copy. The machine's goes with the installer's
// records whatever the choice, although with the 32-bit choice the machine products key's
// Wow6432Node\Classes form names a key Windows Installer never writes.
TEST_P(LanguagePass, StrayPerUserRegistrationLeavesTheMachineOneWithThe32BitChoice) {
    const std::wstring packed = EditionPackedCode(g_languageTable[1]);
    for (BOOL use32 : {TRUE, FALSE}) {
        SimWindows w(GetParam());
        InstallEdition(w, 1, use32 != FALSE, kLocation);
        w.AddKey(HKEY_CURRENT_USER, L"Software\\Classes\\Installer\\Products\\" + packed + L"\\SourceList");
        CInstallCleaner(w).CleanLanguage(1, use32);
        SCOPED_TRACE(use32);
        EXPECT_FALSE(w.KeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\Installer\\Products\\" + packed));
        EXPECT_FALSE(w.KeyExists(HKEY_LOCAL_MACHINE, MachineProductKey(packed)));
        EXPECT_FALSE(w.KeyExists(HKEY_CLASSES_ROOT, L"Installer\\Products\\" + packed));
    }
}

TEST_P(LanguagePass, WithoutUninstallKeyNoFolderGoesButEverythingElseRuns) {
    SimWindows w(GetParam());
    w.AddFile(std::wstring(kLocation) + L"\\en-US\\orphan.txt");
    EXPECT_TRUE(CInstallCleaner(w).CleanLanguage(1, TRUE));
    EXPECT_TRUE(w.Calls({L"RegQueryValueExW", L"DeleteFileW", L"RemoveDirectoryW", L"FindFirstFileW"}).empty());
    EXPECT_EQ(w.launches.size(), 1u);
    EXPECT_EQ(w.Calls({L"RegDeleteTreeW", L"RegDeleteKeyExW"}).size(), 5u);
    EXPECT_TRUE(w.Exists(std::wstring(kLocation) + L"\\en-US\\orphan.txt"));
}

TEST_P(LanguagePass, InstallLocationLengthLimitIs129Characters) {
    for (size_t length : {129u, 130u}) {
        SimWindows w(GetParam());
        std::wstring location = L"C:\\";
        location += std::wstring(length - location.size(), L'v');
        InstallEdition(w, 1, true, location);
        CInstallCleaner(w).CleanLanguage(1, TRUE);
        SCOPED_TRACE(length);
        EXPECT_EQ(w.Exists(location + L"\\en-US"), length == 130u);
        EXPECT_EQ(w.launches.size(), 1u);
        EXPECT_EQ(w.Calls({L"RegDeleteTreeW", L"RegDeleteKeyExW"}).size(), 9u);
    }
}

std::vector<std::uint8_t> Bytes(const std::wstring& text, bool terminated) {
    std::vector<std::uint8_t> data((text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t), 0);
    std::memcpy(data.data(), text.data(), text.size() * sizeof(wchar_t));
    return data;
}

// Whatever the uninstall entry says, no folder outside the product is touched, and every
// registry step and the installer still run.
TEST_P(LanguagePass, UnsafeInstallLocationsRemoveNoFolder) {
    struct Case {
        const char* what;
        DWORD type;
        std::vector<std::uint8_t> data;
    };
    const DWORD driveC = 0x003A0043;  // "C:" read as text
    std::vector<std::uint8_t> dword(sizeof(driveC));
    std::memcpy(dword.data(), &driveC, sizeof(driveC));
    const std::wstring withNul = std::wstring(L"C:\\") + L'\0' + L"Apps\\VARNO";
    const Case cases[] = {
        {"drive root", REG_SZ, Bytes(L"C:\\", true)},
        {"drive only", REG_SZ, Bytes(L"C:", true)},
        {"current folder", REG_SZ, Bytes(L".", true)},
        {"relative", REG_SZ, Bytes(L"relative\\dir", true)},
        {"share root", REG_SZ, Bytes(L"\\\\server\\share", true)},
        {"device path", REG_SZ, Bytes(L"\\\\.\\C:\\Apps", true)},
        {"extended path", REG_SZ, Bytes(L"\\\\?\\C:\\", true)},
        {"windows folder", REG_SZ, Bytes(L"C:\\Windows", true)},
        {"windows with trailing dot", REG_SZ, Bytes(L"C:\\Windows.", true)},
        {"below the windows folder", REG_SZ, Bytes(L"C:\\Windows\\Fonts", true)},
        {"windows data in program data", REG_SZ, Bytes(L"C:\\ProgramData\\Microsoft\\Windows", true)},
        {"another account's profile", REG_SZ, Bytes(L"C:\\Users\\alice", true)},
        {"another account's documents", REG_SZ, Bytes(L"C:\\Users\\alice\\Documents", true)},
        {"program files parent walk", REG_SZ, Bytes(L"C:\\Program Files\\TORVEN\\..\\..", true)},
        {"profile", REG_SZ, Bytes(L"C:\\Users\\tech", true)},
        {"users", REG_EXPAND_SZ, Bytes(L"C:\\Users", true)},
        {"expandable text is not expanded", REG_EXPAND_SZ, Bytes(L"%SystemRoot%", true)},
        {"embedded nul leaves the drive root", REG_SZ, Bytes(withNul, true)},
        {"dword", REG_DWORD, dword},
        {"binary drive root", REG_BINARY, Bytes(L"C:\\", false)},
    };
    for (const Case& c : cases) {
        SimWindows w(GetParam());
        InstallEdition(w, 1, true, kLocation);
        w.SetValue(HKEY_LOCAL_MACHINE, std::wstring(L"SOFTWARE\\Wow6432Node\\") + kEnglishUninstall, L"InstallLocation",
                   c.type, c.data);
        w.AddFile(L"C:\\en-US\\precious.txt");
        w.AddFile(L"C:\\Windows\\en-US\\kernel.mui");
        w.AddFile(L"C:\\Users\\tech\\en-US\\notes.txt");
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(CInstallCleaner(w).CleanLanguage(1, TRUE));
        for (const std::wstring& call : w.Calls({L"DeleteFileW", L"RemoveDirectoryW", L"FindFirstFileW", L"CreateFileW"}))
            EXPECT_NE(call.find(L"C:\\Windows\\Installer"), std::wstring::npos) << call;  // the installer's folder only
        EXPECT_TRUE(w.Exists(L"C:\\en-US\\precious.txt"));
        EXPECT_EQ(w.launches.size(), 1u);
        EXPECT_EQ(w.Calls({L"RegDeleteTreeW", L"RegDeleteKeyExW"}).size(), 9u);
    }
}

TEST_P(LanguagePass, ValueStoredWithoutTerminatorIsStillReadWhole) {
    SimWindows w(GetParam());
    InstallEdition(w, 1, true, kLocation);
    w.SetValue(HKEY_LOCAL_MACHINE, std::wstring(L"SOFTWARE\\Wow6432Node\\") + kEnglishUninstall, L"InstallLocation",
               REG_SZ, Bytes(kLocation, false));
    CInstallCleaner(w).CleanLanguage(1, TRUE);
    EXPECT_FALSE(w.Exists(std::wstring(kLocation) + L"\\en-US"));
    EXPECT_FALSE(w.Exists(std::wstring(kLocation) + L"\\UserDataCache\\en-US"));
}

TEST_P(LanguagePass, InstallLocationWithTrailingBackslashStillReachesItsFolders) {
    SimWindows w(GetParam());
    InstallEdition(w, 1, true, kLocation);
    w.SetString(HKEY_LOCAL_MACHINE, std::wstring(L"SOFTWARE\\Wow6432Node\\") + kEnglishUninstall, L"InstallLocation",
                std::wstring(kLocation) + L"\\");
    CInstallCleaner(w).CleanLanguage(1, TRUE);
    EXPECT_FALSE(w.Exists(std::wstring(kLocation) + L"\\en-US"));
    EXPECT_FALSE(w.Exists(std::wstring(kLocation) + L"\\Support\\en-US"));
}

TEST_P(LanguagePass, LaunchFailureSkipsTheWaitAndTheDeletionsStillRun) {
    SimWindows w(GetParam());
    InstallEdition(w, 1, true, kLocation);
    w.FailEvery(L"ShellExecuteExW");
    EXPECT_TRUE(CInstallCleaner(w).CleanLanguage(1, TRUE));
    const auto calls = PassCalls(w);
    const size_t launch = IndexOf(calls, w.Calls({L"ShellExecuteExW"}).at(0));
    // With no process the wait fails at once, and the first deletion follows.
    EXPECT_EQ(calls.at(launch + 1), L"MsgWaitForMultipleObjects(1, null, 0, INFINITE, 0x4ff)");
    EXPECT_LT(IndexOf(calls, L"RegDeleteTreeW(HKCR, Installer\\Products\\41D9B3E5100A33011A103C1E0FA6B725)"), calls.size());
    EXPECT_FALSE(w.KeyExists(HKEY_CURRENT_USER, L"Software\\TORVEN\\VARNO\\2017\\en-US"));
}

TEST_P(LanguagePass, WithoutASystemFolderTheInstallerIsNotLaunchedFromTheDriveRoot) {
    SimWindows w(GetParam());
    w.SetSystemDirectory(L"");
    EXPECT_TRUE(CInstallCleaner(w).CleanLanguage(1, TRUE));
    EXPECT_TRUE(w.launches.empty());
    EXPECT_EQ(w.Calls({L"RegDeleteTreeW", L"RegDeleteKeyExW"}).size(), 5u);
}

// Success (0), unknown product (1605), fatal error (1603) and restart needed (3010) all
// lead to the same calls and the same end state.
TEST_P(LanguagePass, RegistryDeletionsComeAfterTheInstallerHasEndedWhateverItsExitCode) {
    std::vector<std::wstring> firstLog, firstKeys, firstPaths;
    for (DWORD exitCode : {0u, 1605u, 1603u, 3010u}) {
        SimWindows w(GetParam());
        InstallEdition(w, 3, true, kLocation);
        w.exitCode = exitCode;
        size_t exitedAt = 0;
        w.onProcessExit = [&](const Launch&) { exitedAt = w.log.size(); };
        w.whileWaiting.push_back([&] { w.Post(WM_PAINT); });
        w.whileWaiting.push_back([&] { w.Post(WM_PAINT); });
        EXPECT_TRUE(CInstallCleaner(w).CleanLanguage(3, TRUE));
        SCOPED_TRACE(exitCode);
        ASSERT_GT(exitedAt, 0u);
        EXPECT_EQ(w.launches.at(0).exitCode, exitCode);
        EXPECT_EQ(w.dispatched.size(), 2u);
        for (size_t i = 0; i < exitedAt; ++i)
            EXPECT_TRUE(w.log[i].rfind(L"RegDelete", 0) != 0) << "deleted before the installer ended: " << w.log[i];
        if (firstLog.empty()) {
            firstLog = w.log, firstKeys = w.AllKeys(), firstPaths = w.AllPaths();
            continue;
        }
        EXPECT_EQ(Joined(w.log), Joined(firstLog));
        EXPECT_EQ(w.AllKeys(), firstKeys);
        EXPECT_EQ(w.AllPaths(), firstPaths);
    }
}

// Another installation running: each launch waits while the installer's mutex is owned (at
// most ten minutes, messages flowing), a 1618 is launched once more, and an edition still
// refused keeps its registrations and loses everything else; so does one whose uninstall
// ended while the installer was still busy, or could not be told idle. No wait follows one
// that ran out, in its pass or any later one of the run; a mutex that cannot be opened to be
// released means a 30 s pause before the retry.
TEST_P(LanguagePass, BusyInstallerIsWaitedForAndA1618RetriedOnce) {
    struct Case {
        DWORD busyFor;
        std::vector<DWORD> exitCodes;
        std::vector<DWORD> launchedAt;
        bool kept;
        DWORD grants = MUTEX_ALL_ACCESS;  // what the installer's mutex lets this program do
        bool wholeRun = false;  // one cleaner: editions 1 and 2, then the shared pass
    };
    const Case cases[] = {{30000, {0}, {30000}, false},
                          {kInstallerWaitLimit + 60000, {0}, {kInstallerWaitLimit}, true},
                          {0, {1618, 0}, {0, 0}, false},
                          {0, {1618, 1618}, {0, 0}, true},
                          {3 * kInstallerWaitLimit, {1618, 1618}, {kInstallerWaitLimit, kInstallerWaitLimit}, true},
                          {60000, {1618, 0}, {0, kInstallerRetryPause}, true, SYNCHRONIZE},
                          {5 * kInstallerWaitLimit, {}, std::vector<DWORD>(4, kInstallerWaitLimit), true, MUTEX_ALL_ACCESS, true}};
    for (const Case& c : cases) {
        SimWindows w(GetParam());
        InstallEdition(w, 1, true, kLocation);
        if (c.wholeRun) {
            InstallEdition(w, 2, true, kLocation);
            InstallShared(w, true, std::wstring(kLocation) + L"\\Shared");
        }
        w.SetInstallerBusyFor(c.busyFor);
        w.SetInstallerMutexGrants(c.grants);
        w.exitCodes.assign(c.exitCodes.begin(), c.exitCodes.end());
        w.Post(WM_PAINT);
        std::vector<DWORD> launchedAt;
        w.beforeCall = [&](const std::wstring& call) {
            if (call.rfind(L"ShellExecuteExW", 0) == 0) launchedAt.push_back(w.Ticks());
        };
        CInstallCleaner cleaner(w);
        EXPECT_TRUE(cleaner.CleanLanguage(1, TRUE));
        if (c.wholeRun) {
            EXPECT_TRUE(cleaner.CleanLanguage(2, TRUE));
            EXPECT_TRUE(cleaner.CleanShared(TRUE));
        }
        SCOPED_TRACE(testing::Message() << c.busyFor << " ms busy, " << c.exitCodes.size() << " exit codes");
        EXPECT_EQ(launchedAt, c.launchedAt);
        EXPECT_EQ(w.dispatched.size(), 1u);
        EXPECT_EQ(w.KeyExists(HKEY_CLASSES_ROOT, L"Installer\\Products\\" + EditionPackedCode(g_languageTable[1])), c.kept);
        EXPECT_EQ(w.KeyExists(HKEY_LOCAL_MACHINE, std::wstring(L"SOFTWARE\\Wow6432Node\\") + kEnglishUninstall), c.kept);
        EXPECT_FALSE(w.KeyExists(HKEY_CURRENT_USER, L"Software\\TORVEN\\VARNO\\2017\\en-US"));
        EXPECT_FALSE(w.OwnsInstallerMutex());
        EXPECT_EQ(w.OpenHandleCount(), 0u);
    }
}

TEST_P(LanguagePass, RowsOutsideTheEditionsTouchNothing) {
    for (int row : {0, 16, -1}) {
        SimWindows w(GetParam());
        EXPECT_TRUE(CInstallCleaner(w).CleanLanguage(row, TRUE));
        EXPECT_TRUE(w.log.empty()) << row;
    }
}

}  // namespace
