// The reference walk of the folder-removal benchmark: the least any removal of a tree through
// the Win32 file calls has to do. One listing per folder, each entry told apart by the
// attributes that listing gives, one deletion per entry, and nothing else: no probes, no
// link handling, no path conversion, no allocation.
#pragma once

#include <windows.h>

namespace velmora_bench {

// Removes what lies below the folder, then the folder. `path` holds the folder's plain
// path, `length` its length, and has room for 32,767 characters; it is used as scratch
// space and holds the folder's path again on return.
inline void ReferenceWalk(wchar_t* path, size_t length) {
    path[length] = L'\\';
    path[length + 1] = L'*';
    path[length + 2] = L'\0';
    WIN32_FIND_DATAW entry;
    HANDLE listing = ::FindFirstFileW(path, &entry);
    if (listing != INVALID_HANDLE_VALUE) {
        do {
            const wchar_t* name = entry.cFileName;
            if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) continue;
            size_t end = length + 1;
            for (const wchar_t* c = name; *c; ++c) path[end++] = *c;
            path[end] = L'\0';
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                ReferenceWalk(path, end);
            else
                ::DeleteFileW(path);
        } while (::FindNextFileW(listing, &entry));
        ::FindClose(listing);
    }
    path[length] = L'\0';
    ::RemoveDirectoryW(path);
}

}  // namespace velmora_bench
