// A DLL a standard user could plant beside Velmora.exe under a system DLL's name. Loaded,
// it leaves a marker beside itself (its own path with ".loaded" added).
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    const std::wstring marker = std::wstring(path, length) + L".loaded";
    HANDLE file = ::CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    return TRUE;
}

#ifdef PLANTED_USERENV
// What a program importing userenv.dll asks of it, so that it starts with this fake.
extern "C" __declspec(dllexport) BOOL WINAPI GetProfilesDirectoryW(LPWSTR, LPDWORD) {
    ::SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}
#endif
