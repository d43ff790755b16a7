#include "windows/system_library.h"

#include <string>

namespace velmora {

FARPROC SystemFunction(const wchar_t* dll, const char* name) {
    HMODULE module = ::LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER) {
        // Windows 7 without KB2533623 refuses the flag: name the file in the system folder
        // instead, and let the DLL's own dependencies be looked up beside it.
        wchar_t folder[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return nullptr;
        const std::wstring path = std::wstring(folder, length) + L"\\" + dll;
        module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    return module ? ::GetProcAddress(module, name) : nullptr;
}

void LoadDllsOnlyFromSystemFolder() {
    using SetDefaultDllDirectoriesProc = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesProc>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    // Without it (Windows 7 without KB2533623) the program's folder is still searched for
    // what is loaded by name, but the current folder no longer is.
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) ::SetDllDirectoryW(L"");
}

}  // namespace velmora
