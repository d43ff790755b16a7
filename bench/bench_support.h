// Small helpers shared by the benchmark programs: a wall clock, CPU times, and starting a
// program and waiting for it. Each benchmark prints one line of "key=value" fields that
// scripts/bench.sh reads.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace velmora_bench {

// Milliseconds since construction, from the performance counter.
class Stopwatch {
public:
    Stopwatch() {
        ::QueryPerformanceFrequency(&m_frequency);
        ::QueryPerformanceCounter(&m_start);
    }
    double Milliseconds() const {
        LARGE_INTEGER now;
        ::QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - m_start.QuadPart) / static_cast<double>(m_frequency.QuadPart);
    }

private:
    LARGE_INTEGER m_frequency{};
    LARGE_INTEGER m_start{};
};

inline double FileTimeMilliseconds(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 10000.0;  // 100 ns units
}

// Kernel plus user CPU time of this process so far, in milliseconds.
inline double ProcessCpuMilliseconds() {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1.0;
    return FileTimeMilliseconds(kernel) + FileTimeMilliseconds(user);
}

// Kernel plus user CPU time of the calling thread so far, in milliseconds.
inline double ThreadCpuMilliseconds() {
    FILETIME created, exited, kernel, user;
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) return -1.0;
    return FileTimeMilliseconds(kernel) + FileTimeMilliseconds(user);
}

inline std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    return folder;
}

// Starts the command line (the program named in full) with no window and returns its
// process handle, or null.
inline HANDLE StartProcess(const std::wstring& commandLine) {
    std::wstring buffer = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, &buffer[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return nullptr;
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

// Runs the command line to its end; the exit code, or -1 when it could not be started.
inline long RunToEnd(const std::wstring& commandLine) {
    HANDLE process = StartProcess(commandLine);
    if (!process) return -1;
    ::WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(process, &code);
    ::CloseHandle(process);
    return static_cast<long>(code);
}

inline std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

}  // namespace velmora_bench
