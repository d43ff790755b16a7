// A folder opened as itself and held while it is judged and removed.
//
// The folder is opened once, by the name that leads to it, as the folder itself (a junction
// or symbolic link is opened as the link, never followed), with listing and delete access
// and without delete sharing: until its handle is closed nobody can rename, replace or
// remove it. What is judged is then the folder that is really there: where it really is
// (its final path, from the handle), whatever names led to it. Everything below it is
// reached only through handles (see RemoveHeldFolder), so nothing swapped in or made a
// link meanwhile can lead the removal anywhere else.
#pragma once

#include <string>

#include "unique_handle.h"
#include "windows_api.h"

namespace velmora {

struct HeldFolder {
    UniqueFile handle;       // none when the name led to no plain folder
    std::wstring realPlace;  // "C:\..." or "\\server\share\...": its final path; empty when unknown
};

// What a folder is held for: to be removed (with delete access), or only to stay where it
// is while folders below it are looked up by their paths (without delete access, which
// would keep others, a listing of it among them, from opening it without delete sharing).
enum class HoldFor { Removal, LookingInto };

// Holds the folder the path names. No handle when the path cannot be resolved exactly as
// Windows resolves it (see ResolvePlainPath), or names a link, a file or nothing.
HeldFolder HoldFolder(WindowsApi& api, const std::wstring& path, HoldFor purpose = HoldFor::Removal);

// Empties the held folder and deletes it, each entry listed through its folder's handle,
// opened relative to that handle as itself, confirmed to be the entry listed (its file ID),
// and deleted through its own handle: a link goes itself, never what it points to; an entry
// replaced, or a folder made a link in place, since it was listed is left alone. Files that
// cannot go (read-only, in use) stay, with the folders above them. TRUE when the folder
// itself is gone.
BOOL RemoveHeldFolder(WindowsApi& api, HeldFolder folder);

// Where an open file or folder really is, as HeldFolder::realPlace tells it.
std::wstring RealPlaceOf(WindowsApi& api, const UniqueFile& file);

// Removes the folder the path names and everything below it as far as it can, as
// CInstallCleaner::DeleteFolderTree describes. The folder is not judged first.
BOOL RemoveFolderTree(WindowsApi& api, const std::wstring& path);

}  // namespace velmora

// TRUE when a listing of the path's contents can be opened, that is, it names a folder
// the user may list.
BOOL IsFolder(const std::wstring& path, velmora::WindowsApi& api = velmora::SystemWindows());
