// Steps that the language pass and the shared pass take alike.
#pragma once

#include <string>

#include "unique_handle.h"
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
// Before each launch it waits while the installer is busy with another installation
// (WaitForInstallerIdle); an uninstall that still ends with ERROR_INSTALL_ALREADY_RUNNING
// is launched once more, after that wait again, or after kInstallerRetryPause where the
// installer's mutex could not be waited on. Returns what the last launch ended with
// (ERROR_SUCCESS where nothing was started or its end cannot be told); see
// IsRefusedUninstall. `installerStuck` belongs to the run (see WaitForInstallerIdle).
DWORD RunUninstall(WindowsApi& api, const wchar_t* productCode, const wchar_t* systemFolder, bool& installerStuck);

// The ends of an uninstall that leave the product installed and usable: another
// installation still running after the retry (1618), cancelled (1602: the progress window
// has a Cancel button), forbidden by policy (1625). Such a product keeps every record, so
// that it can still be uninstalled later. Any other end, a failure too, leaves a product
// that only a cleanup of its records makes installable again.
bool IsRefusedUninstall(DWORD exitCode);

// How long one wait for another installation lasts at most before the launch goes ahead.
constexpr DWORD kInstallerWaitLimit = 10 * 60 * 1000;

// How long a launch that ended with ERROR_INSTALL_ALREADY_RUNNING is put off before it is
// tried again, where the installer's mutex could not be opened to be waited on.
constexpr DWORD kInstallerRetryPause = 30 * 1000;

// Waits, at most kInstallerWaitLimit and with window messages flowing, while the Windows
// Installer runs another installation. The installer owns its "Global\_MSIExecute" mutex
// for as long as it runs one; the mutex may exist unowned between installations. Owning
// it is the only sure sign that it is free, so the wait takes it and releases it at once
// (TakeIdleInstaller). Returns false when the mutex exists but may not be opened to be
// released: the installer's state cannot be told then. Returns true at once when the mutex
// does not exist or cannot be opened otherwise, and when `installerStuck` is set: a wait of
// this run ran out its time, the installer is taken to be stuck, and no later launch of the
// run waits.
bool WaitForInstallerIdle(WindowsApi& api, bool& installerStuck);

// What TakeIdleInstaller found.
enum class InstallerState { Idle, Busy, Unopenable, WaitFailed };

// Takes the installer's mutex, waiting for it as WaitForInstallerIdle does (not at all once
// `installerStuck` is set), and keeps it in `owned`, so that no installation starts while
// this program holds it: opened with the right to release it (MUTEX_MODIFY_STATE), without
// which Windows would refuse the release and leave this program its owner, and every later
// installation refused. Idle also when the mutex does not exist (no installation has run
// since the system started); Unopenable when it exists but may not be opened so; Busy when
// its owner kept it for the whole wait.
InstallerState TakeIdleInstaller(WindowsApi& api, bool& installerStuck, UniqueOwnedMutex& owned);

// Empties a key under HKEY_LOCAL_MACHINE and deletes it: opened with full access, its
// subkeys and values removed through the open handle, then the key by path. Nothing is
// deleted when the key cannot be opened so.
void EmptyAndDeleteMachineKey(WindowsApi& api, const std::wstring& keyPath, BOOL is64BitSystem);

}  // namespace velmora
