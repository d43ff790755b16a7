// Removal of a folder and everything below it, through the handles that hold them.
#include <vector>

#include "folders/held_folder.h"
#include "folders/long_path.h"

using velmora::ExtendedLengthPath;
using velmora::HeldFolder;
using velmora::UniqueFile;
using velmora::UniqueFind;
using velmora::WindowsApi;

namespace {

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
bool IsDirectory(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// A folder is held with listing and delete access and without delete sharing, so that it
// stays what and where it is until the walk deletes it. A file is opened with delete
// access alone and shares everything, as DeleteFileW opens it.
constexpr DWORD kFolderAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | DELETE | SYNCHRONIZE;
constexpr DWORD kFileAccess = FILE_READ_ATTRIBUTES | DELETE | SYNCHRONIZE;
constexpr DWORD kHoldSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kFileSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// FileDispositionInfoEx with its flags delete and POSIX semantics (the name goes at once, so
// that a file another program holds with delete sharing no longer keeps its folder).
const FILE_INFO_BY_HANDLE_CLASS kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kPosixDelete = 0x1 | 0x2;

struct ListedEntry {
    std::wstring name;
    DWORD attributes;
    LONGLONG id;  // the file ID the listing gave
};

DWORD Attributes(WindowsApi& api, const UniqueFile& file) {
    FILE_ATTRIBUTE_TAG_INFO info{};
    return api.GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &info, sizeof(info))
               ? info.FileAttributes
               : INVALID_FILE_ATTRIBUTES;
}

class HandleWalk {
public:
    explicit HandleWalk(WindowsApi& api) : m_api(api) {}

    // Removes every entry of the held folder, then the folder through its handle, which is
    // closed here. A folder that cannot be listed keeps what is in it, and so stays.
    bool RemoveFolder(UniqueFile folder) {
        for (const ListedEntry& entry : List(folder)) RemoveEntry(folder, entry);
        return Delete(folder);
    }

    // Marks what the handle holds for deletion when the handle closes. POSIX semantics first;
    // where the system lacks them (before Windows 10 1709, other file systems, Wine) the
    // classic disposition, which is then used for the rest of the walk.
    bool Delete(const UniqueFile& file) {
        DWORD posix = kPosixDelete;
        if (!m_posixDeleteMissing && m_api.SetFileInformationByHandle(file.get(), kFileDispositionInfoEx, &posix, sizeof(posix)))
            return true;
        FILE_DISPOSITION_INFO classic{TRUE};
        const bool deleted = m_api.SetFileInformationByHandle(file.get(), FileDispositionInfo, &classic, sizeof(classic));
        m_posixDeleteMissing = m_posixDeleteMissing || deleted;
        return deleted;
    }

private:
    // Every entry but "." and "..", listed through the folder's own handle.
    std::vector<ListedEntry> List(const UniqueFile& folder) {
        std::vector<ListedEntry> entries;
        std::vector<LONGLONG> buffer(64 * 1024 / sizeof(LONGLONG));  // the records are 8-byte aligned
        const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(LONGLONG));
        for (FILE_INFO_BY_HANDLE_CLASS batch = FileIdBothDirectoryRestartInfo;
             m_api.GetFileInformationByHandleEx(folder.get(), batch, buffer.data(), size); batch = FileIdBothDirectoryInfo) {
            const BYTE* at = reinterpret_cast<const BYTE*>(buffer.data());
            for (;;) {
                const auto* record = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
                std::wstring name(record->FileName, record->FileNameLength / sizeof(wchar_t));
                if (name != L"." && name != L"..") entries.push_back({name, record->FileAttributes, record->FileId.QuadPart});
                if (record->NextEntryOffset == 0) break;
                at += record->NextEntryOffset;
            }
        }
        return entries;
    }

    void RemoveEntry(const UniqueFile& parent, const ListedEntry& entry) {
        const bool link = IsLink(entry.attributes);
        if (!link && !IsDirectory(entry.attributes)) {
            RemoveFile(parent, entry.name);
            return;
        }
        UniqueFile held = link ? OpenRelative(parent, entry.name, kFileAccess, kFileSharing)
                               : OpenRelative(parent, entry.name, kFolderAccess, kHoldSharing);
        // Without delete access a folder can still be emptied: one that is some program's
        // current folder shares everything but deletion.
        if (!held && !link) held = OpenRelative(parent, entry.name, kFolderAccess & ~DELETE, kHoldSharing);
        // Not the entry listed (replaced since, or, under Wine, a link the open followed).
        if (!held || FileId(held) != entry.id) return;
        // Checked from the handle, opened as the link itself where there is one: a folder made
        // a link in place since the listing goes as a link; an entry listed as a link goes
        // only when the handle holds the link (Wine's open of a Unix link holds its target).
        const DWORD attributes = Attributes(m_api, held);
        if (attributes == INVALID_FILE_ATTRIBUTES || (link && !IsLink(attributes))) return;
        if (IsLink(attributes))
            Delete(held);
        else
            RemoveFolder(std::move(held));
    }

    // A file is opened as itself, never as a link's target, and so goes itself, whatever
    // stands at its name by now. Where a deletion takes effect only when the last handle
    // closes anyway (no POSIX semantics), the open asks for that at once: a file then costs
    // one open and one close, as DeleteFileW does.
    void RemoveFile(const UniqueFile& parent, const std::wstring& name) {
        const ULONG options = FILE_NON_DIRECTORY_FILE | (m_posixDeleteMissing ? FILE_DELETE_ON_CLOSE : 0);
        UniqueFile file = OpenRelative(parent, name, kFileAccess, kFileSharing, options);
        if (file && !m_posixDeleteMissing) Delete(file);
    }

    // The entry named relative to the folder's handle, opened as itself.
    UniqueFile OpenRelative(const UniqueFile& parent, const std::wstring& name, DWORD access, DWORD share,
                            ULONG options = 0) {
        const USHORT bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
        UNICODE_STRING objectName{bytes, bytes, const_cast<PWSTR>(name.c_str())};
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &objectName, 0, parent.get(), nullptr);
        IO_STATUS_BLOCK status{};
        HANDLE opened = INVALID_HANDLE_VALUE;
        const NTSTATUS result =
            m_api.NtCreateFile(&opened, access, &attributes, &status, nullptr, 0, share, FILE_OPEN,
                               options | FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT |
                                   FILE_SYNCHRONOUS_IO_NONALERT,
                               nullptr, 0);
        return UniqueFile(m_api, NT_SUCCESS(result) ? opened : INVALID_HANDLE_VALUE);
    }

    // The file ID the handle's file has; -1 when the system will not say, which matches no
    // listed entry.
    LONGLONG FileId(const UniqueFile& file) {
        IO_STATUS_BLOCK status{};
        FILE_INTERNAL_INFORMATION info{};
        return NT_SUCCESS(m_api.NtQueryInformationFile(file.get(), &status, &info, sizeof(info), FileInternalInformation))
                   ? info.IndexNumber.QuadPart
                   : -1;
    }

    WindowsApi& m_api;
    bool m_posixDeleteMissing = false;
};

// The attributes of the entry the path names, as a listing of that one entry gives them;
// false when the entry cannot be found. Under Wine this is how a link named as the folder
// shows: an open of it follows it even when asked for the link itself.
bool EntryAttributes(WindowsApi& api, const std::wstring& path, DWORD& attributes) {
    WIN32_FIND_DATAW self{};
    UniqueFind probe(api, api.FindFirstFileW(path.c_str(), &self));
    attributes = self.dwFileAttributes;
    return static_cast<bool>(probe);
}

// A path the walk can use: the extended form of the caller's path, or empty when the path
// cannot be resolved exactly as Windows resolves it (relative, device, or a name Windows
// would read differently), since it would then reach something else.
std::wstring WalkablePath(const std::wstring& path) {
    std::wstring folder = ExtendedLengthPath(path);
    return folder.rfind(L"\\\\?\\", 0) == 0 ? folder : L"";
}

// The folder opened as itself and held, with delete access where it is asked for and can
// be had.
UniqueFile OpenHeld(WindowsApi& api, const std::wstring& folder, bool withDelete) {
    for (DWORD access : {withDelete ? kFolderAccess : kFolderAccess & ~DELETE, kFolderAccess & ~DELETE}) {
        UniqueFile held(api, api.CreateFileW(folder.c_str(), access, kHoldSharing, nullptr, OPEN_EXISTING,
                                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (held) return held;
    }
    return UniqueFile(api);
}

// Opens what the path names as itself and tells what it is: the attributes its handle
// gives, or those of a listing of the one entry where that shows a link (Wine opens a link's
// target even when asked for the link itself; the link is then not opened).
// INVALID_FILE_ATTRIBUTES when the path names nothing that can be opened.
DWORD OpenTop(WindowsApi& api, const std::wstring& folder, UniqueFile& held, bool withDelete = true) {
    DWORD attributes = 0;
    if (!EntryAttributes(api, folder, attributes)) return INVALID_FILE_ATTRIBUTES;
    if (IsLink(attributes)) return attributes;
    held = OpenHeld(api, folder, withDelete);
    return held ? Attributes(api, held) : INVALID_FILE_ATTRIBUTES;
}

}  // namespace

namespace velmora {

HeldFolder HoldFolder(WindowsApi& api, const std::wstring& path, HoldFor purpose) {
    HeldFolder held{UniqueFile(api), {}};
    const std::wstring folder = WalkablePath(path);
    const DWORD attributes =
        folder.empty() ? INVALID_FILE_ATTRIBUTES : OpenTop(api, folder, held.handle, purpose == HoldFor::Removal);
    if (attributes == INVALID_FILE_ATTRIBUTES || !IsDirectory(attributes) || IsLink(attributes))
        held.handle.reset();
    else
        held.realPlace = RealPlaceOf(api, held.handle);
    return held;
}

BOOL RemoveHeldFolder(WindowsApi& api, HeldFolder folder) {
    return folder.handle && HandleWalk(api).RemoveFolder(std::move(folder.handle)) ? TRUE : FALSE;
}

std::wstring RealPlaceOf(WindowsApi& api, const UniqueFile& file) {
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = api.GetFinalPathNameByHandleW(file.get(), &path[0], static_cast<DWORD>(path.size()),
                                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
            return path.rfind(L"\\\\?\\", 0) == 0 ? path.substr(4) : L"";
        }
        path.assign(length, L'\0');  // too small: the answer is the size needed
    }
    return {};
}

BOOL RemoveFolderTree(WindowsApi& api, const std::wstring& path) {
    const std::wstring folder = WalkablePath(path);
    UniqueFile held(api);
    const DWORD attributes = folder.empty() ? INVALID_FILE_ATTRIBUTES : OpenTop(api, folder, held);
    if (attributes == INVALID_FILE_ATTRIBUTES || !IsDirectory(attributes)) return FALSE;
    // A link handed in as the folder, or swapped in for it meanwhile, goes itself; its target
    // is not emptied.
    HandleWalk walk(api);
    if (IsLink(attributes)) return (held ? walk.Delete(held) : api.RemoveDirectoryW(folder.c_str())) ? TRUE : FALSE;
    return walk.RemoveFolder(std::move(held)) ? TRUE : FALSE;
}

}  // namespace velmora

BOOL IsFolder(const std::wstring& path, velmora::WindowsApi& api) {
    const std::wstring folder = WalkablePath(path);
    if (folder.empty()) return FALSE;
    WIN32_FIND_DATAW entry{};
    UniqueFind listing(api, api.FindFirstFileW(velmora::JoinPath(folder, L"*").c_str(), &entry));
    return listing ? TRUE : FALSE;
}
