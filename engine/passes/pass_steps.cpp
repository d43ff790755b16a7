#include "passes/pass_steps.h"

#include "catalog/product_codes.h"
#include "system/system_services.h"
#include "unique_handle.h"

namespace velmora {

std::wstring ReadInstallLocation(WindowsApi& api, const std::wstring& keyPath, BOOL is64BitSystem,
                                 bool disableReflectionAfterOpen) {
    UniqueKey key(api);
    if (api.RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, QueryAccess(is64BitSystem), key.put()) !=
        ERROR_SUCCESS) {
        key.release();  // a failed open hands out no handle to close
        return {};
    }
    if (disableReflectionAfterOpen) api.RegDisableReflectionKey(HKEY_LOCAL_MACHINE);

    wchar_t value[MAX_PATH] = {};
    DWORD type = 0;
    DWORD size = MAX_PATH;  // in bytes: only the first half of the buffer can be written
    if (api.RegQueryValueExW(key.get(), kInstallLocationValue, nullptr, &type, reinterpret_cast<LPBYTE>(value),
                             &size) != ERROR_SUCCESS)
        return {};
    return value;
}

namespace {

// Launches the uninstall and waits for it to end; its exit code, or ERROR_SUCCESS when
// nothing was started or the code cannot be told.
DWORD LaunchAndWait(WindowsApi& api, const std::wstring& program, const std::wstring& parameters,
                    const wchar_t* systemFolder) {
    SHELLEXECUTEINFOW launch{};
    launch.cbSize = sizeof(launch);
    launch.fMask = SEE_MASK_NOCLOSEPROCESS;
    launch.hwnd = nullptr;
    launch.lpVerb = nullptr;
    launch.lpFile = program.c_str();
    launch.lpParameters = parameters.c_str();
    launch.lpDirectory = nullptr;
    launch.nShow = SW_HIDE;
    launch.hInstApp = nullptr;
    if (systemFolder[0] != L'\0') api.ShellExecuteExW(&launch);

    UniqueProcess installer(api, launch.hProcess);
    WaitWithMessagePump(installer.get(), api);
    DWORD exitCode = ERROR_SUCCESS;
    if (installer && !api.GetExitCodeProcess(installer.get(), &exitCode)) exitCode = ERROR_SUCCESS;
    return exitCode;
}

}  // namespace

InstallerState TakeIdleInstaller(WindowsApi& api, bool& installerStuck, UniqueOwnedMutex& owned) {
    UniqueMutex running(api, api.OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, L"Global\\_MSIExecute"));
    if (!running) return api.GetLastError() == ERROR_ACCESS_DENIED ? InstallerState::Unopenable : InstallerState::Idle;
    const DWORD woke = WaitWithMessagePump(running.get(), api, installerStuck ? 0 : kInstallerWaitLimit);
    if (woke == WAIT_OBJECT_0 || woke == WAIT_ABANDONED_0) {
        owned.reset(running.release());
        return InstallerState::Idle;
    }
    if (woke != WAIT_TIMEOUT) return InstallerState::WaitFailed;
    installerStuck = true;
    return InstallerState::Busy;
}

bool WaitForInstallerIdle(WindowsApi& api, bool& installerStuck) {
    if (installerStuck) return true;
    UniqueOwnedMutex released(api);
    return TakeIdleInstaller(api, installerStuck, released) != InstallerState::Unopenable;
}

DWORD RunUninstall(WindowsApi& api, const wchar_t* productCode, const wchar_t* systemFolder, bool& installerStuck) {
    const std::wstring parameters = UninstallParameters(productCode);
    const std::wstring program = UninstallProgram(systemFolder);
    for (int attempt = 0;; ++attempt) {
        const bool waited = systemFolder[0] == L'\0' || WaitForInstallerIdle(api, installerStuck);
        const DWORD ended = LaunchAndWait(api, program, parameters, systemFolder);
        if (ended != ERROR_INSTALL_ALREADY_RUNNING || attempt == 1) return ended;
        if (!waited) PauseWithMessagePump(api, kInstallerRetryPause);
    }
}

bool IsRefusedUninstall(DWORD exitCode) {
    return exitCode == ERROR_INSTALL_ALREADY_RUNNING || exitCode == ERROR_INSTALL_USEREXIT ||
           exitCode == ERROR_INSTALL_PACKAGE_REJECTED;
}

void EmptyAndDeleteMachineKey(WindowsApi& api, const std::wstring& keyPath, BOOL is64BitSystem) {
    UniqueKey key(api);
    if (api.RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, FullAccess(is64BitSystem), key.put()) !=
        ERROR_SUCCESS) {
        key.release();
        return;
    }
    api.RegDeleteTreeW(key.get(), nullptr);
    api.RegDeleteKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), ViewFlag(is64BitSystem), 0);
}

}  // namespace velmora
