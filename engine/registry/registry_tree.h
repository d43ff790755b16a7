// Emptying an open registry key in the view its handle was opened in.
#pragma once

#include <string>
#include <vector>

#include "windows_api.h"

namespace velmora {

// Enough to list a key, delete its values and delete it.
inline constexpr REGSAM kEmptyingAccess = DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE;

// Deletes every subkey of the open key, depth first, and then every value; the key itself
// stays. Each subkey is opened, and deleted, with `view` (KEY_WOW64_64KEY, KEY_WOW64_32KEY
// or 0), so the children removed are those of the key the handle stands for.
//
// Why not RegDeleteTreeW(key, NULL): it takes no view flag, and Microsoft's "Accessing an
// Alternate Registry View" says that after a key is opened with KEY_WOW64_64KEY or
// KEY_WOW64_32KEY, operations on its subkeys must carry the same flag, "otherwise, there can
// be unexpected behavior". In a 32-bit process a relative open of a child may land in the
// 32-bit view: for a key opened through the 64-bit view, RegDeleteTreeW could then leave
// the 64-bit children in place and delete same-named children below Wow6432Node instead.
//
// The names are listed before anything is deleted, so the walk ends whatever a deletion
// does. Returns ERROR_SUCCESS when every deletion succeeded, else the first failure's code;
// what could not be deleted stays, and the rest is still attempted.
LONG EmptyKeyInView(WindowsApi& api, HKEY key, REGSAM view);

// The names of the open key's subkeys, or of its values, as they are listed now; the list
// ends at the first failure.
std::vector<std::wstring> SubkeyNames(WindowsApi& api, HKEY key);
std::vector<std::wstring> ValueNames(WindowsApi& api, HKEY key);

}  // namespace velmora
