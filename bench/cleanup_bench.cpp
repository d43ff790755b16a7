// The cleanup benchmark's two sides, each timed from the start of a program to its end:
//   velmora_bench_cleanup.exe time <program> [arguments...]
//       starts the program, waits for it, prints "ms=... exit=..."
//   velmora_bench_cleanup.exe installers
//       the floor: the seventeen bare Windows Installer uninstalls a full cleanup starts, one
//       after the other, launched and waited for as the cleanup launches them
//       (ShellExecuteExW, hidden); prints "runs=17 failed=N codes=... run_ms=..." (each
//       run's exit code and milliseconds) and exits with N
// scripts/bench.sh times both "velmora_cleanup_driver.exe 32" and "installers" through
// "time", so that both sides pay the same one program start.
// The Windows Installer's records, in a 64-bit prefix:
//   velmora_bench_cleanup.exe break N [unlisted]
//       makes the installed products' uninstalls fail as after a disk clean-up: deletes the
//       cached package each of the 17 registrations names (the sources are the script's to
//       delete), adds N component keys of other products, and with "unlisted" deletes the
//       registrations' component lists (Features) too, so that the components are scanned
//   velmora_bench_cleanup.exe forget
//       the records step for the 17 products, as a cleanup makes it; prints "ms=..."
//   velmora_bench_cleanup.exe components
//       the floor of a scan: every component key opened once and closed; prints "ms=..."
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "bench_support.h"
#include "catalog/product_codes.h"
#include "installer/installer_places.h"
#include "installer/installer_records.h"
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
    run(velmora::kSecondSharedProductCode);
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

const std::wstring kUserData = std::wstring(velmora::kInstallerDataKey) + L"\\UserData\\S-1-5-18\\";

int Break(long components, bool unlisted) {
    for (const std::wstring& packed : velmora::EveryPackedCode()) {
        const std::wstring product = kUserData + L"Products\\" + packed;
        wchar_t package[MAX_PATH] = {};
        DWORD size = sizeof(package) - sizeof(wchar_t);
        HKEY properties = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, (product + L"\\InstallProperties").c_str(), 0,
                            KEY_QUERY_VALUE | KEY_WOW64_64KEY, &properties) == ERROR_SUCCESS) {
            if (::RegQueryValueExW(properties, L"LocalPackage", nullptr, nullptr, reinterpret_cast<LPBYTE>(package),
                                   &size) == ERROR_SUCCESS)
                ::DeleteFileW(package);
            ::RegCloseKey(properties);
        }
        if (unlisted) ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (product + L"\\Features").c_str(), KEY_WOW64_64KEY, 0);
    }
    HKEY parent = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kUserData + L"Components").c_str(), 0, nullptr, 0,
                          KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &parent, nullptr) != ERROR_SUCCESS)
        return 1;
    const wchar_t path[] = L"C:\\Program Files\\Other\\file.dat";
    for (long i = 0; i < components; ++i) {
        wchar_t name[40];
        std::swprintf(name, 40, L"%08lX000000000000000000000000", static_cast<unsigned long>(i) * 2654435761UL);
        HKEY key = nullptr;
        if (::RegCreateKeyExW(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return 1;
        ::RegSetValueExW(key, L"99990000111122223333444455556666", 0, REG_SZ, reinterpret_cast<const BYTE*>(path), sizeof(path));
        ::RegCloseKey(key);
    }
    ::RegCloseKey(parent);
    std::printf("broken=17 components=%ld unlisted=%d\n", components, unlisted ? 1 : 0);
    return 0;
}

int Forget() {
    Stopwatch clock;
    velmora::InstallerRecords records(velmora::SystemWindows(), velmora::EveryPackedCode());
    for (const std::wstring& packed : velmora::EveryPackedCode()) {
        // The product code again, as the passes hand it: the packing rule is its own inverse.
        const std::wstring code = velmora::PackProductCode(packed);
        records.Forget(code.substr(0, 8) + L"-" + code.substr(8, 4) + L"-" + code.substr(12, 4) + L"-" +
                           code.substr(16, 4) + L"-" + code.substr(20), {KEY_WOW64_64KEY, nullptr});
    }
    std::printf("ms=%.1f\n", clock.Milliseconds());
    return 0;
}

int BareComponents() {
    Stopwatch clock;
    HKEY parent = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kUserData + L"Components").c_str(), 0,
                        KEY_ENUMERATE_SUB_KEYS | KEY_WOW64_64KEY, &parent) != ERROR_SUCCESS)
        return 1;
    long opened = 0;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (::RegEnumKeyExW(parent, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY key = nullptr;
        if (::RegOpenKeyExW(parent, name, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
            ::RegCloseKey(key);
            ++opened;
        }
    }
    ::RegCloseKey(parent);
    std::printf("opened=%ld ms=%.1f\n", opened, clock.Milliseconds());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    velmora::LoadDllsOnlyFromSystemFolder();
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"installers" && argc == 2) return RunInstallers();
    if (mode == L"time" && argc > 2) return TimeProgram(argc, argv);
    if (mode == L"break" && argc > 2) return Break(std::wcstol(argv[2], nullptr, 10), argc > 3);
    if (mode == L"forget" && argc == 2) return Forget();
    if (mode == L"components" && argc == 2) return BareComponents();
    std::fprintf(stderr, "usage: velmora_bench_cleanup.exe time <program> [arguments...] | installers | break N [unlisted]"
                         " | forget | components\n");
    return 2;
}
