// Removes one folder tree with one method and reports how long it took:
//   velmora_bench_folder.exe engine|walk|rmdir C:\path\to\tree
//     engine   CInstallCleaner::DeleteFolderTree
//     walk     the reference walk (reference_walk.h)
//     rmdir    the system's own "cmd /c rmdir /s /q", started and waited for
// Prints "method=... ms=... removed=0|1"; exit status 0 when the tree is gone.
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench_support.h"
#include "passes/install_cleaner.h"
#include "reference_walk.h"
#include "windows/system_library.h"

using namespace velmora_bench;

int wmain(int argc, wchar_t** argv) {
    velmora::LoadDllsOnlyFromSystemFolder();
    if (argc != 3) {
        std::fprintf(stderr, "usage: velmora_bench_folder.exe engine|walk|rmdir <folder>\n");
        return 2;
    }
    const std::wstring method = argv[1];
    const std::wstring folder = argv[2];
    if (::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "velmora_bench_folder: %ls does not exist\n", folder.c_str());
        return 2;
    }

    std::wstring command;
    std::vector<wchar_t> scratch;
    if (method == L"rmdir") {
        command = Quoted(SystemFolder() + L"\\cmd.exe") + L" /c rmdir /s /q " + Quoted(folder);
    } else if (method == L"walk") {
        scratch.assign(32768, L'\0');
        std::wmemcpy(scratch.data(), folder.c_str(), folder.size());
    } else if (method != L"engine") {
        std::fprintf(stderr, "velmora_bench_folder: unknown method %ls\n", method.c_str());
        return 2;
    }

    long exitCode = 0;
    Stopwatch clock;
    if (method == L"engine")
        CInstallCleaner().DeleteFolderTree(folder);
    else if (method == L"walk")
        ReferenceWalk(scratch.data(), folder.size());
    else
        exitCode = RunToEnd(command);
    const double ms = clock.Milliseconds();

    const bool removed = ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
    std::printf("method=%ls ms=%.1f removed=%d exit=%ld\n", method.c_str(), ms, removed ? 1 : 0, exitCode);
    return removed ? 0 : 1;
}
