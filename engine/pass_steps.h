// Steps that the language pass and the shared pass take alike.
#pragma once

#include <string>

#include "windows_api.h"

namespace velmora {

// Reads the "InstallLocation" value of an uninstall key under HKEY_LOCAL_MACHINE, opened
// with query access and the view flag. The read allows 260 bytes into a zeroed buffer of 260
// characters, so a value of more than 129 characters counts as not found and a value stored
// without its terminator still ends in a zero. Empty when the key, the value or the read
// fails. With `disableReflectionAfterOpen` reflection is disabled once more after the open.
std::wstring ReadInstallLocation(WindowsApi& api, const std::wstring& keyPath, BOOL is64BitSystem,
                                 bool disableReflectionAfterOpen);

// Runs the Windows Installer's uninstall of the product hidden, waits for it while window
// messages keep flowing, and releases the process handle. Without a system folder nothing
// is started: a bare "\msiexec.exe" would run whatever lies at the root of the drive.
void RunUninstall(WindowsApi& api, const wchar_t* productCode, const wchar_t* systemFolder);

// Empties a key under HKEY_LOCAL_MACHINE and deletes it: opened with full access, its
// subkeys and values removed through the open handle, then the key by path. Nothing is
// deleted when the key cannot be opened so.
void EmptyAndDeleteMachineKey(WindowsApi& api, const std::wstring& keyPath, BOOL is64BitSystem);

}  // namespace velmora
