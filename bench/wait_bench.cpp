// CPU cost of waiting for a child process while window messages arrive:
//   velmora_bench_wait.exe pump|lean|paced|plain [messages]
//     pump    WaitWithMessagePump, as the cleanup waits for each installer
//     lean    the fewest calls that still dispatch each message as it arrives (one wait,
//             one PeekMessageW per message; MWMO_INPUTAVAILABLE makes the wait return at
//             once while anything is left in the queue)
//     paced   empties the queue as the pump does, then waits on the process alone for up
//             to 30 ms before it looks at the queue again: messages are dispatched in
//             batches, each at most 30 ms late
//     plain   WaitForSingleObject: a thread that only sleeps and dispatches nothing while it
//             waits, so the process's CPU time is what the posting thread costs
// The child is "cmd /c ping -n 6 127.0.0.1" (about five seconds). A second thread posts the
// messages (default 1000) to a hidden window of the waiting thread, spread evenly over the
// first four seconds. Prints the CPU time of the whole process and of the waiting thread
// during the wait, the wall time, and how many messages were dispatched during the wait.
#include <process.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <cstdlib>
#include <string>

#include "bench_support.h"
#include "system/system_services.h"
#include "windows/system_library.h"

using namespace velmora_bench;

namespace {

constexpr UINT kBenchMessage = WM_APP + 7;
constexpr double kSpreadMilliseconds = 4000.0;

long g_dispatched = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kBenchMessage) {
        ++g_dispatched;
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

struct Poster {
    HWND window = nullptr;
    long count = 0;
    std::atomic<long> posted{0};
};

unsigned __stdcall PostSpread(void* context) {
    Poster& poster = *static_cast<Poster*>(context);
    Stopwatch clock;
    for (long i = 0; i < poster.count; ++i) {
        const double due = kSpreadMilliseconds * static_cast<double>(i) / static_cast<double>(poster.count);
        const double early = due - clock.Milliseconds();
        if (early >= 1.0) ::Sleep(static_cast<DWORD>(early));
        if (::PostMessageW(poster.window, kBenchMessage, static_cast<WPARAM>(i), 0)) ++poster.posted;
    }
    return 0;
}

void LeanPump(HANDLE process) {
    for (;;) {
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(1, &process, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke != WAIT_OBJECT_0 + 1) return;
        MSG msg;
        if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

void PacedPump(HANDLE process) {
    constexpr DWORD kPaceMilliseconds = 30;
    for (;;) {
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(1, &process, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke != WAIT_OBJECT_0 + 1) return;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (::WaitForSingleObject(process, kPaceMilliseconds) != WAIT_TIMEOUT) return;
    }
}

HANDLE StartChild() {
    const std::wstring program = SystemFolder() + L"\\cmd.exe";
    SHELLEXECUTEINFOW launch{};
    launch.cbSize = sizeof(launch);
    launch.fMask = SEE_MASK_NOCLOSEPROCESS;
    launch.lpFile = program.c_str();
    launch.lpParameters = L"/c ping -n 6 127.0.0.1 >nul";
    launch.nShow = SW_HIDE;
    if (!::ShellExecuteExW(&launch)) return nullptr;
    return launch.hProcess;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    velmora::LoadDllsOnlyFromSystemFolder();
    const std::wstring mode = argc > 1 ? argv[1] : L"pump";
    if (mode != L"pump" && mode != L"lean" && mode != L"paced" && mode != L"plain") {
        std::fprintf(stderr, "usage: velmora_bench_wait.exe pump|lean|paced|plain [messages]\n");
        return 2;
    }
    Poster poster;
    poster.count = argc > 2 ? std::wcstol(argv[2], nullptr, 10) : 1000;

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = CountingProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VelmoraWaitBench";
    ::RegisterClassW(&windowClass);
    poster.window = ::CreateWindowExW(0, windowClass.lpszClassName, L"Velmora wait benchmark", WS_OVERLAPPEDWINDOW,
                                      0, 0, 200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!poster.window) {
        std::fprintf(stderr, "velmora_bench_wait: no window (%lu)\n", ::GetLastError());
        return 2;
    }
    // Whatever creating the window queued is handled before the measurement starts.
    MSG pending;
    while (::PeekMessageW(&pending, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&pending);

    HANDLE child = StartChild();
    if (!child) {
        std::fprintf(stderr, "velmora_bench_wait: the child did not start (%lu)\n", ::GetLastError());
        return 2;
    }

    const double processCpu0 = ProcessCpuMilliseconds();
    const double threadCpu0 = ThreadCpuMilliseconds();
    Stopwatch clock;
    HANDLE postingThread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, PostSpread, &poster, 0, nullptr));

    if (mode == L"pump")
        WaitWithMessagePump(child);
    else if (mode == L"lean")
        LeanPump(child);
    else if (mode == L"paced")
        PacedPump(child);
    else
        ::WaitForSingleObject(child, INFINITE);

    const double wallMs = clock.Milliseconds();
    const double threadCpuMs = ThreadCpuMilliseconds() - threadCpu0;
    const long dispatchedDuringWait = g_dispatched;
    if (postingThread) {
        ::WaitForSingleObject(postingThread, INFINITE);
        ::CloseHandle(postingThread);
    }
    const double processCpuMs = ProcessCpuMilliseconds() - processCpu0;
    const bool childEnded = ::WaitForSingleObject(child, 0) == WAIT_OBJECT_0;
    ::CloseHandle(child);

    std::printf("mode=%ls process_cpu_ms=%.1f thread_cpu_ms=%.1f wall_ms=%.1f posted=%ld dispatched=%ld "
                "child_ended=%d\n",
                mode.c_str(), processCpuMs, threadCpuMs, wallMs, poster.posted.load(), dispatchedDuringWait,
                childEnded ? 1 : 0);
    ::DestroyWindow(poster.window);
    return childEnded ? 0 : 1;
}
