// Removal of a folder and everything below it.
#include <cwchar>
#include <cwctype>

#include "install_cleaner.h"
#include "long_path.h"
#include "unique_handle.h"

using velmora::ExtendedLengthPath;
using velmora::JoinPath;
using velmora::UniqueFile;
using velmora::UniqueFind;
using velmora::WindowsApi;

namespace {

bool IsDotEntry(const wchar_t* name) { return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0; }

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
bool IsDirectory(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// Whether two full paths name the same place, compared without case and without the
// trailing dots and spaces of their components. Windows' answer for a folder is its exact
// path; Wine passes that answer through its plain-path rules, which drop such dots and
// spaces (see FinalPath). A place that differs from the expected one only in them lies in
// the same parent under a name the walk could have met there.
bool SamePlace(const std::wstring& a, const std::wstring& b) {
    auto fold = [](const std::wstring& path) {
        std::wstring out;
        size_t start = 0;
        for (;;) {
            const size_t end = path.find(L'\\', start);
            std::wstring part = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
            while (!part.empty() && (part.back() == L'.' || part.back() == L' ')) part.pop_back();
            for (wchar_t& c : part) c = static_cast<wchar_t>(std::towupper(c));
            out += part;
            if (end == std::wstring::npos) return out;
            out += L'\\';
            start = end + 1;
        }
    };
    return fold(a) == fold(b);
}

// Opens a folder so that it stays where it is while the walk empties it: the link itself,
// never its target, is opened, with listing access and without delete sharing, so that
// nobody can rename, replace or remove the folder until the handle is closed. (An open
// with attribute access alone would take part in no sharing check and hold nothing.)
UniqueFile OpenFolder(WindowsApi& api, const std::wstring& folder) {
    return UniqueFile(api, api.CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// The open object's own full path as the system resolves it ("\\?\C:\..."), or empty
// when the system will not say.
std::wstring FinalPath(WindowsApi& api, const UniqueFile& folder) {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = api.GetFinalPathNameByHandleW(folder.get(), &path[0], static_cast<DWORD>(path.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length >= path.size()) {  // too small: the answer is the size needed
        path.assign(length, L'\0');
        length = api.GetFinalPathNameByHandleW(folder.get(), &path[0], static_cast<DWORD>(path.size()),
                                               FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length >= path.size()) return {};
    }
    path.resize(length);
    return path;
}

// Confirms from its handle that a held folder is a plain folder (no junction or symbolic
// link) at the expected place, and returns that place; empty when it fails. For the top
// folder (`expected` empty) the place is its final path, taken here. A folder swapped for a
// link, or reached through a link put anywhere above it since the top was taken, fails.
std::wstring ConfirmFolder(WindowsApi& api, const UniqueFile& folder, const std::wstring& expected) {
    // The attributes alone: GetFileInformationByHandle would give them too, but also asks for
    // the volume's serial number, which costs a millisecond a folder under Wine.
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!api.GetFileInformationByHandleEx(folder.get(), FileAttributeTagInfo, &info, sizeof(info))) return {};
    if (!IsDirectory(info.FileAttributes) || IsLink(info.FileAttributes)) return {};
    const std::wstring actual = FinalPath(api, folder);
    if (expected.empty()) return actual;
    // Wine names no folder whose path is longer than a plain path may be (it answers 0, not
    // the size needed, as Windows would); there the handle's attributes are all it has.
    if (actual.empty()) return expected.size() >= MAX_PATH ? expected : L"";
    return SamePlace(actual, expected) ? expected : L"";
}

// Depth-first removal. Entries are told apart by the attributes their own listing gives,
// so a file costs one deletion and a folder one listing: the listing that proves a folder
// can be walked is the one the walk then reads. Each folder is held open, and confirmed
// from its handle, from before its listing until just before its own removal.
class FolderWalk {
public:
    explicit FolderWalk(WindowsApi& api) : m_api(api) {}

    // Removes every entry below the folder whose listing is open, starting with `entry`.
    // `finalPath` is where the system has the held folder: the top folder's own final path
    // followed by the names the walk went through.
    void RemoveListedEntries(const std::wstring& folder, const std::wstring& finalPath, const UniqueFind& listing,
                             WIN32_FIND_DATAW& entry) {
        do {
            if (!IsDotEntry(entry.cFileName))
                RemoveEntry(JoinPath(folder, entry.cFileName), finalPath, entry.cFileName, entry.dwFileAttributes);
        } while (m_api.FindNextFileW(listing.get(), &entry));
    }

private:
    void RemoveEntry(const std::wstring& child, const std::wstring& parentFinalPath, const wchar_t* name,
                     DWORD attributes) {
        if (IsLink(attributes)) {
            // A junction or symbolic link: only the link goes, never what it points to.
            if (IsDirectory(attributes))
                m_api.RemoveDirectoryW(child.c_str());
            else
                m_api.DeleteFileW(child.c_str());
            return;
        }
        if (IsDirectory(attributes)) {
            const std::wstring childFinalPath = JoinPath(parentFinalPath, name);
            UniqueFile held = OpenFolder(m_api, child);
            // Swapped for a link since it was listed, or no longer where the walk expects
            // it: left alone, with everything in it.
            if (held && ConfirmFolder(m_api, held, childFinalPath).empty()) return;
            if (held) {
                WIN32_FIND_DATAW first{};
                UniqueFind listing(m_api, m_api.FindFirstFileW(JoinPath(child, L"*.*").c_str(), &first));
                if (listing) {
                    RemoveListedEntries(child, childFinalPath, listing, first);
                    listing.reset();
                    held.reset();
                    m_api.RemoveDirectoryW(child.c_str());
                    return;
                }
            }
            // A folder that cannot be opened or listed is handed on as a file: the deletion
            // fails and the folder stays, with everything in it.
        }
        m_api.DeleteFileW(child.c_str());
    }

    WindowsApi& m_api;
};

// The attributes of the entry the path names, as a listing of that one entry gives them;
// false when the entry cannot be found.
bool EntryAttributes(WindowsApi& api, const std::wstring& path, DWORD& attributes) {
    WIN32_FIND_DATAW self{};
    UniqueFind probe(api, api.FindFirstFileW(path.c_str(), &self));
    attributes = self.dwFileAttributes;
    return static_cast<bool>(probe);
}

// A path the walk can use: the extended form of the caller's path, or empty when the path
// cannot be resolved exactly as Windows resolves it (relative, device, or a name Windows
// would read differently), since every child path would then reach something else.
std::wstring WalkablePath(const std::wstring& path) {
    std::wstring folder = ExtendedLengthPath(path);
    return folder.rfind(L"\\\\?\\", 0) == 0 ? folder : L"";
}

}  // namespace

BOOL IsFolder(const std::wstring& path, WindowsApi& api) {
    const std::wstring folder = WalkablePath(path);
    if (folder.empty()) return FALSE;
    WIN32_FIND_DATAW entry{};
    UniqueFind listing(api, api.FindFirstFileW(JoinPath(folder, L"*").c_str(), &entry));
    return listing ? TRUE : FALSE;
}

BOOL CInstallCleaner::DeleteFolderTree(const std::wstring& path) {
    const std::wstring folder = WalkablePath(path);
    if (folder.empty()) return FALSE;
    // A link handed in as the folder is removed itself; its target is not emptied. A path
    // that cannot be told apart from a link is not walked either.
    DWORD attributes = 0;
    if (!EntryAttributes(m_api, folder, attributes) || IsLink(attributes)) return m_api.RemoveDirectoryW(folder.c_str());

    // The top folder is held and confirmed as every folder below it is; its own final path,
    // taken once here, is what every folder below is compared with.
    UniqueFile held = OpenFolder(m_api, folder);
    const std::wstring finalPath = held ? ConfirmFolder(m_api, held, L"") : L"";
    if (!finalPath.empty()) {
        WIN32_FIND_DATAW entry{};
        UniqueFind listing(m_api, m_api.FindFirstFileW(JoinPath(folder, L"*.*").c_str(), &entry));
        if (listing) FolderWalk(m_api).RemoveListedEntries(folder, finalPath, listing, entry);
    }
    held.reset();
    // Only an empty folder, or a link put in its place, can go here: nothing below it is
    // touched when the folder failed its checks.
    return m_api.RemoveDirectoryW(folder.c_str());
}
