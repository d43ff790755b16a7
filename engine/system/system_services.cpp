#include "system/system_services.h"

int Is64BitSystem(velmora::WindowsApi& api) {
    SYSTEM_INFO info{};
    // GetNativeSystemInfo tells the real processor also to a 32-bit program on 64-bit
    // Windows; systems that lack it are 32-bit and answer through GetSystemInfo.
    HMODULE kernel = api.GetModuleHandleW(L"kernel32.dll");
    FARPROC entry = api.GetProcAddress(kernel, "GetNativeSystemInfo");
    if (entry)
        api.CallGetNativeSystemInfo(entry, &info);
    else
        api.GetSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                   info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64
               ? 1
               : 0;
}

namespace {

// Waits for any of `count` objects, at most `milliseconds`, dispatching the thread's window
// messages meanwhile. With no object it only lets the time pass.
DWORD PumpWhileWaiting(velmora::WindowsApi& api, DWORD count, const HANDLE* objects, DWORD milliseconds) {
    const DWORD start = milliseconds == INFINITE ? 0 : api.GetTickCount();
    for (;;) {
        DWORD left = milliseconds;
        if (milliseconds != INFINITE) {
            const DWORD spent = api.GetTickCount() - start;  // unsigned: right across the counter's wrap
            left = spent < milliseconds ? milliseconds - spent : 0;
        }
        const DWORD woke = api.MsgWaitForMultipleObjects(count, objects, FALSE, left, QS_ALLINPUT);
        // WAIT_OBJECT_0 + count (WAIT_OBJECT_0 itself when there is no object) means input.
        if (woke < WAIT_OBJECT_0 + count || (woke >= WAIT_ABANDONED_0 && woke < WAIT_ABANDONED_0 + count) ||
            woke == WAIT_TIMEOUT)
            return woke;
        // Input arrived (or the wait failed): empty the queue so the dialog stays painted.
        // WM_QUIT is dispatched like any message; only the process's end stops the wait.
        MSG msg;
        while (api.PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            api.TranslateMessage(&msg);
            api.DispatchMessageW(&msg);
        }
        if (woke == WAIT_FAILED) return woke;
    }
}

}  // namespace

DWORD WaitWithMessagePump(HANDLE object, velmora::WindowsApi& api, DWORD milliseconds) {
    return PumpWhileWaiting(api, 1, &object, milliseconds);
}

void PauseWithMessagePump(velmora::WindowsApi& api, DWORD milliseconds) {
    PumpWhileWaiting(api, 0, nullptr, milliseconds);
}

std::wstring InstallerProductsKeyPath(const wchar_t* packedCode) {
    return std::wstring(L"Installer\\Products\\") + packedCode;
}
