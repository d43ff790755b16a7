// Run from a folder that holds a fake userenv.dll: limits DLL loads as Velmora.exe does at
// start-up, then loads userenv.dll by name. Exits with 0 when the system folder's copy was
// loaded (the fake exports GetProfilesDirectoryW only).
#include <windows.h>

#include "windows/system_library.h"

int main() {
    velmora::LoadDllsOnlyFromSystemFolder();
    return ::GetProcAddress(::LoadLibraryW(L"userenv.dll"), "CreateEnvironmentBlock") ? 0 : 1;
}
