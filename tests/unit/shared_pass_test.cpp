#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>

#include "install_cleaner.h"
#include "simulated_installation.h"

using namespace velmora::sim;

namespace {

const wchar_t kShared[] = L"C:\\Program Files (x86)\\TORVEN\\VARNO 2017\\Shared";
const wchar_t kFirstUninstall[] =
    L"Microsoft\\Windows\\CurrentVersion\\Uninstall\\{5E3B9D14-A001-0000-A001-C3E1F06A7B52}";
const wchar_t kSecondUninstall[] =
    L"Microsoft\\Windows\\CurrentVersion\\Uninstall\\{5E3B9D14-A001-0000-A200-C3E1F06A7B52}";

// A cleaner that has run one language pass, as the shared pass requires.
CInstallCleaner AfterLanguagePass(SimWindows& w, BOOL use32BitView) {
    CInstallCleaner cleaner(w);
    cleaner.CleanLanguage(1, use32BitView);
    w.log.clear();
    return cleaner;
}

std::vector<std::wstring> WithoutFolderWalk(const SimWindows& w) {
    std::vector<std::wstring> calls;
    for (const std::wstring& call : w.log)
        if (call.rfind(L"Find", 0) != 0 && call.rfind(L"DeleteFileW", 0) != 0 &&
            call.rfind(L"RemoveDirectoryW", 0) != 0 && call.rfind(L"SHGetFolderPathW", 0) != 0 &&
            call.rfind(L"GetEnvironmentVariableW", 0) != 0 && call.rfind(L"GetProfilesDirectoryW", 0) != 0 &&
            call.rfind(L"CreateFileW", 0) != 0 && call.rfind(L"GetFileInformationByHandleEx", 0) != 0 &&
            call.rfind(L"GetFinalPathNameByHandleW", 0) != 0 && call.rfind(L"CloseHandle(#h", 0) != 0)
            calls.push_back(call);
    return calls;
}

TEST(SharedPass, On64BitSystemWith32BitChoice) {
    SimWindows w;
    InstallShared(w, true, kShared);
    CInstallCleaner cleaner = AfterLanguagePass(w, TRUE);
    EXPECT_TRUE(cleaner.CleanShared(TRUE));
    const std::wstring wow = L"SOFTWARE\\Wow6432Node\\";
    EXPECT_EQ(Joined(WithoutFolderWalk(w)),
              Joined({
                  L"RegDisableReflectionKey(HKLM)",
                  L"RegOpenKeyExW(HKLM, " + wow + kFirstUninstall + L", 0, 0x101) -> #k1",
                  L"RegDisableReflectionKey(HKLM)",
                  L"RegQueryValueExW(#k1, InstallLocation, 260)",
                  L"RegCloseKey(#k1)",
                  L"GetSystemDirectoryW(260)",
                  L"ShellExecuteExW(C:\\Windows\\system32\\msiexec.exe, /x {5E3B9D14-A001-0000-A001-C3E1F06A7B52} "
                  L"/quiet /passive /norestart keepuserdata=yes, nShow=0, fMask=0x40) -> #p2",
                  L"MsgWaitForMultipleObjects(1, #p2, 0, INFINITE, 0x4ff)",
                  L"CloseHandle(#p2)",
                  L"RegDeleteTreeW(HKCR, Installer\\Products\\41D9B3E5100A00000A103C1E0FA6B725)",
                  L"RegDeleteKeyExW(HKLM, " + wow + kFirstUninstall + L", 0x100, 0)",
                  L"RegDeleteKeyExW(HKCU, " + wow + kFirstUninstall + L", 0x100, 0)",
                  L"RegDeleteTreeW(HKLM, " + wow + L"Classes\\Installer\\Products\\41D9B3E5100A00000A103C1E0FA6B725)",
                  L"RegDeleteTreeW(HKCR, Installer\\Products\\41D9B3E5100A00002A003C1E0FA6B725)",
                  L"RegDeleteKeyExW(HKLM, " + wow + kSecondUninstall + L", 0x100, 0)",
                  L"RegDeleteKeyExW(HKCU, " + wow + kSecondUninstall + L", 0x100, 0)",
                  L"RegDeleteTreeW(HKLM, " + wow + L"Classes\\Installer\\Products\\41D9B3E5100A00002A003C1E0FA6B725)",
                  L"RegDisableReflectionKey(HKLM)",
                  L"RegOpenKeyExW(HKLM, Software\\Wow6432Node\\TORVEN\\VARNO\\2017, 0, 0xf013f) -> #k2",
                  L"RegDeleteTreeW(#k2, (null))",
                  L"RegDeleteKeyExW(HKLM, Software\\Wow6432Node\\TORVEN\\VARNO\\2017, 0x100, 0)",
                  L"RegCloseKey(#k2)",
                  L"RegDeleteTreeW(HKCU, Software\\Wow6432Node\\TORVEN\\VARNO\\2017)",
                  L"RegDeleteTreeW(HKCU, Software\\TORVEN\\VARNO\\2017)",
              }));
    EXPECT_FALSE(w.Exists(kShared));
    EXPECT_FALSE(w.KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\TORVEN\\VARNO\\2017"));
    EXPECT_FALSE(w.KeyExists(HKEY_CURRENT_USER, L"Software\\TORVEN\\VARNO\\2017"));
    EXPECT_EQ(w.OpenHandleCount(), 0u);
}

TEST(SharedPass, InstallFolderGoesAfterTheInstallerHasEnded) {
    SimWindows w;
    InstallShared(w, true, kShared);
    CInstallCleaner cleaner = AfterLanguagePass(w, TRUE);
    bool folderPresentAtExit = false;
    w.onProcessExit = [&](const Launch&) { folderPresentAtExit = w.Exists(std::wstring(kShared) + L"\\bin\\varno.exe"); };
    cleaner.CleanShared(TRUE);
    EXPECT_TRUE(folderPresentAtExit);
    EXPECT_FALSE(w.Exists(kShared));
    EXPECT_EQ(w.Calls({L"RemoveDirectoryW"}).back(), std::wstring(L"RemoveDirectoryW(\\\\?\\") + kShared + L")");
}

TEST(SharedPass, On64BitSystemWith64BitChoiceEveryPathIsPlain) {
    SimWindows w;
    InstallShared(w, false, kShared);
    CInstallCleaner cleaner = AfterLanguagePass(w, FALSE);
    cleaner.CleanShared(FALSE);
    for (const std::wstring& call : w.log) EXPECT_EQ(call.find(L"Wow6432Node"), std::wstring::npos) << call;
    for (const std::wstring& call : w.Calls({L"RegDeleteKeyExW"})) EXPECT_NE(call.find(L", 0x100, 0)"), std::wstring::npos);
    EXPECT_FALSE(w.KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TORVEN\\VARNO\\2017"));
    EXPECT_FALSE(w.KeyExists(HKEY_CURRENT_USER, std::wstring(L"SOFTWARE\\") + kSecondUninstall));
}

TEST(SharedPass, On32BitSystemTheChoiceMakesNoDifference) {
    for (BOOL use32 : {TRUE, FALSE}) {
        SimWindows w;
        w.SetNativeArchitecture(PROCESSOR_ARCHITECTURE_INTEL);
        InstallShared(w, false, kShared);
        CInstallCleaner cleaner = AfterLanguagePass(w, use32);
        cleaner.CleanShared(use32);
        for (const std::wstring& call : w.log) EXPECT_EQ(call.find(L"Wow6432Node"), std::wstring::npos) << call;
        for (const std::wstring& call : w.Calls({L"RegDeleteKeyExW"}))
            EXPECT_NE(call.find(L", 0x200, 0)"), std::wstring::npos);
        EXPECT_NE(w.Calls({L"RegOpenKeyExW"}).at(0).find(L", 0, 0x201)"), std::wstring::npos);
        EXPECT_FALSE(w.Exists(kShared));
    }
}

TEST(SharedPass, NothingInstalledLaunchesOnceAndStillReturnsTrue) {
    SimWindows w;
    CInstallCleaner cleaner = AfterLanguagePass(w, TRUE);
    w.launches.clear();
    EXPECT_TRUE(cleaner.CleanShared(TRUE));
    ASSERT_EQ(w.launches.size(), 1u);
    EXPECT_NE(w.launches[0].parameters.find(L"{5E3B9D14-A001-0000-A001-C3E1F06A7B52}"), std::wstring::npos);
    EXPECT_TRUE(w.Calls({L"FindFirstFileW", L"RemoveDirectoryW"}).empty());
}

TEST(SharedPass, RemovesTheNamedFolderItselfButNeverAnUnsafeOne) {
    struct Case {
        const wchar_t* location;
        bool removed;
    };
    const Case cases[] = {{L"C:\\Apps\\VARNO", true},   {L"C:\\", false}, {L"C:\\Program Files (x86)", false},
                          {L"C:\\Windows", false},      {L"C:\\Users\\tech", false},
                          {L"C:\\Apps\\VARNO\\..\\..", false},
                          {L"C:\\Windows\\System32\\DriverStore", false},
                          {L"C:\\ProgramData\\Microsoft\\VARNO", false},
                          {L"C:\\Users\\alice", false},
                          {L"C:\\Users\\Public", false},
                          {L"C:\\Users\\alice\\Desktop", false},
                          {L"C:\\Users\\alice\\AppData\\Local\\VARNO\\VARNO 2017", true},
                          {L"C:\\Program Files\\VARNO\\VARNO 2017", true},
                          {L"D:\\CAD\\VARNO 2017", true}};
    for (const Case& c : cases) {
        SimWindows w;
        InstallShared(w, true, c.location);
        w.AddFile(L"C:\\Windows\\system32\\kernel32.dll");
        w.AddFile(L"C:\\Users\\tech\\Documents\\thesis.doc");
        CInstallCleaner cleaner = AfterLanguagePass(w, TRUE);
        cleaner.CleanShared(TRUE);
        SCOPED_TRACE(testing::Message() << std::string(c.location, c.location + wcslen(c.location)));
        EXPECT_EQ(!w.Exists(std::wstring(c.location) + L"\\bin\\varno.exe"), c.removed);
        if (!c.removed) {
            EXPECT_TRUE(w.Calls({L"FindFirstFileW", L"CreateFileW", L"DeleteFileW", L"RemoveDirectoryW"}).empty());
        }
        EXPECT_TRUE(w.Exists(L"C:\\Windows\\system32\\kernel32.dll"));
        EXPECT_TRUE(w.Exists(L"C:\\Users\\tech\\Documents\\thesis.doc"));
        // The registry steps run whatever the folder was.
        EXPECT_FALSE(w.KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\TORVEN\\VARNO\\2017"));
        EXPECT_EQ(w.launches.size(), 2u);
    }
}

TEST(SharedPass, VendorVersionKeyWithSubkeysAndValuesGoesCompletely) {
    SimWindows w;
    InstallShared(w, true, kShared);
    AddBystanders(w, true, L"C:\\Apps");
    CInstallCleaner cleaner = AfterLanguagePass(w, TRUE);
    cleaner.CleanShared(TRUE);
    for (const std::wstring& key : w.AllKeys()) EXPECT_EQ(key.find(L"\\2017"), std::wstring::npos) << key;
    EXPECT_TRUE(w.KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\TORVEN\\VARNO\\2018\\en-US"));
    EXPECT_TRUE(w.KeyExists(HKEY_CURRENT_USER, L"Software\\TORVEN\\VARNO\\2018"));
}

}  // namespace
