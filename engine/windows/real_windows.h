// The seam's real side, the system itself.
#pragma once

#include <map>
#include <string>

#include "windows_api.h"

namespace velmora {

// The system itself: every call goes straight to Win32, except the registry calls that open
// and delete keys, which judge each key as itself, by its physical path
// (registry/registry_as_itself.h). RegOpenKeyExW walks the path one key at a time with
// REG_OPTION_OPEN_LINK, every step with the call's view flag or else KEY_WOW64_64KEY, and
// fails where a registry link other than Windows's own stands above the key named; a link
// named last is opened as the link. A path below HKEY_CLASSES_ROOT is opened as the key the
// merged view names: the running account's own copy where one exists, else the machine's.
// RegDeleteKeyExW deletes the key so opened through its own handle (a link goes itself).
// RegDeleteTreeW empties the key with EmptyKeyInView, every child opened and deleted as
// itself, then deletes the named key through the handle it was emptied through; it never
// goes to Win32's RegDeleteTreeW, which follows links among the children and takes no view
// flag. Every open key is remembered with the view it was opened in and emptied in it.
class RealWindows : public WindowsApi {
public:
    LONG RegOpenKeyExW(HKEY root, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result) override;
    LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                          LPDWORD dataSize) override;
    LONG RegCloseKey(HKEY key) override;
    LONG RegDeleteTreeW(HKEY key, LPCWSTR subKey) override;
    LONG RegDeleteKeyExW(HKEY root, LPCWSTR subKey, REGSAM view, DWORD reserved) override;
    LONG RegDisableReflectionKey(HKEY root) override;
    LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved, LPWSTR className,
                       LPDWORD classLength, PFILETIME lastWrite) override;
    LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved, LPDWORD type,
                       LPBYTE data, LPDWORD dataSize) override;
    LONG RegDeleteValueW(HKEY key, LPCWSTR valueName) override;
    HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW findData) override;
    BOOL FindClose(HANDLE find) override;
    BOOL RemoveDirectoryW(LPCWSTR path) override;
    UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) override;
    HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                       DWORD flags, HANDLE templateFile) override;
    NTSTATUS NtCreateFile(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, PIO_STATUS_BLOCK status,
                          PLARGE_INTEGER allocationSize, ULONG fileAttributes, ULONG share, ULONG disposition,
                          ULONG options, PVOID eaBuffer, ULONG eaLength) override;
    NTSTATUS NtQueryInformationFile(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG size,
                                    FILE_INFORMATION_CLASS infoClass) override;
    BOOL GetFileInformationByHandleEx(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info,
                                      DWORD size) override;
    BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info,
                                    DWORD size) override;
    BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) override;
    DWORD GetFinalPathNameByHandleW(HANDLE file, LPWSTR path, DWORD size, DWORD flags) override;
    HRESULT SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path) override;
    DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) override;
    BOOL GetProfilesDirectoryW(LPWSTR buffer, LPDWORD size) override;
    // Volumes.
    HANDLE FindFirstVolumeW(LPWSTR volumeName, DWORD size) override;
    BOOL FindNextVolumeW(HANDLE find, LPWSTR volumeName, DWORD size) override;
    BOOL FindVolumeClose(HANDLE find) override;
    UINT GetDriveTypeW(LPCWSTR rootPath) override;
    BOOL GetVolumeInformationW(LPCWSTR rootPath, LPWSTR volumeLabel, DWORD labelSize, LPDWORD serialNumber,
                               LPDWORD maxComponentLength, LPDWORD fileSystemFlags, LPWSTR fileSystemName,
                               DWORD fileSystemNameSize) override;
    HWND GetShellWindow() override;
    DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId) override;
    BOOL WTSEnumerateProcessesW(HANDLE server, DWORD reserved, DWORD version, PWTS_PROCESS_INFOW* processes,
                                DWORD* count) override;
    void WTSFreeMemory(PVOID memory) override;
    BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) override;
    BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD size,
                             PDWORD returned) override;
    BOOL ConvertSidToStringSidW(PSID sid, LPWSTR* text) override;
    HLOCAL LocalFree(HLOCAL memory) override;
    BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) override;
    BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) override;
    HANDLE OpenMutexW(DWORD access, BOOL inherit, LPCWSTR name) override;
    BOOL ReleaseMutex(HANDLE mutex) override;
    DWORD GetLastError() override;
    BOOL CloseHandle(HANDLE handle) override;
    HMODULE GetModuleHandleW(LPCWSTR moduleName) override;
    FARPROC GetProcAddress(HMODULE module, LPCSTR procName) override;
    void CallGetNativeSystemInfo(FARPROC entry, LPSYSTEM_INFO info) override;
    void GetSystemInfo(LPSYSTEM_INFO info) override;
    DWORD GetTickCount() override;
    DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                    DWORD wakeMask) override;
    BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) override;
    BOOL TranslateMessage(const MSG* msg) override;
    LRESULT DispatchMessageW(const MSG* msg) override;

private:
    // RegOpenKeyExW without the record of the view, for the opens that delete at once.
    LONG OpenAsItself(HKEY root, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);

    std::map<HKEY, REGSAM> m_keyViews;  // open keys, with the view each was opened in
    std::wstring m_accountSid;          // whose classes HKEY_CLASSES_ROOT shows first, once asked
    bool m_accountAsked = false;
};

}  // namespace velmora
