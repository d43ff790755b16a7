#include <gtest/gtest.h>
#include <process.h>

#include "test_folder.h"

namespace {

// The planted-DLL scenario's fake userenv.dll (this build's architecture) beside a copy of
// the probe, as in a Downloads folder: the probe reaching userenv.dll's function as the
// product does, and loading it by name after start-up's limit. Loaded, the fake leaves a
// marker. The fake lies in "planted" beside this program in the Windows kit, and in the
// build tree below tests\gui.
TEST(SystemLibraryWin32, AFakeUserenvBesideTheProgramIsNotLoaded) {
    wchar_t self[MAX_PATH] = {};
    const std::wstring built(self, ::GetModuleFileNameW(nullptr, self, MAX_PATH));
    const std::wstring folder = built.substr(0, built.find_last_of(L'\\') + 1);
    std::wstring fake = folder + L"planted\\userenv.dll";
    if (::GetFileAttributesW(fake.c_str()) == INVALID_FILE_ATTRIBUTES) fake = folder + L"..\\gui\\planted\\userenv.dll";
    for (const std::wstring& needed : {fake, folder + L"velmora_dll_probe.exe"})
        if (::GetFileAttributesW(needed.c_str()) == INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "not beside this program: " << std::string(needed.begin(), needed.end());
    for (const wchar_t* how : {L"system-function", static_cast<const wchar_t*>(nullptr)}) {
        velmora::testenv::ScratchFolder downloads;
        const std::wstring copy = downloads.Plain() + L"\\velmora_dll_probe.exe";
        ASSERT_TRUE(::CopyFileW((folder + L"velmora_dll_probe.exe").c_str(), copy.c_str(), TRUE));
        ASSERT_TRUE(::CopyFileW(fake.c_str(), (downloads.Plain() + L"\\userenv.dll").c_str(), TRUE));
        EXPECT_EQ(_wspawnl(_P_WAIT, copy.c_str(), copy.c_str(), how, nullptr), 0) << (how ? "system-function" : "by name");
        EXPECT_FALSE(downloads.Exists(L"userenv.dll.loaded")) << (how ? "system-function" : "by name");
    }
}

}  // namespace
