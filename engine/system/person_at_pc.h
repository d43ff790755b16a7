// Who uses the PC, as opposed to who runs Velmora.
//
// A technician often starts Velmora with "Run as administrator" and an account of his own,
// while the person who uses the product is logged on as a standard user. HKEY_CURRENT_USER
// is then the technician's hive, and the user's own settings would stay. The user is the
// account that owns the desktop shell of this session (the process behind GetShellWindow);
// a logged-on user's hive is loaded below HKEY_USERS under the account's SID.
#pragma once

#include <string>

#include "windows_api.h"

namespace velmora {

// The SID, as text ("S-1-5-21-..."), of the account that owns the desktop shell of this
// session; empty when there is no shell (a service session) or the system will not say.
std::wstring ShellOwnerSid(WindowsApi& api);

// The SID, as text, of the account this program runs as; empty when the system will not say.
std::wstring RunningAccountSid(WindowsApi& api);

// The shell owner's SID when it is another account than the running one; empty otherwise,
// also when either account cannot be told.
std::wstring OtherShellOwnerSid(WindowsApi& api);

}  // namespace velmora
