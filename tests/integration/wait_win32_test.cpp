#include <gtest/gtest.h>

#include <thread>

#include "passes/pass_steps.h"
#include "system/system_services.h"
#include "unique_handle.h"

namespace {

int g_received = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) ++g_received;
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// A hidden window of this thread whose messages the pump must deliver.
HWND MakeCountingWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = CountingProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VelmoraWaitTest";
    ::RegisterClassW(&windowClass);
    return ::CreateWindowExW(0, L"VelmoraWaitTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             windowClass.hInstance, nullptr);
}

HANDLE StartSleeper(const wchar_t* parameters) {
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring program = std::wstring(system) + L"\\cmd.exe";
    SHELLEXECUTEINFOW launch{};
    launch.cbSize = sizeof(launch);
    launch.fMask = SEE_MASK_NOCLOSEPROCESS;
    launch.lpFile = program.c_str();
    launch.lpParameters = parameters;
    launch.nShow = SW_HIDE;
    ::ShellExecuteExW(&launch);
    return launch.hProcess;
}

TEST(WaitWin32, WaitsForTheProcessAndDispatchesMessagesMeanwhile) {
    HWND window = MakeCountingWindow();
    ASSERT_NE(window, nullptr);
    velmora::UniqueProcess process(velmora::SystemWindows(), StartSleeper(L"/c ping -n 2 127.0.0.1 >nul"));
    ASSERT_TRUE(process);
    g_received = 0;
    for (int i = 0; i < 100; ++i) ::PostMessageW(window, WM_APP, i, 0);
    WaitWithMessagePump(process.get());
    EXPECT_EQ(::WaitForSingleObject(process.get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(g_received, 100);
    ::DestroyWindow(window);
}

TEST(WaitWin32, NullHandleDispatchesWhatIsQueuedAndReturns) {
    HWND window = MakeCountingWindow();
    g_received = 0;
    ::PostMessageW(window, WM_APP, 0, 0);
    WaitWithMessagePump(nullptr);
    EXPECT_EQ(g_received, 1);
    ::DestroyWindow(window);
}

// While another thread owns the installer's mutex the wait lasts, dispatching messages,
// and it ends once the mutex is released, long before its own limit, leaving it free.
TEST(WaitWin32, InstallerWaitLastsUntilTheInstallerMutexIsReleased) {
    HANDLE owned = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD released = 0;
    bool ours = false;  // the mutex made here, not the Windows Installer's own
    std::thread installer([owned, &released, &ours] {
        HANDLE mutex = ::CreateMutexW(nullptr, TRUE, L"Global\\_MSIExecute");
        ours = ::GetLastError() != ERROR_ALREADY_EXISTS;
        ::SetEvent(owned);
        ::Sleep(2000);
        released = ::GetTickCount();
        ::ReleaseMutex(mutex);
        ::CloseHandle(mutex);
    });
    ::WaitForSingleObject(owned, INFINITE);
    if (!ours) {
        installer.join();
        GTEST_SKIP() << "the Windows Installer runs an installation now";
    }
    HANDLE kept = ::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, L"Global\\_MSIExecute");  // keeps the mutex in being
    HWND window = MakeCountingWindow();
    g_received = 0;
    for (int i = 0; i < 100; ++i) ::PostMessageW(window, WM_APP, i, 0);
    const DWORD start = ::GetTickCount();
    bool stuck = false;
    EXPECT_TRUE(velmora::WaitForInstallerIdle(velmora::SystemWindows(), stuck));
    const DWORD end = ::GetTickCount();
    installer.join();
    DWORD taken = WAIT_FAILED;
    std::thread([&] { taken = ::WaitForSingleObject(kept, 0), ::ReleaseMutex(kept); }).join();
    EXPECT_EQ(taken, WAIT_OBJECT_0);
    ::CloseHandle(kept);
    // Measured at the release, so that a slow start of this thread is no wait cut short.
    EXPECT_LE(end - start, 30000u);
    EXPECT_GE(static_cast<LONG>(end - released), 0);
    EXPECT_EQ(g_received, 100);
    ::CloseHandle(owned);
    ::DestroyWindow(window);
}

}  // namespace
