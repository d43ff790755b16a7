// A simulated Windows for the engine's unit tests: a registry with three roots and both
// views, a file tree with attributes and links, open files that hold what they opened
// against removal and rename, launched processes that end when the test says, a message
// queue, per-call failure injection, a hook before every call, open-handle accounting and
// an ordered log of every call with its arguments.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "windows_api.h"

namespace velmora::sim {

struct Launch {
    DWORD cbSize = 0;
    ULONG fMask = 0;
    HWND hwnd = nullptr;
    std::wstring verb;  // "(null)" when no verb was given
    std::wstring file;
    std::wstring parameters;
    std::wstring directory;  // "(null)" when none was given
    int nShow = -1;
    HANDLE process = nullptr;
    DWORD exitCode = STILL_ACTIVE;  // what the process ended with; STILL_ACTIVE while it runs
};

// How a child named relative to an open key, without a view flag of its own, is found.
// InHandleView: in the view the key was opened in. InProcessView: in the calling 32-bit
// process's own view, as Windows may do after a key was opened with KEY_WOW64_64KEY
// ("Accessing an Alternate Registry View": operations on its subkeys must carry the same
// flag, "otherwise, there can be unexpected behavior"). The pessimistic choice.
enum class HandleChildren { InHandleView, InProcessView };

class SimWindows final : public WindowsApi {
public:
    explicit SimWindows(HandleChildren children = HandleChildren::InHandleView);

    // ---- System. By default an x64 system with GetNativeSystemInfo, system folder
    // C:\Windows\system32, the usual well-known folders and ProgramW6432.
    void SetNativeArchitecture(WORD architecture) { m_nativeArchitecture = architecture; }
    void SetHasGetNativeSystemInfo(bool present) { m_hasNativeSystemInfo = present; }
    void SetSystemDirectory(const std::wstring& folder) { m_systemDirectory = folder; }
    void SetKnownFolder(int csidl, const std::wstring& folder);
    void RemoveKnownFolder(int csidl) { m_knownFolders.erase(csidl); }
    void SetEnvironment(const std::wstring& name, const std::wstring& value) { m_environment[name] = value; }
    // The folder that holds every profile; empty when the system will not say.
    void SetProfilesDirectory(const std::wstring& folder) { m_profilesDirectory = folder; }
    bool Is64Bit() const;

    // ---- Registry. Paths are physical: a 32-bit view's key under HKLM\SOFTWARE is written
    // with its Wow6432Node component. Keys are created with their parents.
    // HKLM\SOFTWARE\Classes is shared by both views (bar CLSID and a few others), and
    // HKCR is no store of its own: it shows HKCU\Software\Classes over HKLM\SOFTWARE\Classes,
    // and a key named through it is the user's copy when there is one, else the machine's.
    // The process is 32-bit. RegDeleteTreeW on an open key with no subkey name empties the
    // key as the real seam does (EmptyKeyInView in the key's view); the calls that makes are
    // logged indented below it and are not counted by Calls().
    void AddKey(HKEY root, const std::wstring& path);
    void SetString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text,
                   bool withTerminator = true);
    void SetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                  const std::vector<std::uint8_t>& data);
    bool KeyExists(HKEY root, const std::wstring& path) const;
    bool HasValue(HKEY root, const std::wstring& path, const std::wstring& name) const;
    // What the first logged call equal to `call` returned (deletions only); -1 if none.
    LONG ResultOf(const std::wstring& call) const;
    std::vector<std::wstring> AllKeys() const;  // "HKLM\PATH" or "HKCU\PATH" in upper case, sorted

    // ---- Files. Paths are plain "C:\..." paths; "\\?\" paths and plain paths are both
    // understood by the calls, the plain ones with Windows' own shortening rules.
    void AddFolder(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_DIRECTORY);
    void AddFile(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE);
    void AddLink(const std::wstring& path, const std::wstring& target);  // a folder junction
    void SetListsDotEntries(const std::wstring& folder, bool lists);
    void SetInUse(const std::wstring& path);  // a file held open without delete sharing
    // A file another program holds open with delete sharing, as virus scanners and the
    // search indexer do. Before Windows 10 1903 DeleteFileW on it succeeds but only marks it
    // delete-pending: it stays listed, a second DeleteFileW fails, and its folder is not
    // empty for RemoveDirectoryW, until the holder closes its handle (ReleaseHolder).
    void SetHeldWithDeleteSharing(const std::wstring& path);
    void ReleaseHolder(const std::wstring& path);
    bool IsDeletePending(const std::wstring& path) const;
    void SetUnlistable(const std::wstring& folder);
    // Another name for a folder: a drive letter ("W:") substituted onto it, whose paths the
    // system resolves to the folder's own, or a share ("\\\\PC\\Users") that leads to it,
    // which final paths name instead. Identities (volume serial number, file ID) are the
    // folder's whatever name reached it.
    void AddAlias(const std::wstring& name, const std::wstring& folder);
    // Another process empties a folder and makes it a junction where it stands
    // (FSCTL_SET_REPARSE_POINT): it keeps its file ID, and handles open on it stay open.
    void MakeLinkInPlace(const std::wstring& folder, const std::wstring& target);
    // Every entry the program asked to delete, by its final path, in order, whether or not it
    // could: a disposition set through a handle, or an open to delete on close.
    std::vector<std::wstring> deletions;
    // Another process renaming an entry (MoveFileW). Refused, as on Windows, while the entry
    // is held open without delete sharing or while anything below it is open, unless the
    // file system lets folders above open entries be renamed (as Wine's does).
    bool Rename(const std::wstring& from, const std::wstring& to);
    void SetRenamesAboveOpenEntries(bool renames) { m_renamesAboveOpen = renames; }
    bool Exists(const std::wstring& path) const;
    DWORD Attributes(const std::wstring& path) const;
    std::vector<std::wstring> AllPaths() const;  // upper case, sorted

    // ---- Volumes: this PC's own by drive letter, C: and D: fixed; a drive not listed is a file server's.
    void SetDriveType(wchar_t drive, UINT type) { m_driveTypes[drive] = type; }

    // ---- The desktop shell. None by default; SetShellOwner gives it an owner, by SID. The
    // program runs as kRunningAccount. HKEY_USERS holds each account's hive by SID.
    static constexpr const wchar_t* kRunningAccount = L"S-1-5-21-1000-2000-3000-1001";
    void SetShellOwner(const std::wstring& sid) { m_shellOwner = sid; }
    // Every process as WTSEnumerateProcessesW lists it, by ID and owner's SID; then the shell's (4242).
    std::vector<std::pair<DWORD, std::wstring>> listedProcesses{{4, L"S-1-5-18"}, {1234, kRunningAccount}};
    void DenyAccess(HKEY root, const std::wstring& path) { m_denied.insert(StorePath(root, path)); }

    // ---- Processes. A launched process runs until the test ends it or, by default, until
    // a wait on it would block with nothing else to do. It ends with `exitCode`, as msiexec
    // does: 0 done, 1605 unknown product, 1618 another installation running, 1603 fatal
    // error, 3010 done but a restart is needed.
    std::vector<Launch> launches;
    DWORD exitCode = ERROR_SUCCESS;
    std::deque<DWORD> exitCodes;  // what each next process ends with, before `exitCode` applies
    // The Windows Installer runs another installation, owning its _MSIExecute mutex, for the
    // next `milliseconds` of the simulated clock (GetTickCount), which only waits advance.
    void SetInstallerBusyFor(DWORD milliseconds) { m_installerBusyUntil = m_ticks + milliseconds; }
    // The rights the mutex grants (an open asking more is refused); a wait makes this program its owner.
    void SetInstallerMutexGrants(DWORD rights) { m_mutexGrants = rights; }
    bool OwnsInstallerMutex() const { return m_mutexOwned; }
    DWORD Ticks() const { return m_ticks; }
    std::function<void(const Launch&)> onProcessExit;  // what the program did when it ends
    void EndProcess(HANDLE process);
    bool IsProcessRunning(HANDLE process) const;

    // ---- Messages.
    void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, HWND window = nullptr);
    std::vector<MSG> dispatched;
    std::function<void(const MSG&)> onDispatch;
    // Events that happen, one each, whenever a wait would otherwise block.
    std::deque<std::function<void()>> whileWaiting;

    // ---- Failure injection and accounting.
    void FailCallAt(size_t ordinal) { m_failOrdinals.insert(ordinal); }
    void FailEvery(const std::wstring& callName) { m_failNames.insert(callName); }
    size_t OpenHandleCount() const {
        return m_keyHandles.size() + m_findHandles.size() + m_processes.size() + m_fileHandles.size() + m_mutexOpen +
               m_allocations + (m_volumesListed >= 0);
    }
    // Runs before each call of the seam, with the call as the log shows it: a test's chance to
    // change the file tree between two calls, as another process could.
    std::function<void(const std::wstring& call)> beforeCall;
    std::vector<std::wstring> log;
    // The log entries whose call name is one of `names`, in order.
    std::vector<std::wstring> Calls(std::initializer_list<const wchar_t*> names) const;

    // ---- The seam.
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
    HANDLE FindFirstVolumeW(LPWSTR volumeName, DWORD size) override;
    BOOL FindNextVolumeW(HANDLE find, LPWSTR volumeName, DWORD size) override;
    BOOL FindVolumeClose(HANDLE find) override;
    UINT GetDriveTypeW(LPCWSTR rootPath) override;
    BOOL GetVolumeInformationW(LPCWSTR rootPath, LPWSTR, DWORD, LPDWORD serialNumber, LPDWORD, LPDWORD, LPWSTR, DWORD) override;
    HWND GetShellWindow() override;
    DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId) override;
    BOOL WTSEnumerateProcessesW(HANDLE server, DWORD, DWORD version, PWTS_PROCESS_INFOW* list, DWORD* count) override;
    void WTSFreeMemory(PVOID memory) override;
    BOOL ConvertSidToStringSidW(PSID sid, LPWSTR* text) override;
    HLOCAL LocalFree(HLOCAL memory) override;
    BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) override;
    BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD size,
                             PDWORD returned) override;
    BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) override;
    BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) override;
    HANDLE OpenMutexW(DWORD access, BOOL inherit, LPCWSTR name) override;
    BOOL ReleaseMutex(HANDLE mutex) override;
    DWORD GetLastError() override { return Begin(L"GetLastError()"), m_lastError; }
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
    struct Value {
        DWORD type = REG_NONE;
        std::vector<std::uint8_t> data;
    };
    struct Key {
        std::map<std::wstring, Value> values;  // by upper-case name
    };
    // An open key: where it was reached from and in which view, and the key it stands for.
    struct OpenKey {
        HKEY root = nullptr;
        std::wstring logical;  // upper-case path below the root, as named
        bool view32 = true;
        REGSAM viewFlag = 0;  // the view flag the open carried, if any
        std::wstring physical;
        REGSAM access = KEY_ALL_ACCESS;  // the rights it was opened with; a root has them all
    };
    struct Node {
        std::wstring name;  // as created
        DWORD attributes = 0;
        std::wstring linkTarget;  // upper-case path, for links
        bool listsDots = true;
        bool inUse = false;
        bool heldWithDeleteSharing = false;
        bool deletePending = false;
        bool unlistable = false;
        std::uint64_t order = 0;
    };
    struct Listing {
        std::vector<WIN32_FIND_DATAW> entries;
        int ordinal = 0;
    };
    struct OpenFile {
        std::wstring key;  // the node it opened, followed through renames
        DWORD access = 0;
        bool holdsAgainstDelete = false;
        bool deleteOnClose = false;
        size_t listed = 0;      // how far a listing through the handle has come
        std::wstring viaShare;  // "\\\\server\\share" when opened through a share
        int ordinal = 0;
    };
    struct Process {
        Launch launch;
        bool running = true;
        int ordinal = 0;
    };

    bool Begin(const std::wstring& call);  // logs the call; true when it is to fail
    std::wstring RootName(HKEY root) const;
    std::wstring HandleName(HKEY key) const;
    // The physical key path ("HKLM\SOFTWARE\...", upper case) that root and path reach in a view.
    std::wstring KeyFor(HKEY root, const std::wstring& subKey, bool view32) const;
    std::wstring StorePath(HKEY root, const std::wstring& path) const;  // for the test's own writes
    // The key that a root or an open key and a relative path reach with the call's access
    // bits; false when `where` is no open key.
    bool Locate(HKEY where, LPCWSTR subKey, REGSAM access, OpenKey& key) const;
    std::vector<std::wstring> SubkeysOf(const std::wstring& fullPath) const;
    LONG Record(size_t at, LONG result);
    void CreateKey(const std::wstring& fullPath);
    bool HasSubkeys(const std::wstring& fullPath) const;
    void EraseTree(const std::wstring& fullPath, bool keepKey);

    // The node key ("C:\X", upper case) a Win32 path reaches, following links on the way;
    // empty when the path is malformed or too long for its form.
    std::wstring Resolve(const std::wstring& path, bool followLast) const;
    std::wstring ParentOf(const std::wstring& key) const;
    bool IsHeld(const std::wstring& key) const;  // open without delete sharing
    std::wstring FinalPathOf(const std::wstring& key) const;  // "\\?\C:\..." in the names as created
    std::wstring FileHandleName(HANDLE file) const;
    void Insert(const std::wstring& path, Node node);
    std::vector<const Node*> ChildrenOf(const std::wstring& folder) const;  // in creation order
    HANDLE OpenNode(const std::wstring& key, DWORD access, DWORD share, const std::wstring& viaShare);
    void EraseOnClose(const std::wstring& key);  // the entry's last handle closed after its deletion was set
    static WIN32_FIND_DATAW Entry(const std::wstring& name, DWORD attributes);

    WORD m_nativeArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    bool m_hasNativeSystemInfo = true;
    std::wstring m_systemDirectory = L"C:\\Windows\\system32";
    std::map<int, std::wstring> m_knownFolders;
    std::map<std::wstring, std::wstring> m_environment;
    std::wstring m_profilesDirectory = L"C:\\Users";

    std::map<std::wstring, Key> m_keys;            // by physical upper-case path
    HandleChildren m_children;
    std::map<HKEY, OpenKey> m_keyHandles;
    std::map<size_t, LONG> m_results;  // by log index
    int m_depth = 0;                   // calls made inside another call are logged indented
    std::map<HKEY, int> m_keyOrdinals;
    int m_nextKeyOrdinal = 1;

    std::map<std::wstring, Node> m_nodes;  // by upper-case path without "\\?\"
    std::map<std::wstring, std::wstring> m_aliases;  // drive letters and shares, to node keys
    std::uint64_t m_nextOrder = 1;
    std::map<HANDLE, Listing> m_findHandles;
    int m_nextFindOrdinal = 1;
    std::map<HANDLE, OpenFile> m_fileHandles;
    int m_nextFileOrdinal = 1;
    bool m_renamesAboveOpen = false;
    std::map<wchar_t, UINT> m_driveTypes{{L'C', DRIVE_FIXED}, {L'D', DRIVE_FIXED}};
    int m_volumesListed = -1;  // how far the one listing of volumes has come; -1 when none is open

    std::map<HANDLE, Process> m_processes;  // open process handles
    std::set<HANDLE> m_endedUnclosed;
    int m_nextProcessOrdinal = 1;
    std::wstring m_shellOwner;
    std::set<std::wstring> m_denied;  // keys whose opens are refused
    bool m_mutexOpen = false;  // the installer's mutex, "#m"
    bool m_mutexOwned = false;
    DWORD m_mutexAccess = 0, m_mutexGrants = MUTEX_ALL_ACCESS, m_lastError = ERROR_SUCCESS;
    std::vector<WTS_PROCESS_INFOW> m_listed;  // the process list handed out
    int m_allocations = 0;                    // process lists and SID texts handed out, not yet freed
    DWORD m_ticks = 0;
    DWORD m_installerBusyUntil = 0;
    std::deque<MSG> m_queue;

    std::set<size_t> m_failOrdinals;
    std::set<std::wstring> m_failNames;
};

// Text for a failure-free sequence assertion: "name(args)" strings joined by newlines.
std::wstring Joined(const std::vector<std::wstring>& lines);

}  // namespace velmora::sim
