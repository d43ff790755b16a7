// The seam's real side: each call forwards to Win32 and does nothing else, except that
// registry keys are opened, emptied and deleted as themselves, by their physical path, each
// in the view it was opened in (see RealWindows).
#include "windows/real_windows.h"

#include <shlobj.h>

#include "registry/registry_as_itself.h"
#include "registry/registry_tree.h"
#include "system/person_at_pc.h"
#include "unique_handle.h"
#include "windows/system_library.h"

namespace velmora {

LONG RealWindows::OpenAsItself(HKEY root, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result) {
    if (root != HKEY_CLASSES_ROOT) return OpenKeyAsItself(root, subKey, options, access, result);
    if (!m_accountAsked) m_accountSid = RunningAccountSid(*this), m_accountAsked = true;
    return OpenClassesKeyAsItself(m_accountSid, subKey, options, access, result);
}
LONG RealWindows::RegOpenKeyExW(HKEY root, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result) {
    const LONG opened = OpenAsItself(root, subKey, options, access, result);
    if (opened == ERROR_SUCCESS) m_keyViews[*result] = OpenedView(access);
    return opened;
}
LONG RealWindows::RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                   LPDWORD dataSize) {
    return ::RegQueryValueExW(key, valueName, reserved, type, data, dataSize);
}
LONG RealWindows::RegCloseKey(HKEY key) {
    m_keyViews.erase(key);  // the system may hand the same value out again
    return ::RegCloseKey(key);
}
LONG RealWindows::RegDeleteTreeW(HKEY key, LPCWSTR subKey) {
    const auto known = m_keyViews.find(key);
    // A key this layer did not open (a root) is taken in the 64-bit view, as every open here is.
    const REGSAM view = known != m_keyViews.end() ? known->second : OpenedView(0);
    if (subKey == nullptr || *subKey == L'\0') return EmptyKeyInView(*this, key, view);
    // The named key is emptied and deleted through the one handle it was judged by.
    UniqueKey named(*this);
    const LONG opened = RegOpenKeyExW(key, subKey, 0, kEmptyingAccess | view, named.put());
    if (opened != ERROR_SUCCESS) {
        named.release();  // a failed open hands out no handle to close
        return opened;
    }
    const LONG emptied = EmptyKeyInView(*this, named.get(), view);
    const LONG deleted = DeleteOpenKey(named.get());
    return emptied != ERROR_SUCCESS ? emptied : deleted;
}
LONG RealWindows::RegDeleteKeyExW(HKEY root, LPCWSTR subKey, REGSAM view, DWORD) {
    UniqueKey key(*this);
    const LONG opened = OpenAsItself(root, subKey, 0, DELETE | view, key.put());
    if (opened != ERROR_SUCCESS) {
        key.release();
        return opened;
    }
    return DeleteOpenKey(key.get());
}
LONG RealWindows::RegDisableReflectionKey(HKEY root) { return ::RegDisableReflectionKey(root); }
LONG RealWindows::RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                                LPWSTR className, LPDWORD classLength, PFILETIME lastWrite) {
    return ::RegEnumKeyExW(key, index, name, nameLength, reserved, className, classLength, lastWrite);
}
LONG RealWindows::RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                                LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    return ::RegEnumValueW(key, index, name, nameLength, reserved, type, data, dataSize);
}
LONG RealWindows::RegDeleteValueW(HKEY key, LPCWSTR valueName) { return ::RegDeleteValueW(key, valueName); }
HANDLE RealWindows::FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW findData) {
    return ::FindFirstFileW(pattern, findData);
}
BOOL RealWindows::FindClose(HANDLE find) { return ::FindClose(find); }
BOOL RealWindows::RemoveDirectoryW(LPCWSTR path) { return ::RemoveDirectoryW(path); }
UINT RealWindows::GetSystemDirectoryW(LPWSTR buffer, UINT size) { return ::GetSystemDirectoryW(buffer, size); }
HANDLE RealWindows::CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags, HANDLE templateFile) {
    return ::CreateFileW(path, access, share, security, disposition, flags, templateFile);
}
NTSTATUS RealWindows::NtCreateFile(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes,
                                   PIO_STATUS_BLOCK status, PLARGE_INTEGER allocationSize, ULONG fileAttributes,
                                   ULONG share, ULONG disposition, ULONG options, PVOID eaBuffer, ULONG eaLength) {
    return ::NtCreateFile(file, access, attributes, status, allocationSize, fileAttributes, share, disposition, options,
                          eaBuffer, eaLength);
}
NTSTATUS RealWindows::NtQueryInformationFile(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG size,
                                             FILE_INFORMATION_CLASS infoClass) {
    return ::NtQueryInformationFile(file, status, info, size, infoClass);
}
BOOL RealWindows::SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info,
                                             DWORD size) {
    return ::SetFileInformationByHandle(file, infoClass, info, size);
}
BOOL RealWindows::GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) {
    return ::GetFileInformationByHandle(file, info);
}
BOOL RealWindows::GetFileInformationByHandleEx(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info,
                                               DWORD size) {
    return ::GetFileInformationByHandleEx(file, infoClass, info, size);
}
DWORD RealWindows::GetFinalPathNameByHandleW(HANDLE file, LPWSTR path, DWORD size, DWORD flags) {
    return ::GetFinalPathNameByHandleW(file, path, size, flags);
}
HRESULT RealWindows::SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path) {
    return ::SHGetFolderPathW(owner, folder, token, flags, path);
}
DWORD RealWindows::GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
    return ::GetEnvironmentVariableW(name, buffer, size);
}
BOOL RealWindows::GetProfilesDirectoryW(LPWSTR buffer, LPDWORD size) {
    // userenv.dll is no KnownDLL: an import of it would be looked up beside the program.
    using Proc = BOOL(WINAPI*)(LPWSTR, LPDWORD);
    const auto proc = reinterpret_cast<Proc>(reinterpret_cast<void*>(SystemFunction(L"userenv.dll", "GetProfilesDirectoryW")));
    if (!proc) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    return proc(buffer, size);
}
// Volumes.
HANDLE RealWindows::FindFirstVolumeW(LPWSTR volumeName, DWORD size) { return ::FindFirstVolumeW(volumeName, size); }
BOOL RealWindows::FindNextVolumeW(HANDLE find, LPWSTR volumeName, DWORD size) {
    return ::FindNextVolumeW(find, volumeName, size);
}
BOOL RealWindows::FindVolumeClose(HANDLE find) { return ::FindVolumeClose(find); }
UINT RealWindows::GetDriveTypeW(LPCWSTR rootPath) { return ::GetDriveTypeW(rootPath); }
BOOL RealWindows::GetVolumeInformationW(LPCWSTR rootPath, LPWSTR volumeLabel, DWORD labelSize, LPDWORD serialNumber,
                                        LPDWORD maxComponentLength, LPDWORD fileSystemFlags, LPWSTR fileSystemName,
                                        DWORD fileSystemNameSize) {
    return ::GetVolumeInformationW(rootPath, volumeLabel, labelSize, serialNumber, maxComponentLength, fileSystemFlags,
                                   fileSystemName, fileSystemNameSize);
}
HWND RealWindows::GetShellWindow() { return ::GetShellWindow(); }
DWORD RealWindows::GetWindowThreadProcessId(HWND window, LPDWORD processId) {
    return ::GetWindowThreadProcessId(window, processId);
}
// wtsapi32.dll is no KnownDLL either: both its functions are looked up in the system folder.
BOOL RealWindows::WTSEnumerateProcessesW(HANDLE server, DWORD reserved, DWORD version, PWTS_PROCESS_INFOW* processes,
                                         DWORD* count) {
    using Proc = BOOL(WINAPI*)(HANDLE, DWORD, DWORD, PWTS_PROCESS_INFOW*, DWORD*);
    const auto proc = reinterpret_cast<Proc>(reinterpret_cast<void*>(SystemFunction(L"wtsapi32.dll", "WTSEnumerateProcessesW")));
    if (!proc) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    return proc(server, reserved, version, processes, count);
}
void RealWindows::WTSFreeMemory(PVOID memory) {
    using Proc = void(WINAPI*)(PVOID);
    const auto proc = reinterpret_cast<Proc>(reinterpret_cast<void*>(SystemFunction(L"wtsapi32.dll", "WTSFreeMemory")));
    if (proc) proc(memory);
}
BOOL RealWindows::OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
    return ::OpenProcessToken(process, access, token);
}
BOOL RealWindows::GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD size,
                                      PDWORD returned) {
    return ::GetTokenInformation(token, infoClass, info, size, returned);
}
BOOL RealWindows::ConvertSidToStringSidW(PSID sid, LPWSTR* text) { return ::ConvertSidToStringSidW(sid, text); }
HLOCAL RealWindows::LocalFree(HLOCAL memory) { return ::LocalFree(memory); }
BOOL RealWindows::ShellExecuteExW(SHELLEXECUTEINFOW* info) { return ::ShellExecuteExW(info); }
BOOL RealWindows::GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
    return ::GetExitCodeProcess(process, exitCode);
}
HANDLE RealWindows::OpenMutexW(DWORD access, BOOL inherit, LPCWSTR name) { return ::OpenMutexW(access, inherit, name); }
BOOL RealWindows::ReleaseMutex(HANDLE mutex) { return ::ReleaseMutex(mutex); }
DWORD RealWindows::GetLastError() { return ::GetLastError(); }
BOOL RealWindows::CloseHandle(HANDLE handle) { return ::CloseHandle(handle); }
HMODULE RealWindows::GetModuleHandleW(LPCWSTR moduleName) { return ::GetModuleHandleW(moduleName); }
FARPROC RealWindows::GetProcAddress(HMODULE module, LPCSTR procName) { return ::GetProcAddress(module, procName); }
void RealWindows::CallGetNativeSystemInfo(FARPROC entry, LPSYSTEM_INFO info) {
    reinterpret_cast<GetNativeSystemInfoProc>(reinterpret_cast<void*>(entry))(info);
}
void RealWindows::GetSystemInfo(LPSYSTEM_INFO info) { ::GetSystemInfo(info); }
DWORD RealWindows::GetTickCount() { return ::GetTickCount(); }
DWORD RealWindows::MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                             DWORD wakeMask) {
    return ::MsgWaitForMultipleObjects(count, handles, waitAll, milliseconds, wakeMask);
}
BOOL RealWindows::PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    return ::PeekMessageW(msg, window, filterMin, filterMax, removeFlags);
}
BOOL RealWindows::TranslateMessage(const MSG* msg) { return ::TranslateMessage(msg); }
LRESULT RealWindows::DispatchMessageW(const MSG* msg) { return ::DispatchMessageW(msg); }

WindowsApi& SystemWindows() {
    static RealWindows system;
    return system;
}

}  // namespace velmora
