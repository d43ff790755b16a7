// The cleanup benchmark's two sides, each timed from the start of a program to its end:
//   velmora_bench_cleanup.exe time <program> [arguments...]
//       starts the program, waits for it, prints "ms=... exit=..."
//   velmora_bench_cleanup.exe installers
//       the floor: the sixteen bare Windows Installer uninstalls a full cleanup starts, one
//       after the other, launched and waited for as the cleanup launches them
//       (ShellExecuteExW, hidden); prints "runs=16 failed=N codes=... run_ms=..." (each
//       run's exit code and milliseconds) and exits with N
// scripts/bench.sh times both "velmora_cleanup_driver.exe 32" and "installers" through
// "time", so that both sides pay the same one program start.
#include <cstdio>
#include <string>

#include "bench_support.h"
#include "windows/system_library.h"

using namespace velmora_bench;

namespace {

// The language editions in the order the cleanup removes them, then the first shared product.
constexpr const wchar_t* kEditionLcids[] = {L"1033", L"2052", L"1028", L"1029", L"1031", L"3082", L"1036", L"1038",
                                            L"1040", L"1041", L"1042", L"1045", L"1046", L"1049", L"1055"};
constexpr const wchar_t kFirstSharedCode[] = L"5E3B9D14-A001-0000-A001-C3E1F06A7B52";

long UninstallAndWait(const std::wstring& msiexec, const std::wstring& code) {
    const std::wstring parameters = L"/x {" + code + L"} /quiet /passive /norestart keepuserdata=yes";
    SHELLEXECUTEINFOW launch{};
    launch.cbSize = sizeof(launch);
    launch.fMask = SEE_MASK_NOCLOSEPROCESS;
    launch.lpFile = msiexec.c_str();
    launch.lpParameters = parameters.c_str();
    launch.nShow = SW_HIDE;
    if (!::ShellExecuteExW(&launch) || !launch.hProcess) return -1;
    ::WaitForSingleObject(launch.hProcess, INFINITE);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(launch.hProcess, &exitCode);
    ::CloseHandle(launch.hProcess);
    return static_cast<long>(exitCode);
}

int RunInstallers() {
    const std::wstring msiexec = SystemFolder() + L"\\msiexec.exe";
    std::wstring codes;
    std::wstring times;
    int runs = 0;
    int failed = 0;
    auto run = [&](const std::wstring& code) {
        Stopwatch clock;
        const long exitCode = UninstallAndWait(msiexec, code);
        const long ms = static_cast<long>(clock.Milliseconds());
        ++runs;
        if (exitCode != 0) ++failed;
        codes += (codes.empty() ? L"" : L",") + std::to_wstring(exitCode);
        times += (times.empty() ? L"" : L",") + std::to_wstring(ms);
    };
    for (const wchar_t* lcid : kEditionLcids) run(std::wstring(L"5E3B9D14-A001-") + lcid + L"-A101-C3E1F06A7B52");
    run(kFirstSharedCode);
    std::printf("runs=%d failed=%d codes=%ls run_ms=%ls\n", runs, failed, codes.c_str(), times.c_str());
    return failed;
}

int TimeProgram(int argc, wchar_t** argv) {
    std::wstring commandLine = Quoted(argv[2]);
    for (int i = 3; i < argc; ++i) commandLine += L" " + Quoted(argv[i]);
    std::fflush(stdout);
    Stopwatch clock;
    const long exitCode = RunToEnd(commandLine);
    const double ms = clock.Milliseconds();
    std::printf("ms=%.1f exit=%ld\n", ms, exitCode);
    return exitCode == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    velmora::LoadDllsOnlyFromSystemFolder();
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"installers" && argc == 2) return RunInstallers();
    if (mode == L"time" && argc > 2) return TimeProgram(argc, argv);
    std::fprintf(stderr, "usage: velmora_bench_cleanup.exe time <program> [arguments...] | installers\n");
    return 2;
}
