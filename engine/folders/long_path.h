// Paths in the extended-length form ("\\?\C:\..." or "\\?\UNC\server\share\...").
//
// Folder removal walks trees that can be deeper than the 259 characters a plain path may
// hold, and meets entries such as "..." or "name." that plain path parsing would shorten to
// a different name (the parent folder, or another entry). The extended form reaches both
// exactly, so the walk uses it throughout; the caller's plain path is first resolved as
// Windows itself resolves it, so that the walk starts at the folder the caller named.
#pragma once

#include <string>

namespace velmora {

// What Windows makes of a fully qualified plain path ("C:\..." or "\\server\share\..."),
// character for character as GetFullPathNameW gives it: "/" read as "\", repeated
// separators folded, "." and ".." applied (never above the drive or share), one trailing
// period dropped from each inner component, all trailing periods and spaces dropped from
// the last component unless the path ends in a separator. Empty when the path is not such a
// path, or when Windows would resolve it to something the extended form cannot name the
// same way: a ".." left as a name (from an inner "..."), a device name such as "CON" or
// "nul.txt" as the last component, or a server or share name that is unusual.
std::wstring ResolvePlainPath(const std::wstring& path);

// The extended-length form of a fully qualified plain path, resolved as ResolvePlainPath
// does, without a trailing separator (but "\\?\C:\" for a drive root). A path already in
// the extended form is kept as it is; any other path (relative, device, or one that
// ResolvePlainPath refuses) is returned unchanged, and is not in the extended form.
std::wstring ExtendedLengthPath(const std::wstring& path);

// The folder joined with one entry name by exactly one backslash.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

}  // namespace velmora
