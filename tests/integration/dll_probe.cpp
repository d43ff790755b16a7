// Run from a folder that holds a fake userenv.dll, which exports GetProfilesDirectoryW and
// fails it. Exits with 0 when the system folder's copy was loaded:
//   velmora_dll_probe.exe system-function   reaches GetProfilesDirectoryW as the product
//                                           does (SystemFunction) and calls it
//   velmora_dll_probe.exe                   limits DLL loads as Velmora.exe does at start-up,
//                                           then loads userenv.dll by name
#include <windows.h>

#include <cstring>

#include "windows/system_library.h"

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "system-function") == 0) {
        using Proc = BOOL(WINAPI*)(LPWSTR, LPDWORD);
        const auto proc = reinterpret_cast<Proc>(
            reinterpret_cast<void*>(velmora::SystemFunction(L"userenv.dll", "GetProfilesDirectoryW")));
        wchar_t folder[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        return proc && proc(folder, &size) ? 0 : 1;
    }
    velmora::LoadDllsOnlyFromSystemFolder();
    return ::GetProcAddress(::LoadLibraryW(L"userenv.dll"), "CreateEnvironmentBlock") ? 0 : 1;
}
