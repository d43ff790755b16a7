// Small services shared by the cleanup passes and the main dialog.
#pragma once

#include <string>

#include "windows_api.h"

// 1 when the operating system runs on an x64 or IA-64 processor, also when this 32-bit
// program runs on it; 0 otherwise. Asks the system anew on every call.
int Is64BitSystem(velmora::WindowsApi& api = velmora::SystemWindows());

// Waits until the process has ended or the object is signalled (or at once when the wait
// cannot be made, as for a null handle), dispatching every window message of the calling
// thread meanwhile so the dialog stays painted, for at most `milliseconds`. Returns what
// ended the wait: WAIT_OBJECT_0 (WAIT_ABANDONED_0 for a mutex its owner left), WAIT_TIMEOUT
// or WAIT_FAILED. Does not close the handle.
DWORD WaitWithMessagePump(HANDLE object, velmora::WindowsApi& api = velmora::SystemWindows(),
                          DWORD milliseconds = INFINITE);

// Lets `milliseconds` pass while every window message of the calling thread is dispatched,
// so the dialog stays painted: a wait on nothing, measured as WaitWithMessagePump measures.
void PauseWithMessagePump(velmora::WindowsApi& api, DWORD milliseconds);

// "Installer\Products\" followed by the packed product code.
std::wstring InstallerProductsKeyPath(const wchar_t* packedCode);
