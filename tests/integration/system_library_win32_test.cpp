#include <gtest/gtest.h>
#include <process.h>

#include "test_folder.h"

namespace {

// The planted-DLL scenario's fake userenv.dll beside a copy of a program, as in a Downloads
// folder: this program running the case that reaches SystemFunction for userenv.dll, and the
// probe, which loads it by name after start-up's limit. Loaded, the fake leaves a marker.
TEST(SystemLibraryWin32, AFakeUserenvBesideTheProgramIsNotLoaded) {
    if (!_wgetenv(L"VELMORA_LINK_FIXTURE")) GTEST_SKIP() << "the test command did not map the drive letters";
    wchar_t self[MAX_PATH] = {};
    const std::wstring built(self, ::GetModuleFileNameW(nullptr, self, MAX_PATH));
    const std::wstring folder = built.substr(0, built.find_last_of(L'\\') + 1);
    const std::pair<std::wstring, const wchar_t*> programs[] = {
        {built.substr(folder.size()), L"--gtest_filter=FolderTreeWin32.SharedPassJudgesAnInstallLocationWhereItReallyIs"},
        {L"velmora_dll_probe.exe", nullptr}};
    for (const auto& program : programs) {
        velmora::testenv::ScratchFolder downloads;
        const std::wstring copy = downloads.Plain() + L"\\" + program.first;
        ASSERT_TRUE(::CopyFileW((folder + program.first).c_str(), copy.c_str(), TRUE));
        ASSERT_TRUE(::CopyFileW((folder + L"..\\gui\\planted\\userenv.dll").c_str(), (downloads.Plain() + L"\\userenv.dll").c_str(), TRUE));
        EXPECT_EQ(_wspawnl(_P_WAIT, copy.c_str(), copy.c_str(), program.second, nullptr), 0) << copy.c_str();
        EXPECT_FALSE(downloads.Exists(L"userenv.dll.loaded")) << copy.c_str();
    }
}

}  // namespace
