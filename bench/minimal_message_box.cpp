// The start-up reference: the smallest dialog program, built with the same compiler, flags
// and static runtime as Velmora.exe. It shows one message box and ends when it is closed.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ::MessageBoxW(nullptr, L"Velmora start-up reference", L"Velmora MessageBox", MB_OK | MB_ICONINFORMATION);
    return 0;
}
