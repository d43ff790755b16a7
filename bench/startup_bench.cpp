// Time from starting a dialog program to its dialog being shown:
//   velmora_bench_startup.exe <program> <caption> [timeout-ms]
// Starts the program, polls every millisecond for a visible top-level dialog (class #32770)
// with the caption, then asks it to close with WM_CLOSE and waits for the program to end
// (ending it by force only when it does not). Prints "shown_ms=... exit_ms=... closed=0|1";
// exit status 0 when the dialog was seen and the program ended on its own.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_support.h"
#include "windows/system_library.h"

using namespace velmora_bench;

int wmain(int argc, wchar_t** argv) {
    velmora::LoadDllsOnlyFromSystemFolder();
    if (argc < 3) {
        std::fprintf(stderr, "usage: velmora_bench_startup.exe <program> <caption> [timeout-ms]\n");
        return 2;
    }
    const std::wstring program = argv[1];
    const wchar_t* caption = argv[2];
    const double timeoutMs = argc > 3 ? std::wcstod(argv[3], nullptr) : 30000.0;

    std::wstring commandLine = Quoted(program);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    Stopwatch clock;
    if (!::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        std::fprintf(stderr, "velmora_bench_startup: %ls did not start (%lu)\n", program.c_str(), ::GetLastError());
        return 2;
    }
    ::CloseHandle(process.hThread);

    HWND dialog = nullptr;
    double shownMs = -1.0;
    while (clock.Milliseconds() < timeoutMs) {
        HWND found = ::FindWindowW(L"#32770", caption);
        if (found && ::IsWindowVisible(found)) {
            shownMs = clock.Milliseconds();
            dialog = found;
            break;
        }
        if (::WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    }

    bool closed = false;
    double exitMs = -1.0;
    if (dialog) {
        Stopwatch closing;
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
        closed = ::WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0;
        exitMs = closing.Milliseconds();
    }
    if (!closed) {
        ::TerminateProcess(process.hProcess, 1);
        ::WaitForSingleObject(process.hProcess, 5000);
    }
    ::CloseHandle(process.hProcess);

    std::printf("shown_ms=%.1f exit_ms=%.1f closed=%d\n", shownMs, exitMs, closed ? 1 : 0);
    return dialog && closed ? 0 : 1;
}
