// How the GUI driver and its probe DLL talk. Wine cannot read a menu that belongs to
// another process (GetSystemMenu and GetMenuItemInfoW fail on it), so the driver hooks the
// dialog's thread with the probe DLL, which Windows and Wine load into Velmora's process,
// and asks it to read the system menu there. The probe answers through a named section
// that the driver creates before it asks.
#pragma once

#include <windows.h>

#include <cstdint>

namespace guiprobe {

// Sent to the main dialog; wParam is the driver's process id, which names the section.
constexpr wchar_t kReadSystemMenuMessage[] = L"VelmoraGuiProbe.ReadSystemMenu";
// The hook procedure's exported name (undecorated: the DLL links with --kill-at).
constexpr char kHookExport[] = "VelmoraGuiProbeHook";
constexpr wchar_t kSectionFormat[] = L"velmora-gui-probe-%lu";

constexpr std::uint32_t kMagic = 0x56475031;  // "VGP1": written last, once the items are in
constexpr int kMaxItems = 32;
constexpr int kTextCapacity = 128;

struct MenuItem {
    std::uint32_t type;   // MENUITEMINFOW.fType
    std::uint32_t state;  // MENUITEMINFOW.fState
    std::uint32_t id;     // MENUITEMINFOW.wID
    wchar_t text[kTextCapacity];
};

struct SystemMenuReport {
    volatile std::uint32_t magic;
    std::int32_t menuFound;  // GetSystemMenu(dialog, FALSE) returned a menu
    std::int32_t count;      // GetMenuItemCount, -1 on failure
    MenuItem items[kMaxItems];
};

}  // namespace guiprobe
