#include <gtest/gtest.h>

#include <shlobj.h>

#include <cwchar>

#include "folders/safe_location.h"
#include "sim_windows.h"

using velmora::CanonicalFolderPath;
using velmora::IsRemovableInstallLocation;
using velmora::sim::SimWindows;

namespace {

TEST(InstallLocationSafety, ProductFoldersMayBeRemoved) {
    SimWindows windows;
    for (const wchar_t* location :
         {L"C:\\Program Files (x86)\\TORVEN\\VARNO 2017", L"C:\\Program Files\\TORVEN\\VARNO 2017\\",
          L"D:\\Apps\\VARNO", L"\\\\server\\share\\VARNO 2017", L"C:\\Users\\tech\\Documents\\VARNO",
          L"C:\\ProgramData\\TORVEN\\VARNO", L"C:\\Program Files\\VARNO\\VARNO 2017\\", L"D:\\CAD\\VARNO 2017",
          // Per-user installs below another account's protected data folders.
          L"C:\\Users\\alice\\AppData\\Local\\VARNO\\VARNO 2017", L"C:\\Users\\alice\\Documents\\VARNO",
          L"C:\\Users\\alice\\Tools\\VARNO", L"C:\\ProgramData\\Microsoft Shared VARNO"})
        EXPECT_TRUE(IsRemovableInstallLocation(location, windows)) << std::string(location, location + wcslen(location));
}

TEST(InstallLocationSafety, UnsafeLocationsAreRefused) {
    SimWindows windows;
    const wchar_t* refused[] = {
        L"", L"C:\\", L"C:", L"C:X", L".", L"..", L"relative\\dir", L"\\VARNO", L"\\\\server\\share",
        L"\\\\server\\share\\", L"\\\\server", L"\\\\.\\C:\\VARNO", L"\\\\?\\C:\\VARNO", L"\\??\\C:\\VARNO",
        L"C:\\Program Files\\", L"C:\\Program Files", L"C:\\PROGRAM FILES (X86)", L"C:\\Program Files\\TORVEN\\..\\..",
        L"C:\\VARNO\\.\\x", L"C:\\Windows", L"c:\\windows\\System32", L"C:\\Windows\\SysWOW64", L"C:\\ProgramData",
        L"C:\\Users", L"C:\\Users\\tech", L"C:\\Users\\tech\\AppData", L"C:\\Users\\tech\\AppData\\Local",
        L"C:\\Users\\tech\\Documents", L"C:\\Users\\Public", L"C:\\Program Files\\Common Files",
        L"C:\\Windows.", L"C:\\Windows \\", L"C:\\PROGRA~1", L"C:\\Program Files/TORVEN", L"C:\\VARNO\\\\x",
        L"C:\\VAR*NO", L"C:\\VARNO\\a:b", L"C:\\VARNO\x01",
        // Below the system's own trees and Windows' data in ProgramData.
        L"C:\\Windows\\Fonts", L"C:\\Windows\\System32\\DriverStore", L"C:\\WINDOWS\\SysWOW64\\drivers\\etc",
        L"C:\\ProgramData\\Microsoft", L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu",
        // The profiles folder holds every account's profile, Default and Public among them.
        L"C:\\Users\\Default", L"C:\\Users\\alice\\", L"C:\\Users\\Default User",
        // Another account's data folders, where the running account keeps its own.
        L"C:\\Users\\alice\\Desktop", L"C:\\Users\\alice\\Documents", L"C:\\Users\\alice\\AppData",
        L"C:\\Users\\alice\\Downloads", L"C:\\Users\\alice\\Pictures", L"C:\\Users\\alice\\Music", L"C:\\Users\\alice\\Videos",
        L"C:\\Users\\alice\\AppData\\Roaming", L"C:\\Users\\Default\\AppData\\Local"};
    for (const wchar_t* location : refused)
        EXPECT_FALSE(IsRemovableInstallLocation(location, windows)) << std::string(location, location + wcslen(location));
}

TEST(InstallLocationSafety, ProtectedFoldersAreAskedFromTheSystem) {
    SimWindows windows;
    windows.SetKnownFolder(CSIDL_WINDOWS, L"E:\\WinNT");
    EXPECT_FALSE(IsRemovableInstallLocation(L"E:\\WinNT", windows));
    EXPECT_FALSE(IsRemovableInstallLocation(L"E:\\WinNT\\Fonts", windows));
    EXPECT_TRUE(IsRemovableInstallLocation(L"C:\\Windows\\VARNO-not-protected-here", windows));
    EXPECT_FALSE(windows.Calls({L"SHGetFolderPathW"}).empty());
    EXPECT_EQ(windows.Calls({L"GetEnvironmentVariableW"}).front(), L"GetEnvironmentVariableW(ProgramW6432)");

    // Profiles live where the system reports them and beside the running account's own;
    // the data folders are those the running account has, at the same place in its profile.
    windows.SetProfilesDirectory(L"D:\\Profiles");
    windows.SetKnownFolder(CSIDL_PROFILE, L"E:\\Home\\tech");
    windows.SetKnownFolder(CSIDL_PERSONAL, L"E:\\Home\\tech\\My Files");
    // The usual data folders keep their default names' protection in every profile as well.
    for (const wchar_t* refused : {L"D:\\Profiles", L"D:\\Profiles\\alice", L"D:\\Profiles\\alice\\My Files",
                                   L"E:\\Home\\bob", L"E:\\Home\\bob\\My Files", L"D:\\Profiles\\alice\\Documents",
                                   L"D:\\Profiles\\alice\\AppData\\LocalLow", L"E:\\Home\\bob\\OneDrive"})
        EXPECT_FALSE(IsRemovableInstallLocation(refused, windows)) << std::string(refused, refused + wcslen(refused));
    for (const wchar_t* allowed : {L"C:\\Users\\alice", L"D:\\Profiles\\alice\\Documents\\VARNO", L"D:\\Profiles\\alice\\My Files\\VARNO"})
        EXPECT_TRUE(IsRemovableInstallLocation(allowed, windows)) << std::string(allowed, allowed + wcslen(allowed));
}

TEST(InstallLocationSafety, NativeProgramFilesIsProtectedFromA32BitProgram) {
    SimWindows windows;  // CSIDL_PROGRAM_FILES answers the x86 folder, as it does for a 32-bit program
    EXPECT_FALSE(IsRemovableInstallLocation(L"C:\\Program Files", windows));
    windows.SetEnvironment(L"ProgramW6432", L"F:\\Native Programs");
    EXPECT_FALSE(IsRemovableInstallLocation(L"F:\\Native Programs", windows));
    EXPECT_FALSE(IsRemovableInstallLocation(L"F:\\", windows));
}

TEST(InstallLocationSafety, NothingIsRemovableWhenTheSystemWillNotNameTheWindowsFolder) {
    SimWindows windows;
    windows.RemoveKnownFolder(CSIDL_WINDOWS);
    EXPECT_FALSE(IsRemovableInstallLocation(L"C:\\Apps\\VARNO", windows));

    // Nor when it names no profiles folder and no profile: any folder could be a profile.
    SimWindows noProfiles;
    noProfiles.SetProfilesDirectory(L"");
    EXPECT_TRUE(IsRemovableInstallLocation(L"C:\\Apps\\VARNO", noProfiles));
    noProfiles.RemoveKnownFolder(CSIDL_PROFILE);
    EXPECT_FALSE(IsRemovableInstallLocation(L"C:\\Apps\\VARNO", noProfiles));
}

TEST(CanonicalFolderPath, FoldsCaseAndOneTrailingSeparator) {
    EXPECT_EQ(CanonicalFolderPath(L"c:\\Apps\\Varno\\"), L"C:\\APPS\\VARNO");
    EXPECT_EQ(CanonicalFolderPath(L"\\\\Srv\\Share\\Dir"), L"\\\\SRV\\SHARE\\DIR");
    EXPECT_EQ(CanonicalFolderPath(L"C:\\Apps\\\\"), L"");
}

}  // namespace
