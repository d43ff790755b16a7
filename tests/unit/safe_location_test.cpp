#include <gtest/gtest.h>

#include <shlobj.h>

#include <cwchar>

#include "safe_location.h"
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
          L"C:\\ProgramData\\TORVEN\\VARNO"})
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
        L"C:\\VAR*NO", L"C:\\VARNO\\a:b", L"C:\\VARNO\x01"};
    for (const wchar_t* location : refused)
        EXPECT_FALSE(IsRemovableInstallLocation(location, windows)) << std::string(location, location + wcslen(location));
}

TEST(InstallLocationSafety, ProtectedFoldersAreAskedFromTheSystem) {
    SimWindows windows;
    windows.SetKnownFolder(CSIDL_WINDOWS, L"E:\\WinNT");
    EXPECT_FALSE(IsRemovableInstallLocation(L"E:\\WinNT", windows));
    EXPECT_TRUE(IsRemovableInstallLocation(L"C:\\Windows\\VARNO-not-protected-here", windows));
    EXPECT_FALSE(windows.Calls({L"SHGetFolderPathW"}).empty());
    EXPECT_EQ(windows.Calls({L"GetEnvironmentVariableW"}).front(), L"GetEnvironmentVariableW(ProgramW6432)");
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
}

TEST(CanonicalFolderPath, FoldsCaseAndOneTrailingSeparator) {
    EXPECT_EQ(CanonicalFolderPath(L"c:\\Apps\\Varno\\"), L"C:\\APPS\\VARNO");
    EXPECT_EQ(CanonicalFolderPath(L"\\\\Srv\\Share\\Dir"), L"\\\\SRV\\SHARE\\DIR");
    EXPECT_EQ(CanonicalFolderPath(L"C:\\Apps\\\\"), L"");
}

}  // namespace
