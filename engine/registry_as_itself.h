// Registry keys opened and deleted as themselves: a registry symbolic link on the way is
// never followed to its target.
//
// A standard user can make a registry link (REG_OPTION_CREATE_LINK) in the own hive, and
// anywhere else the user may create keys; a plain open of a path through it reaches the
// link's target, which may be any key of the machine. The real layer runs with an
// administrator's rights, so it walks every path one key at a time and judges each key
// from its own open handle, opened with REG_OPTION_OPEN_LINK: a link is told by its
// SymbolicLinkValue of type REG_LINK, which only such a handle shows.
#pragma once

#include <windows.h>

namespace velmora {

// What an open reports when a link stands above the key it names: nothing below a link is
// opened, since that would be the link's target. Windows gives this code for names that
// lead through links it will not resolve, and it tells a caller that the key was neither
// missing nor refused by its rights.
inline constexpr LONG kKeyBehindLink = ERROR_CANT_RESOLVE_FILENAME;

// Opens root\path as RegOpenKeyExW does, with `options` and `access`, but one path component
// at a time: each relative to the handle before, with REG_OPTION_OPEN_LINK and the view flag
// of `access` (none when it has none). Each key above the last is opened with
// KEY_QUERY_VALUE too, to be judged; where one is a link, the open fails with
// kKeyBehindLink. The last key is opened as itself, a link included. An empty path opens
// root again.
LONG OpenKeyAsItself(HKEY root, LPCWSTR path, DWORD options, REGSAM access, PHKEY result);

// Deletes the key an open handle stands for (opened with DELETE): the key that was judged
// is the key that goes, and a link opened as itself goes itself, its target untouched. Fails
// for a key with subkeys, as RegDeleteKeyExW does.
LONG DeleteOpenKey(HKEY key);

}  // namespace velmora
