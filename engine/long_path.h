// Paths in the extended-length form ("\\?\C:\..." or "\\?\UNC\server\share\...").
//
// Folder removal walks trees that can be deeper than the 259 characters a plain path may
// hold, and meets entries such as "..." or "name." that plain path parsing would shorten to
// a different name (the parent folder, or another entry). The extended form reaches both
// exactly, so the walk uses it throughout.
#pragma once

#include <string>

namespace velmora {

// The extended-length form of a fully qualified path, resolved as Windows resolves a plain
// path: repeated separators folded, "." and ".." applied, trailing dots and spaces of each
// component dropped, no trailing separator (but "\\?\C:\" for a drive root). A path already
// in the extended form is kept as it is; a relative or device path is returned unchanged.
std::wstring ExtendedLengthPath(const std::wstring& path);

// The folder joined with one entry name by exactly one backslash.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

}  // namespace velmora
