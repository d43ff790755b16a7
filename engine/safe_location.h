// Decides whether a folder named by an "InstallLocation" value may be removed.
//
// The value comes from the registry, which any installer, user or fault can write. A
// value such as "C:\", "." or the Windows folder would otherwise make a cleanup wipe a
// drive, the current folder or the system, so folders are removed only below a path that
// is fully qualified, plain and clear of every well-known system and user folder.
#pragma once

#include <string>
#include <vector>

#include "windows_api.h"

namespace velmora {

// The path in a canonical form for comparing: drive letter or "\\server\share" root, single
// backslashes, no trailing backslash, upper case. Empty when the path is not a plain, fully
// qualified path: relative, drive-relative, device ("\\.\", "\\?\"), a bare root, or with
// a "." / ".." component, an empty component, a component Windows would shorten (trailing
// dot or space), an 8.3 short-name alias ("~" and a digit), or a character no path may hold.
std::wstring CanonicalFolderPath(const std::wstring& path);

// The folders whose removal would harm the system or a user's data, asked from the system:
// Windows, system, Program Files (both kinds), common files, ProgramData, the user profile
// and its data folders. Their parents (the Users folder among them) are covered by the rule
// in IsRemovableInstallLocation.
std::vector<std::wstring> ProtectedFolders(WindowsApi& api);

// True when the location is a plain, fully qualified folder that is none of these, nor a
// parent of one: a protected folder; a folder at or below the Windows, system or SysWOW64
// folder or ProgramData\Microsoft; the profiles folder (as the system reports it, and the
// folder holding the running account's profile) or any folder directly in it; in any
// profile, a data folder the running account keeps in its own (its Desktop, Documents and
// AppData folders, by their place in its profile). False also when the system does not say
// where Windows or the profiles are.
bool IsRemovableInstallLocation(const std::wstring& location, WindowsApi& api);

}  // namespace velmora
