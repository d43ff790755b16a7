// Registry keys opened and deleted as themselves, by their physical path: a registry
// symbolic link on the way is never followed to its target, save Windows's own.
//
// A standard user can make a registry link (REG_OPTION_CREATE_LINK) in the own hive, leading
// to the same user's other keys, and in any machine key whose rights let standard users
// create keys there (a vendor key an installer left writable); a plain open of a path
// through it reaches the link's target. The real layer runs with an administrator's rights,
// so it walks every path one key at a time and judges each key from its own open handle,
// opened with REG_OPTION_OPEN_LINK: a link is told by its SymbolicLinkValue of type
// REG_LINK, which only such a handle shows.
//
// Every open carries a view flag, the caller's or else KEY_WOW64_64KEY. The 64-bit view is
// the physical registry, where each name is taken literally; without a flag, a 32-bit
// process on 64-bit Windows goes through the WOW64 registry redirector, which treats a
// relative open otherwise than a whole-path one (its handle to SOFTWARE already is
// SOFTWARE\Wow6432Node). So the walk never relies on how the redirector treats an open. On
// 32-bit Windows the flag is ignored.
#pragma once

#include <windows.h>

#include <string>

namespace velmora {

// What an open reports when a link stands above the key it names: nothing below a link is
// opened, since that would be the link's target. Windows gives this code for names that
// lead through links it will not resolve, and it tells a caller that the key was neither
// missing nor refused by its rights.
inline constexpr LONG kKeyBehindLink = ERROR_CANT_RESOLVE_FILENAME;

// The view every open here is made in: the one `access` names, else the 64-bit view.
inline constexpr REGSAM OpenedView(REGSAM access) {
    return access & KEY_WOW64_RES ? access & KEY_WOW64_RES : KEY_WOW64_64KEY;
}

// Opens root\path as RegOpenKeyExW does, with `options` and `access`, but one path component
// at a time: each relative to the handle before, with REG_OPTION_OPEN_LINK and the view flag
// of `access` (KEY_WOW64_64KEY when it has none). Each key above the last is opened with
// KEY_QUERY_VALUE too, to be judged. Where one is a link, the open fails with kKeyBehindLink,
// unless it is one of Windows's own links in the administrators' part of HKLM, found by its
// full name and holding its documented target: the walk then goes on from that target, as a
// whole-path open does. The last key is opened as itself, a link included. An empty path
// opens root again.
LONG OpenKeyAsItself(HKEY root, LPCWSTR path, DWORD options, REGSAM access, PHKEY result);

// Where the walk goes on from a registry link met above the key it opens: the path below
// HKEY_LOCAL_MACHINE of the link's target, when the link, by its full name in the registry
// ("\REGISTRY\MACHINE\..."), is one of Windows's own links in the administrators' part of
// HKLM and holds that link's documented target; empty for any other link, which stops the
// walk. Names compare as Windows compares them, ordinally with case ignored.
std::wstring ThroughSystemLink(const std::wstring& fullName, const std::wstring& target);

// Opens HKEY_CLASSES_ROOT\path as the physical key that HKEY_CLASSES_ROOT's merged view
// names: the account's own copy, HKEY_USERS\<accountSid>_Classes\path, where one exists
// (Microsoft's "Merged View of HKEY_CLASSES_ROOT" gives it precedence), else
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes\path. Each is walked as OpenKeyAsItself walks. The
// user's side is rooted at HKEY_USERS, never at HKCU\Software\Classes, itself a link.
LONG OpenClassesKeyAsItself(const std::wstring& accountSid, LPCWSTR path, DWORD options, REGSAM access,
                            PHKEY result);

// Deletes the key an open handle stands for (opened with DELETE): the key that was judged
// is the key that goes, and a link opened as itself goes itself, its target untouched. Fails
// for a key with subkeys, as RegDeleteKeyExW does.
LONG DeleteOpenKey(HKEY key);

}  // namespace velmora
