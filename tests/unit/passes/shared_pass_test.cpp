#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>

#include "passes/install_cleaner.h"
#include "simulated_installation.h"

using namespace velmora;
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

// The pass's own calls: without the folder walk, and without the calls that emptying an open
// key makes inside RegDeleteTreeW (logged indented).
std::vector<std::wstring> WithoutFolderWalk(const SimWindows& w) {
    std::vector<std::wstring> calls;
    for (const std::wstring& call : w.log)
        if (call.rfind(L" ", 0) != 0 && call.rfind(L"Find", 0) != 0 && call.rfind(L"DeleteFileW", 0) != 0 &&
            call.rfind(L"RemoveDirectoryW", 0) != 0 && call.rfind(L"SHGetFolderPathW", 0) != 0 &&
            call.rfind(L"GetEnvironmentVariableW", 0) != 0 && call.rfind(L"GetProfilesDirectoryW", 0) != 0 &&
            call.rfind(L"CreateFileW", 0) != 0 && call.rfind(L"GetFileInformationByHandle", 0) != 0 &&
            call.rfind(L"GetFinalPathNameByHandleW", 0) != 0 && call.rfind(L"CloseHandle(#h", 0) != 0 &&
            call.rfind(L"Nt", 0) != 0 && call.rfind(L"SetFileInformationByHandle", 0) != 0)
            calls.push_back(call);
    return calls;
}

class SharedPass : public testing::TestWithParam<HandleChildren> {};
INSTANTIATE_TEST_SUITE_P(Registry, SharedPass, BothChildResolutions(), ChildResolutionName);

TEST_P(SharedPass, On64BitSystemWith32BitChoice) {
    SimWindows w(GetParam());
    InstallShared(w, true, kShared);
    CInstallCleaner cleaner = AfterLanguagePass(w, TRUE);
    EXPECT_TRUE(cleaner.CleanShared(TRUE));
    const std::wstring wow = L"SOFTWARE\\Wow6432Node\\";
    EXPECT_EQ(Joined(RecordsFolded(WithoutFolderWalk(w))),
              Joined({
                  L"RegDisableReflectionKey(HKLM)",
                  L"RegOpenKeyExW(HKLM, " + wow + kFirstUninstall + L", 0, 0x101) -> #k1",
                  L"RegDisableReflectionKey(HKLM)",
                  L"RegQueryValueExW(#k1, InstallLocation, 260)",
                  L"RegCloseKey(#k1)",
                  L"GetSystemDirectoryW(260)",
                  L"OpenMutexW(0x100001, 0, Global\\_MSIExecute)",
                  L"GetLastError()",
                  L"ShellExecuteExW(C:\\Windows\\system32\\msiexec.exe, /x {5E3B9D14-A001-0000-A001-C3E1F06A7B52} "
                  L"/quiet /passive /norestart keepuserdata=yes, nShow=0, fMask=0x40) -> #p2",
                  L"MsgWaitForMultipleObjects(1, #p2, 0, INFINITE, 0x4ff)",
                  L"GetExitCodeProcess(#p2)",
                  L"CloseHandle(#p2)",
                  L"(records)",  // and the second product found still installed
                  L"OpenMutexW(0x100001, 0, Global\\_MSIExecute)",
                  L"GetLastError()",
                  L"ShellExecuteExW(C:\\Windows\\system32\\msiexec.exe, /x {5E3B9D14-A001-0000-A200-C3E1F06A7B52} "
                  L"/quiet /passive /norestart keepuserdata=yes, nShow=0, fMask=0x40) -> #p3",
                  L"MsgWaitForMultipleObjects(1, #p3, 0, INFINITE, 0x4ff)",
                  L"GetExitCodeProcess(#p3)",
                  L"CloseHandle(#p3)",
                  L"(records)",
                  L"RegDeleteTreeW(HKCR, Installer\\Products\\41D9B3E5100A00000A103C1E0FA6B725)",
                  L"RegDeleteKeyExW(HKLM, " + wow + kFirstUninstall + L", 0x100, 0)",
                  L"RegDeleteKeyExW(HKCU, " + wow + kFirstUninstall + L", 0x100, 0)",
                  L"RegDeleteTreeW(HKLM, " + wow + L"Classes\\Installer\\Products\\41D9B3E5100A00000A103C1E0FA6B725)",
                  L"RegDeleteTreeW(HKCR, Installer\\Products\\41D9B3E5100A00002A003C1E0FA6B725)",
                  L"RegDeleteKeyExW(HKLM, " + wow + kSecondUninstall + L", 0x100, 0)",
                  L"RegDeleteKeyExW(HKCU, " + wow + kSecondUninstall + L", 0x100, 0)",
                  L"RegDeleteTreeW(HKLM, " + wow + L"Classes\\Installer\\Products\\41D9B3E5100A00002A003C1E0FA6B725)",
                  L"RegDisableReflectionKey(HKLM)",
                  L"RegOpenKeyExW(HKLM, Software\\Wow6432Node\\TORVEN\\VARNO\\2017, 0, 0xf013f) -> #k9",
                  L"RegDeleteTreeW(#k9, (null))",
                  L"RegDeleteKeyExW(HKLM, Software\\Wow6432Node\\TORVEN\\VARNO\\2017, 0x100, 0)",
                  L"RegCloseKey(#k9)",
                  L"RegDeleteTreeW(HKCU, Software\\Wow6432Node\\TORVEN\\VARNO\\2017)",
                  L"RegDeleteTreeW(HKCU, Software\\TORVEN\\VARNO\\2017)",
              }));
    EXPECT_FALSE(w.Exists(kShared));
    EXPECT_FALSE(w.KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\TORVEN\\VARNO\\2017"));
    EXPECT_FALSE(w.KeyExists(HKEY_CURRENT_USER, L"Software\\TORVEN\\VARNO\\2017"));
    EXPECT_EQ(w.OpenHandleCount(), 0u);
    // Both per-machine registrations sit in the shared Classes key and go with the installer's
    // records; the HKCR and Wow6432Node\Classes deletes find nothing, as expected.
    for (const wchar_t* packed : {L"41D9B3E5100A00000A103C1E0FA6B725", L"41D9B3E5100A00002A003C1E0FA6B725"}) {
        EXPECT_FALSE(w.KeyExists(HKEY_LOCAL_MACHINE, MachineProductKey(packed)));
        EXPECT_EQ(w.ResultOf(L"RegDeleteTreeW(HKCR, Installer\\Products\\" + std::wstring(packed) + L")"),
                  ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(w.ResultOf(L"RegDeleteTreeW(HKLM, " + wow + L"Classes\\Installer\\Products\\" + packed + L")"),
                  ERROR_FILE_NOT_FOUND);
    }
}

// 0, 1605, 1603 and 3010 lead to the same calls and the same end state. Two 1618s in a row
// (the installer busy with another installation) keep each product's registrations and the
// folder, and only those.
TEST_P(SharedPass, InstallFolderGoesAfterTheInstallerHasEndedWhateverItsExitCode) {
    std::vector<std::wstring> firstLog, firstKeys;
    for (DWORD exitCode : {0u, 1605u, 1603u, 3010u, 1618u}) {
        SimWindows w(GetParam());
        InstallShared(w, true, kShared);
        CInstallCleaner cleaner = AfterLanguagePass(w, TRUE);
        w.exitCode = exitCode;
        if (exitCode == ERROR_INSTALL_ALREADY_RUNNING) {  // each tried twice; four keys of each product stay
            EXPECT_TRUE(cleaner.CleanShared(TRUE));
            EXPECT_TRUE(w.Exists(std::wstring(kShared) + L"\\bin\\varno.exe"));
            EXPECT_TRUE(w.KeyExists(HKEY_CURRENT_USER, std::wstring(L"SOFTWARE\\Wow6432Node\\") + kFirstUninstall));
            EXPECT_TRUE(w.KeyExists(HKEY_LOCAL_MACHINE, MachineProductKey(kFirstSharedPackedCode) + L"\\SourceList"));
            EXPECT_EQ(w.AllKeys().size(), firstKeys.size() + 8);
            continue;
        }
        bool folderPresentAtExit = false;
        w.onProcessExit = [&](const Launch&) { folderPresentAtExit = w.Exists(std::wstring(kShared) + L"\\bin\\varno.exe"); };
        EXPECT_TRUE(cleaner.CleanShared(TRUE));
        SCOPED_TRACE(exitCode);
        EXPECT_EQ(w.launches.back().exitCode, exitCode);
        EXPECT_TRUE(folderPresentAtExit);
        EXPECT_FALSE(w.Exists(kShared));
        EXPECT_EQ(w.Calls({L"SetFileInformationByHandle"}).back(), std::wstring(L"SetFileInformationByHandle(\\\\?\\") + kShared + L", 4)");
        if (firstLog.empty()) {
            firstLog = w.log, firstKeys = w.AllKeys();
            continue;
        }
        EXPECT_EQ(Joined(w.log), Joined(firstLog));
        EXPECT_EQ(w.AllKeys(), firstKeys);
    }
}

TEST_P(SharedPass, On64BitSystemWith64BitChoiceEveryPathIsPlain) {
    SimWindows w(GetParam());
    InstallShared(w, false, kShared);
    // A 32-bit copy of the version key with the same children: only the 64-bit one goes.
    const std::wstring wowVersion = L"SOFTWARE\\Wow6432Node\\TORVEN\\VARNO\\2017";
    w.SetString(HKEY_LOCAL_MACHINE, wowVersion + L"\\Common\\Paths", L"Root", L"C:\\Apps32");
    CInstallCleaner cleaner = AfterLanguagePass(w, FALSE);
    cleaner.CleanShared(FALSE);
    EXPECT_TRUE(w.KeyExists(HKEY_LOCAL_MACHINE, wowVersion + L"\\Common\\Paths"));
    for (const std::wstring& call : w.log) EXPECT_EQ(call.find(L"Wow6432Node"), std::wstring::npos) << call;
    for (const std::wstring& call : w.Calls({L"RegDeleteKeyExW"})) EXPECT_NE(call.find(L", 0x100, 0)"), std::wstring::npos);
    const auto opens = w.Calls({L"RegOpenKeyExW"});
    EXPECT_NE(opens.front().find(L", 0, 0x101)"), std::wstring::npos) << opens.front();
    EXPECT_NE(opens.back().find(L", 0, 0xf013f)"), std::wstring::npos) << opens.back();
    EXPECT_FALSE(w.KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TORVEN\\VARNO\\2017"));
    EXPECT_FALSE(w.KeyExists(HKEY_CURRENT_USER, std::wstring(L"SOFTWARE\\") + kSecondUninstall));
    for (const std::wstring& code : {std::wstring(kFirstSharedProductCode), std::wstring(kSecondSharedProductCode)})
        EXPECT_FALSE(w.KeyExists(HKEY_LOCAL_MACHINE, MachineProductKey(PackProductCode(code))));
}

TEST_P(SharedPass, On32BitSystemTheChoiceMakesNoDifference) {
    for (BOOL use32 : {TRUE, FALSE}) {
        SimWindows w(GetParam());
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

TEST_P(SharedPass, NothingInstalledLaunchesOnceAndStillReturnsTrue) {
    SimWindows w(GetParam());
    CInstallCleaner cleaner = AfterLanguagePass(w, TRUE);
    w.launches.clear();
    EXPECT_TRUE(cleaner.CleanShared(TRUE));
    ASSERT_EQ(w.launches.size(), 1u);
    EXPECT_NE(w.launches[0].parameters.find(L"{5E3B9D14-A001-0000-A001-C3E1F06A7B52}"), std::wstring::npos);
    EXPECT_TRUE(w.Calls({L"FindFirstFileW", L"RemoveDirectoryW"}).empty());
}

TEST_P(SharedPass, RemovesTheNamedFolderItselfButNeverAnUnsafeOne) {
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
        SimWindows w(GetParam());
        InstallShared(w, true, c.location);
        w.AddFile(L"C:\\Windows\\system32\\kernel32.dll");
        w.AddFile(L"C:\\Users\\tech\\Documents\\thesis.doc");
        CInstallCleaner cleaner = AfterLanguagePass(w, TRUE);
        cleaner.CleanShared(TRUE);
        SCOPED_TRACE(testing::Message() << std::string(c.location, c.location + wcslen(c.location)));
        EXPECT_EQ(!w.Exists(std::wstring(c.location) + L"\\bin\\varno.exe"), c.removed);
        if (!c.removed) {
            for (const std::wstring& call : w.Calls({L"FindFirstFileW", L"CreateFileW", L"DeleteFileW", L"RemoveDirectoryW"}))
                EXPECT_NE(call.find(L"C:\\Windows\\Installer"), std::wstring::npos) << call;  // the installer's folder only
        }
        EXPECT_TRUE(w.Exists(L"C:\\Windows\\system32\\kernel32.dll"));
        EXPECT_TRUE(w.Exists(L"C:\\Users\\tech\\Documents\\thesis.doc"));
        // The registry steps run whatever the folder was.
        EXPECT_FALSE(w.KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\TORVEN\\VARNO\\2017"));
        EXPECT_EQ(w.launches.size(), 3u);  // the edition, and both shared products
    }
}

TEST_P(SharedPass, VendorVersionKeyWithSubkeysAndValuesGoesCompletely) {
    SimWindows w(GetParam());
    InstallShared(w, true, kShared);
    AddBystanders(w, true, L"C:\\Apps");
    CInstallCleaner cleaner = AfterLanguagePass(w, TRUE);
    cleaner.CleanShared(TRUE);
    for (const std::wstring& key : w.AllKeys()) EXPECT_EQ(key.find(L"\\2017"), std::wstring::npos) << key;
    EXPECT_TRUE(w.KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\TORVEN\\VARNO\\2018\\en-US"));
    EXPECT_TRUE(w.KeyExists(HKEY_CURRENT_USER, L"Software\\TORVEN\\VARNO\\2018"));
}

}  // namespace

namespace {

// A whole cleanup, every edition and then the shared pass, on a system with both a 32-bit
// and a 64-bit installation: for either choice the registry ends the same whether a
// handle's children resolve in its view or in the process's view.
TEST(WholeCleanup, EndsAlikeWhereverAHandlesChildrenResolve) {
    for (BOOL use32 : {TRUE, FALSE}) {
        std::vector<std::wstring> keys[2];
        for (HandleChildren children : {HandleChildren::InHandleView, HandleChildren::InProcessView}) {
            SimWindows w(children);
            for (bool wow : {true, false}) {
                for (int row = kFirstEditionRow; row <= kLastEditionRow; ++row) InstallEdition(w, row, wow, L"C:\\V");
                InstallShared(w, wow, L"C:\\V\\Shared");
                AddBystanders(w, wow, L"C:\\V");
            }
            CInstallCleaner cleaner(w);
            for (int row = kFirstEditionRow; row <= kLastEditionRow; ++row) cleaner.CleanLanguage(row, use32);
            cleaner.CleanShared(use32);
            EXPECT_EQ(w.OpenHandleCount(), 0u);
            keys[children == HandleChildren::InProcessView] = w.AllKeys();
        }
        SCOPED_TRACE(use32);
        EXPECT_EQ(keys[0], keys[1]);
        // The installation of the other choice keeps its vendor keys.
        const std::wstring kept = use32 ? L"HKLM\\SOFTWARE\\TORVEN\\VARNO\\2017\\COMMON\\PATHS"
                                        : L"HKLM\\SOFTWARE\\WOW6432NODE\\TORVEN\\VARNO\\2017\\COMMON\\PATHS";
        EXPECT_NE(std::find(keys[0].begin(), keys[0].end(), kept), keys[0].end());
    }
}

}  // namespace

namespace {

// With the desktop shell owned by another account, every per-user deletion of a cleanup is
// made in that account's hive too, in the same order, and HKEY_CURRENT_USER's stay as they
// are. No shell, a shell of the running account, or a hive that cannot be opened: no more.
// The owner is told by the process list (the shell listed after other accounts'
// processes), without opening the shell's process (refused).
TEST(PersonAtThePc, PerUserKeysGoFromTheShellOwnersHiveToo) {
    const std::wstring other = L"S-1-5-21-7-8-9-1002";
    const std::wstring uninstall = std::wstring(L"\\SOFTWARE\\Wow6432Node\\") + kFirstUninstall;
    struct Case {
        std::wstring owner;
        bool denied, emptied;
    };
    const Case cases[] = {{L"", false, false}, {SimWindows::kRunningAccount, false, false}, {other, false, true},
                          {other, true, false}};
    std::vector<std::wstring> withoutShell;
    for (const Case& c : cases) {
        SimWindows w;
        InstallEdition(w, 1, true, L"C:\\V");
        InstallShared(w, true, L"C:\\V\\Shared");
        for (const std::wstring key : {L"\\Software\\TORVEN\\VARNO\\2017\\en-US\\Recent", L"\\Software\\TORVEN\\VARNO\\2018",
                                       L"\\Software\\TORVEN\\VARNO\\2017\\Profiles", uninstall.c_str()})
            w.AddKey(HKEY_USERS, other + key);
        w.SetShellOwner(c.owner);
        if (c.denied) w.DenyAccess(HKEY_USERS, other);
        CInstallCleaner cleaner(w);
        cleaner.CleanLanguage(1, TRUE);
        cleaner.CleanShared(TRUE);
        // The deletions under each user root, each without its root.
        std::vector<std::wstring> current, hive, hives;
        for (const std::wstring& call : w.log) {
            const size_t open = call.find(L"(HKU, ");
            if (open != std::wstring::npos && call.find(L" -> ") != std::wstring::npos) hives.push_back(call.substr(call.find(L" -> ") + 4));
            for (const std::wstring& root : hives)
                if (call.find(L"(" + root + L", ") != std::wstring::npos) hive.push_back(call.substr(call.find(L", ")));
            if (call.find(L"(HKCU, ") != std::wstring::npos) current.push_back(call.substr(call.find(L", ")));
        }
        SCOPED_TRACE(testing::Message() << std::string(c.owner.begin(), c.owner.end()) << (c.denied ? " denied" : ""));
        if (withoutShell.empty()) withoutShell = current;
        EXPECT_EQ(Joined(current), Joined(withoutShell));
        EXPECT_EQ(Joined(hive), c.emptied ? Joined(current) : L"");
        EXPECT_EQ(w.KeyExists(HKEY_USERS, other + L"\\Software\\TORVEN\\VARNO\\2017"), !c.emptied);
        EXPECT_EQ(w.KeyExists(HKEY_USERS, other + uninstall), !c.emptied);
        EXPECT_TRUE(w.KeyExists(HKEY_USERS, other + L"\\Software\\TORVEN\\VARNO\\2018"));
        EXPECT_EQ(w.OpenHandleCount(), 0u);
    }
}

}  // namespace

namespace {

// Names that lead elsewhere than they read: a drive letter substituted onto the profile, a
// junction above, a share back to this computer, an administrative share, and below a real
// install location a junction, to the Windows folder or elsewhere. Each pass judges the folder where it
// really is and reaches nothing else; product folders behind other names still go, but no
// share does while this PC's own volumes cannot be listed.
TEST(AliasedInstallLocations, AreJudgedWhereTheyReallyAre) {
    struct Case {
        const wchar_t* location;
        bool languagePass;
        const wchar_t* realFolder;  // where the product's files really are
        bool removed;
        const wchar_t* support = nullptr;  // what the install folder's Support is made a junction to
        UINT systemDrive = DRIVE_FIXED;    // the kind of volume C: is; not fixed, it refuses no share
        const wchar_t* failing = nullptr;  // a call that fails throughout
    };
    const Case cases[] = {
        {L"W:\\Desktop", false, L"C:\\Users\\tech\\Desktop", false},
        {L"W:\\Desktop", true, L"C:\\Users\\tech\\Desktop", false},
        {L"C:\\Apps\\Home\\Documents", false, L"C:\\Users\\tech\\Documents", false},
        {L"C:\\Apps\\Home\\Documents", true, L"C:\\Users\\tech\\Documents", false},
        {L"\\\\PC\\Users\\tech\\Desktop", false, L"C:\\Users\\tech\\Desktop", false},
        {L"\\\\PC\\Users\\tech\\Desktop", true, L"C:\\Users\\tech\\Desktop", false},
        {L"\\\\PC\\C$\\Apps\\VARNO", false, L"C:\\Apps\\VARNO", false},
        {L"C:\\Apps\\VARNO", true, L"C:\\Apps\\VARNO", true, L"C:\\Windows"},
        {L"C:\\Apps\\VARNO", true, L"C:\\Apps\\VARNO", true, L"D:\\Other"},
        {L"\\\\PC\\CAD\\VARNO 2017", false, L"D:\\CAD\\VARNO 2017", false},  // a share of this PC's fixed D:
        {L"\\\\PC\\C$\\Apps\\VARNO", false, L"C:\\Apps\\VARNO", false, nullptr, DRIVE_REMOVABLE},
        {L"\\\\PC\\Users\\tech\\Documents\\VARNO", false, L"C:\\Users\\tech\\Documents\\VARNO", false, nullptr, DRIVE_REMOVABLE},
        {L"\\\\PC\\Users\\VARNO", false, L"C:\\Users\\VARNO", false, nullptr, DRIVE_REMOVABLE},  // the share is the profiles folder
        {L"\\\\PC\\Apps\\VARNO", false, L"C:\\Apps\\VARNO", false},  // C:, listed first, is this PC's
        {L"V:\\VARNO 2017", false, L"D:\\CAD\\VARNO 2017", true},
        {L"V:\\VARNO 2017", true, L"D:\\CAD\\VARNO 2017", true},
        {L"\\\\FILER\\Apps\\VARNO 2017", false, L"F:\\Apps\\VARNO 2017", true},
        {L"\\\\FILER\\Apps\\VARNO 2017", true, L"F:\\Apps\\VARNO 2017", true},
        {L"\\\\FILER\\Apps\\VARNO 2017", false, L"F:\\Apps\\VARNO 2017", false, nullptr, DRIVE_FIXED, L"FindFirstVolumeW"},  // this PC's volumes untold
    };
    for (const Case& c : cases) {
        SimWindows w;
        for (const wchar_t* kept : {L"C:\\Windows\\en-US\\kernel.mui", L"C:\\Users\\tech\\AppData\\Local\\x", L"D:\\Other\\en-US\\k"})
            w.AddFile(kept);
        w.AddAlias(L"W:", L"C:\\Users\\tech");
        w.AddAlias(L"V:", L"D:\\CAD");
        w.AddLink(L"C:\\Apps\\Home", L"C:\\Users\\tech");
        w.AddAlias(L"\\\\PC\\Users", L"C:\\Users");
        w.AddAlias(L"\\\\PC\\C$", L"C:\\");
        w.AddFolder(L"F:\\Apps");
        w.AddAlias(L"\\\\FILER\\Apps", L"F:\\Apps");
        w.AddAlias(L"\\\\PC\\CAD", L"D:\\CAD");
        w.AddAlias(L"\\\\PC\\Apps", L"C:\\Apps");
        w.SetDriveType(L'C', c.systemDrive);
        const std::wstring uninstall = std::wstring(L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{") +
                                       (c.languagePass ? EditionProductCode(g_languageTable[1]) : kFirstSharedProductCode) + L"}";
        if (c.languagePass) InstallEdition(w, 1, true, c.realFolder);
        else InstallShared(w, true, c.realFolder);
        w.SetString(HKEY_LOCAL_MACHINE, uninstall, L"InstallLocation", c.location);
        if (c.support) w.MakeLinkInPlace(L"C:\\Apps\\VARNO\\Support", c.support);
        if (c.failing) w.FailEvery(c.failing);
        CInstallCleaner cleaner(w);
        cleaner.m_bIs64BitSystem = TRUE;
        c.languagePass ? cleaner.CleanLanguage(1, TRUE) : cleaner.CleanShared(TRUE);
        SCOPED_TRACE(testing::Message() << std::string(c.location, c.location + wcslen(c.location)) << (c.languagePass ? " language" : " shared"));
        const std::wstring gone = std::wstring(c.realFolder) + (c.languagePass ? L"\\en-US\\readme.txt" : L"\\bin\\varno.exe");
        EXPECT_EQ(!w.Exists(gone), c.removed);
        if (!c.removed) {
            EXPECT_TRUE(w.Calls({L"NtCreateFile", L"SetFileInformationByHandle"}).empty());
        }
        for (const wchar_t* kept : {L"C:\\Windows\\en-US\\kernel.mui", L"C:\\Users\\tech\\AppData\\Local\\x", L"D:\\Other\\en-US\\k"})
            EXPECT_TRUE(w.Exists(kept));
        EXPECT_EQ(w.OpenHandleCount(), 0u);
    }
}

}  // namespace
