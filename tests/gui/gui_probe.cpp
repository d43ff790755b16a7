// The probe DLL: a WH_CALLWNDPROC hook that the GUI driver installs on the main dialog's
// thread. On the driver's request it reads the dialog's system menu inside Velmora's own
// process and copies every item into the driver's section. It changes nothing.
#include <cwchar>

#include "probe_protocol.h"

namespace {

void ReadSystemMenu(HWND dialog, DWORD driverPid) {
    wchar_t name[64];
    std::swprintf(name, 64, guiprobe::kSectionFormat, static_cast<unsigned long>(driverPid));
    HANDLE section = ::OpenFileMappingW(FILE_MAP_WRITE, FALSE, name);
    if (!section) return;
    auto* report = static_cast<guiprobe::SystemMenuReport*>(
        ::MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(guiprobe::SystemMenuReport)));
    if (report) {
        const HMENU menu = ::GetSystemMenu(dialog, FALSE);
        report->menuFound = menu != nullptr;
        report->count = menu ? ::GetMenuItemCount(menu) : -1;
        for (int i = 0; menu && i < report->count && i < guiprobe::kMaxItems; ++i) {
            guiprobe::MenuItem& item = report->items[i];
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
            info.dwTypeData = item.text;
            info.cch = guiprobe::kTextCapacity - 1;
            if (::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) {
                item.type = info.fType;
                item.state = info.fState;
                item.id = info.wID;
            }
        }
        report->magic = guiprobe::kMagic;
        ::UnmapViewOfFile(report);
    }
    ::CloseHandle(section);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK VelmoraGuiProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        static const UINT request = ::RegisterWindowMessageW(guiprobe::kReadSystemMenuMessage);
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (call->message == request) ReadSystemMenu(call->hwnd, static_cast<DWORD>(call->wParam));
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
