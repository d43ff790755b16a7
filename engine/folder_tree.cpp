// Removal of a folder and everything below it.
#include <cwchar>

#include "install_cleaner.h"
#include "long_path.h"
#include "unique_handle.h"

using velmora::ExtendedLengthPath;
using velmora::JoinPath;
using velmora::UniqueFind;
using velmora::WindowsApi;

namespace {

bool IsDotEntry(const wchar_t* name) { return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0; }

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
bool IsDirectory(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// Depth-first removal. Entries are told apart by the attributes their own listing gives,
// so a file costs one deletion and a folder one listing: the listing that proves a folder
// can be walked is the one the walk then reads.
class FolderWalk {
public:
    explicit FolderWalk(WindowsApi& api) : m_api(api) {}

    // Removes every entry below the folder whose listing is open, starting with `entry`.
    void RemoveListedEntries(const std::wstring& folder, const UniqueFind& listing, WIN32_FIND_DATAW& entry) {
        do {
            if (!IsDotEntry(entry.cFileName)) RemoveEntry(JoinPath(folder, entry.cFileName), entry.dwFileAttributes);
        } while (m_api.FindNextFileW(listing.get(), &entry));
    }

private:
    void RemoveEntry(const std::wstring& child, DWORD attributes) {
        if (IsLink(attributes)) {
            // A junction or symbolic link: only the link goes, never what it points to.
            if (IsDirectory(attributes))
                m_api.RemoveDirectoryW(child.c_str());
            else
                m_api.DeleteFileW(child.c_str());
            return;
        }
        if (IsDirectory(attributes)) {
            WIN32_FIND_DATAW first{};
            UniqueFind listing(m_api, m_api.FindFirstFileW(JoinPath(child, L"*.*").c_str(), &first));
            if (listing) {
                RemoveListedEntries(child, listing, first);
                listing.reset();
                m_api.RemoveDirectoryW(child.c_str());
                return;
            }
            // A folder that cannot be listed is handed on as a file: the deletion fails and
            // the folder stays, with everything in it.
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

}  // namespace

BOOL IsFolder(const std::wstring& path, WindowsApi& api) {
    WIN32_FIND_DATAW entry{};
    UniqueFind listing(api, api.FindFirstFileW(JoinPath(ExtendedLengthPath(path), L"*").c_str(), &entry));
    return listing ? TRUE : FALSE;
}

BOOL CInstallCleaner::DeleteFolderTree(const std::wstring& path) {
    const std::wstring folder = ExtendedLengthPath(path);
    // A link handed in as the folder is removed itself; its target is not emptied. A path
    // that cannot be told apart from a link is not walked either.
    DWORD attributes = 0;
    if (!EntryAttributes(m_api, folder, attributes) || IsLink(attributes)) return m_api.RemoveDirectoryW(folder.c_str());

    WIN32_FIND_DATAW entry{};
    UniqueFind listing(m_api, m_api.FindFirstFileW(JoinPath(folder, L"*.*").c_str(), &entry));
    if (listing) FolderWalk(m_api).RemoveListedEntries(folder, listing, entry);
    listing.reset();
    return m_api.RemoveDirectoryW(folder.c_str());
}
