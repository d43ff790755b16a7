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

bool WaitForInstallerIdle(WindowsApi& api, bool& installerStuck) {
    if (installerStuck) return true;
    UniqueMutex running(api, api.OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, L"Global\\_MSIExecute"));
    if (!running) return api.GetLastError() != ERROR_ACCESS_DENIED;
    const DWORD woke = WaitWithMessagePump(running.get(), api, kInstallerWaitLimit);
    if (woke == WAIT_OBJECT_0 || woke == WAIT_ABANDONED_0) api.ReleaseMutex(running.get());
    if (woke == WAIT_TIMEOUT) installerStuck = true;
    return true;
}

bool RunUninstall(WindowsApi& api, const wchar_t* productCode, const wchar_t* systemFolder, bool& installerStuck) {
    const std::wstring parameters = UninstallParameters(productCode);
    const std::wstring program = UninstallProgram(systemFolder);
    for (int attempt = 0;; ++attempt) {
        const bool waited = systemFolder[0] == L'\0' || WaitForInstallerIdle(api, installerStuck);
        if (LaunchAndWait(api, program, parameters, systemFolder) != ERROR_INSTALL_ALREADY_RUNNING) return true;
        if (attempt == 1) return false;
        if (!waited) PauseWithMessagePump(api, kInstallerRetryPause);
    }
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
