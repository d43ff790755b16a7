// The one seam between the cleanup engine and Windows.
//
// It names exactly the Windows calls the engine makes, with Win32's own signatures, so
// that the engine reads like plain Win32 code. RealWindows (windows/real_windows.h)
// forwards each call to the system, the registry calls that open and delete keys doing
// more; the tests substitute a simulated Windows that logs every call in order.
#pragma once

#include <windows.h>
#include <sddl.h>
#include <shellapi.h>
#include <winternl.h>
#include <wtsapi32.h>

namespace velmora {

// The entry point looked up for "GetNativeSystemInfo" is called through the seam too, so
// that a simulated system can answer it.
using GetNativeSystemInfoProc = void(WINAPI*)(LPSYSTEM_INFO);

class WindowsApi {
public:
    virtual ~WindowsApi() = default;

    // Registry.
    virtual LONG RegOpenKeyExW(HKEY root, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result) = 0;
    virtual LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                  LPDWORD dataSize) = 0;
    virtual LONG RegCloseKey(HKEY key) = 0;
    virtual LONG RegDeleteTreeW(HKEY key, LPCWSTR subKey) = 0;
    virtual LONG RegDeleteKeyExW(HKEY root, LPCWSTR subKey, REGSAM view, DWORD reserved) = 0;
    virtual LONG RegDisableReflectionKey(HKEY root) = 0;
    // Listing and value deletion, for emptying a key in its own view (registry_tree.h).
    virtual LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                               LPWSTR className, LPDWORD classLength, PFILETIME lastWrite) = 0;
    virtual LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved,
                               LPDWORD type, LPBYTE data, LPDWORD dataSize) = 0;
    virtual LONG RegDeleteValueW(HKEY key, LPCWSTR valueName) = 0;

    // Files: what a path names, and removing a link named as a folder.
    virtual HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW findData) = 0;
    virtual BOOL FindClose(HANDLE find) = 0;
    virtual BOOL RemoveDirectoryW(LPCWSTR path) = 0;
    virtual UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) = 0;
    // A folder held open while it is emptied, everything below it reached through handles:
    // listed through its folder's handle (GetFileInformationByHandleEx), opened relative to
    // it (NtCreateFile), told apart by file ID (NtQueryInformationFile) and deleted through
    // its own handle (SetFileInformationByHandle). Where a held folder really is: its final
    // path, and its volume and file index.
    virtual HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD flags, HANDLE templateFile) = 0;
    virtual NTSTATUS NtCreateFile(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes,
                                  PIO_STATUS_BLOCK status, PLARGE_INTEGER allocationSize, ULONG fileAttributes,
                                  ULONG share, ULONG disposition, ULONG options, PVOID eaBuffer, ULONG eaLength) = 0;
    virtual NTSTATUS NtQueryInformationFile(HANDLE file, PIO_STATUS_BLOCK status, PVOID info, ULONG size,
                                            FILE_INFORMATION_CLASS infoClass) = 0;
    virtual BOOL GetFileInformationByHandleEx(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info,
                                              DWORD size) = 0;
    virtual BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info,
                                            DWORD size) = 0;
    virtual BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) = 0;
    virtual DWORD GetFinalPathNameByHandleW(HANDLE file, LPWSTR path, DWORD size, DWORD flags) = 0;

    // Well-known folders, asked when judging whether an install location is safe to remove.
    virtual HRESULT SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path) = 0;
    virtual DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) = 0;
    virtual BOOL GetProfilesDirectoryW(LPWSTR buffer, LPDWORD size) = 0;

    // Volumes: this PC's own, each listed by its volume GUID path ("\\?\Volume{...}\", so that
    // volumes mounted only in a folder count too), with its kind and serial number, to tell a
    // share back to this PC from another computer's.
    virtual HANDLE FindFirstVolumeW(LPWSTR volumeName, DWORD size) = 0;
    virtual BOOL FindNextVolumeW(HANDLE find, LPWSTR volumeName, DWORD size) = 0;
    virtual BOOL FindVolumeClose(HANDLE find) = 0;
    virtual UINT GetDriveTypeW(LPCWSTR rootPath) = 0;
    virtual BOOL GetVolumeInformationW(LPCWSTR rootPath, LPWSTR volumeLabel, DWORD labelSize, LPDWORD serialNumber,
                                       LPDWORD maxComponentLength, LPDWORD fileSystemFlags, LPWSTR fileSystemName,
                                       DWORD fileSystemNameSize) = 0;

    // The person at the PC: the account that owns the desktop shell's process, told by the
    // session's process list (no process of another account is opened), and the account
    // this program runs as, told by its own token. SIDs are written as text by the system.
    virtual HWND GetShellWindow() = 0;
    virtual DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId) = 0;
    virtual BOOL WTSEnumerateProcessesW(HANDLE server, DWORD reserved, DWORD version, PWTS_PROCESS_INFOW* processes,
                                        DWORD* count) = 0;
    virtual void WTSFreeMemory(PVOID memory) = 0;
    virtual BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) = 0;
    virtual BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD size,
                                     PDWORD returned) = 0;
    virtual BOOL ConvertSidToStringSidW(PSID sid, LPWSTR* text) = 0;
    virtual HLOCAL LocalFree(HLOCAL memory) = 0;

    // Launching the Windows Installer, learning what it ended with, and telling whether it
    // is busy with another installation (its _MSIExecute mutex).
    virtual BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) = 0;
    virtual BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) = 0;
    virtual HANDLE OpenMutexW(DWORD access, BOOL inherit, LPCWSTR name) = 0;
    virtual BOOL ReleaseMutex(HANDLE mutex) = 0;
    // Why the last failed call failed (an open refused, or what it names missing).
    virtual DWORD GetLastError() = 0;
    // Closes a process, token, mutex or file handle.
    virtual BOOL CloseHandle(HANDLE handle) = 0;

    // System information.
    virtual HMODULE GetModuleHandleW(LPCWSTR moduleName) = 0;
    virtual FARPROC GetProcAddress(HMODULE module, LPCSTR procName) = 0;
    virtual void CallGetNativeSystemInfo(FARPROC entry, LPSYSTEM_INFO info) = 0;
    virtual void GetSystemInfo(LPSYSTEM_INFO info) = 0;

    // Waiting while the thread's window messages keep flowing, for at most a given time.
    virtual DWORD GetTickCount() = 0;
    virtual DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                            DWORD wakeMask) = 0;
    virtual BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) = 0;
    virtual BOOL TranslateMessage(const MSG* msg) = 0;
    virtual LRESULT DispatchMessageW(const MSG* msg) = 0;
};

// The process-wide real implementation (RealWindows), used wherever no other is given.
WindowsApi& SystemWindows();

}  // namespace velmora
