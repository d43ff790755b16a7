// Runs a whole cleanup through the real Windows implementation, as the CleanUp command does
// after the user confirms: the fifteen language passes in row order, then the shared pass.
//   velmora_cleanup_driver.exe 32|64     the user's choice of installation (default 32)
// It watches the run from the seam and prints what it saw; the exit status is 1 when a
// registry key was deleted while an installer it started was still running.
#include <cstdio>
#include <cwchar>
#include <vector>

#include "catalog/language_table.h"
#include "passes/install_cleaner.h"
#include "windows/real_windows.h"

namespace {

class WatchingWindows : public velmora::RealWindows {
public:
    BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) override {
        const BOOL started = RealWindows::ShellExecuteExW(info);
        ++launches;
        if (started && info->hProcess) {
            HANDLE copy = nullptr;
            ::DuplicateHandle(::GetCurrentProcess(), info->hProcess, ::GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
            installers.push_back(copy);
        }
        return started;
    }
    LONG RegDeleteTreeW(HKEY key, LPCWSTR subKey) override {
        CountDeletion();
        return RealWindows::RegDeleteTreeW(key, subKey);
    }
    LONG RegDeleteKeyExW(HKEY root, LPCWSTR subKey, REGSAM view, DWORD reserved) override {
        CountDeletion();
        return RealWindows::RegDeleteKeyExW(root, subKey, view, reserved);
    }

    int launches = 0;
    int deletions = 0;
    int deletionsWhileInstalling = 0;
    std::vector<HANDLE> installers;

private:
    void CountDeletion() {
        ++deletions;
        for (HANDLE installer : installers)
            if (::WaitForSingleObject(installer, 0) != WAIT_OBJECT_0) ++deletionsWhileInstalling;
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const BOOL use32BitView = !(argc > 1 && std::wcscmp(argv[1], L"64") == 0);
    WatchingWindows windows;
    CInstallCleaner cleaner(windows);
    const DWORD start = ::GetTickCount();
    for (int row = kFirstEditionRow; row <= kLastEditionRow; ++row) cleaner.CleanLanguage(row, use32BitView);
    cleaner.CleanShared(use32BitView);
    const DWORD elapsed = ::GetTickCount() - start;

    std::printf("cleanup: choice=%s is64=%d installers=%d deletions=%d deletions-while-installing=%d ms=%lu\n",
                use32BitView ? "32" : "64", cleaner.m_bIs64BitSystem, windows.launches, windows.deletions,
                windows.deletionsWhileInstalling, static_cast<unsigned long>(elapsed));
    for (HANDLE installer : windows.installers) ::CloseHandle(installer);
    return windows.deletionsWhileInstalling == 0 ? 0 : 1;
}
