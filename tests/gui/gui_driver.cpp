// velmora_gui_driver: drives the real Velmora.exe from outside its process, in the same
// Wine prefix, the way a user would: it finds the dialog, reads its controls, presses its
// buttons and answers its question. One command per run; each prints one line per check
// ("PASS  ..." or "FAIL  ...: why") and a summary, and exits 1 when a check failed, 2 when
// it could not run at all.
//
//   wait-dialog [SECONDS]        the main dialog is shown (default 60 s)
//   check-main pfx64|pfx32       list, radio buttons and buttons as the dialog starts
//   check-system-menu            the system menu ends with a separator and the About entry
//   open-system-menu             opens the system menu as Alt+Space does
//   choose-last-menu-item        chooses the open menu's last entry with End and Enter
//   open-about [ID]              sends the system command ID (default 0x10)
//   check-about                  the About box is open, modal, with its texts
//   close-about                  presses the About box's OK; the main dialog is back
//   choose-view 32|64            clicks the "32 Bit" or "64 Bit" radio button
//   click-cleanup                presses CleanUp
//   check-question               the one question box, its caption, text and buttons
//   answer yes|no                answers the question
//   expect-idle SECONDS          the dialog stays open and no installer starts
//   click-cancel                 presses Cancel
//   wait-exit SECONDS [--no-installer|--installer]
//                                Velmora ends by itself; what it ran meanwhile
//   clicks-during-run SECONDS    while the cleanup waits for the installer: CleanUp,
//                                Cancel, Escape and the close button are not acted upon
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "probe_protocol.h"

namespace {

// What the dialog must show. Written out here, apart from the application's sources, so
// that a change there shows up as a failure here.
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kMenuClass[] = L"#32768";
constexpr wchar_t kMainCaption[] = L"Velmora";
constexpr wchar_t kAboutCaption[] = L"关于 Velmora";
constexpr wchar_t kAboutMenuText[] = L"关于 Velmora(&A)...";
constexpr wchar_t kAboutVersionText[] = L"Velmora，1.0 版";
constexpr wchar_t kAboutOkText[] = L"确定";
constexpr wchar_t kQuestion[] = L"Do you really want to clean up all version of VARNO installed on your computer?";
constexpr wchar_t kProgram[] = L"Velmora.exe";
constexpr wchar_t kInstaller[] = L"msiexec.exe";
constexpr UINT kAboutCommand = 0x0010;
constexpr int kLanguageList = 1001;
constexpr int kView32 = 1004;
constexpr int kView64 = 1005;
constexpr int kMessageBoxText = 0xFFFF;
// A cleanup of all editions: fifteen language passes, each running msiexec once, and the
// shared pass, running it for each shared product the Windows Installer still has.
constexpr long long kInstallerRuns = 17;
const wchar_t* const kLanguages[] = {
    L"All - ALL",      L"English - ENU",    L"Simplify Chinese - CHS", L"Traditional Chinese - CHT",
    L"Czech - CSY",    L"German - DEU",     L"Spanish - ESN",          L"French - FRA",
    L"Hungarian - HUN", L"Italian - ITA",   L"Japanese - JPN",         L"Korean - KOR",
    L"Polish - PLK",   L"Portuguese - PTB", L"Russian - RUS",          L"Turkish - TRK",
};
constexpr int kLanguageCount = sizeof kLanguages / sizeof kLanguages[0];

constexpr DWORD kPollMs = 10;
constexpr UINT kSendTimeoutMs = 5000;

// ---------------------------------------------------------------------------------------
// Output

void PrintLine(const std::wstring& line) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &utf8[0], size, nullptr, nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring Hex(unsigned long value) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"0x%lX", value);
    return buffer;
}

std::wstring Num(long long value) { return std::to_wstring(value); }

class Report {
public:
    bool Check(bool ok, const std::wstring& what, const std::wstring& whyNot = L"") {
        if (ok) {
            PrintLine(L"PASS  " + what);
            ++m_passed;
        } else {
            PrintLine(L"FAIL  " + what + (whyNot.empty() ? L"" : L": " + whyNot));
            ++m_failed;
        }
        return ok;
    }
    bool Equal(const std::wstring& what, const std::wstring& actual, const std::wstring& expected) {
        return Check(actual == expected, what + L" is " + Quoted(expected), L"found " + Quoted(actual));
    }
    bool Equal(const std::wstring& what, long long actual, long long expected) {
        return Check(actual == expected, what + L" is " + Num(expected), L"found " + Num(actual));
    }
    void Note(const std::wstring& text) { PrintLine(L"NOTE  " + text); }
    int Finish(const std::wstring& command) const {
        PrintLine(L"gui-driver " + command + L": " + Num(m_passed) + L" passed, " + Num(m_failed) + L" failed");
        return m_failed ? 1 : 0;
    }

private:
    int m_passed = 0;
    int m_failed = 0;
};

// ---------------------------------------------------------------------------------------
// Windows and processes of the prefix

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

// The text of a window of another process: WM_GETTEXT is carried across processes.
std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) return L"";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                               kSendTimeoutMs, &copied))
        return L"";
    text.resize(copied);
    return text;
}

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

struct ProcessInfo {
    DWORD pid;
    DWORD parent;
    std::wstring exe;
};

std::vector<ProcessInfo> Processes() {
    std::vector<ProcessInfo> all;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return all;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
        all.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    ::CloseHandle(snapshot);
    return all;
}

bool SameName(const std::wstring& exe, const wchar_t* name) {
    const size_t slash = exe.find_last_of(L"\\/");
    const std::wstring base = slash == std::wstring::npos ? exe : exe.substr(slash + 1);
    return ::lstrcmpiW(base.c_str(), name) == 0;
}

std::vector<DWORD> ProcessesNamed(const wchar_t* name) {
    std::vector<DWORD> pids;
    for (const ProcessInfo& p : Processes())
        if (SameName(p.exe, name)) pids.push_back(p.pid);
    return pids;
}

bool IsProgramProcess(DWORD pid) {
    for (const ProcessInfo& p : Processes())
        if (p.pid == pid) return SameName(p.exe, kProgram);
    return false;
}

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectOfProcess(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    if (ProcessOf(window) == search->pid) search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectAll(HWND window, LPARAM param) {
    reinterpret_cast<WindowSearch*>(param)->found.push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD pid) {
    WindowSearch search{pid, {}};
    ::EnumWindows(CollectOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> Children(HWND parent) {
    WindowSearch search{0, {}};
    ::EnumChildWindows(parent, CollectAll, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring Caption(HWND window) {
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    return text;
}

// Every main dialog of Velmora in the prefix: a top-level dialog captioned "Velmora" that
// holds the language list, in a process whose program is Velmora.exe.
std::vector<HWND> MainDialogs() {
    std::vector<HWND> found;
    std::set<DWORD> programs;
    for (const ProcessInfo& p : Processes())
        if (SameName(p.exe, kProgram)) programs.insert(p.pid);
    for (DWORD pid : programs)
        for (HWND window : TopLevelWindows(pid))
            if (ClassOf(window) == kDialogClass && Caption(window) == kMainCaption &&
                ::GetDlgItem(window, kLanguageList))
                found.push_back(window);
    return found;
}

// The dialog boxes Velmora shows over its main dialog (the question, the About box).
std::vector<HWND> Popups(DWORD pid, HWND main) {
    std::vector<HWND> found;
    for (HWND window : TopLevelWindows(pid))
        if (window != main && ClassOf(window) == kDialogClass && ::IsWindowVisible(window)) found.push_back(window);
    return found;
}

std::vector<HWND> PopupsCaptioned(DWORD pid, HWND main, const wchar_t* caption) {
    std::vector<HWND> found;
    for (HWND window : Popups(pid, main))
        if (Caption(window) == caption) found.push_back(window);
    return found;
}

std::vector<HWND> OpenMenus(DWORD pid) {
    std::vector<HWND> found;
    for (HWND window : TopLevelWindows(pid))
        if (ClassOf(window) == kMenuClass && ::IsWindowVisible(window)) found.push_back(window);
    return found;
}

bool Alive(DWORD pid) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return false;
    const bool alive = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return alive;
}

// The installer processes that `pid` started itself and that still run (a process that
// has ended can stay in the list while a handle to it is open).
std::vector<DWORD> InstallerChildren(DWORD pid) {
    std::vector<DWORD> found;
    for (const ProcessInfo& p : Processes())
        if (p.parent == pid && SameName(p.exe, kInstaller) && Alive(p.pid)) found.push_back(p.pid);
    return found;
}

template <typename Condition>
bool WaitFor(DWORD timeoutMs, Condition condition) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(kPollMs);
    }
}

DWORD Seconds(const wchar_t* text, DWORD fallback) {
    if (!text) return fallback * 1000;
    const long value = std::wcstol(text, nullptr, 10);
    return value > 0 ? static_cast<DWORD>(value) * 1000 : fallback * 1000;
}

// ---------------------------------------------------------------------------------------
// The running program

struct Program {
    HWND main = nullptr;
    DWORD pid = 0;
};

// Finds the one main dialog; reports and fails when there is none or more than one.
bool FindProgram(Report& report, Program& program, DWORD timeoutMs = 2000) {
    std::vector<HWND> dialogs;
    WaitFor(timeoutMs, [&] {
        dialogs = MainDialogs();
        return dialogs.size() == 1 && ::IsWindowVisible(dialogs[0]);
    });
    if (dialogs.size() > 1)
        return report.Check(false, L"exactly one Velmora dialog in the prefix", Num(dialogs.size()) + L" found");
    if (dialogs.empty()) return report.Check(false, L"Velmora's main dialog is there", L"no such window");
    program.main = dialogs[0];
    program.pid = ProcessOf(program.main);
    return true;
}

bool Press(HWND button) { return ::PostMessageW(button, BM_CLICK, 0, 0) != 0; }

// A click that returns only once the dialog has handled it; false when the dialog did not
// come back within the timeout (a handler that opened a modal box of its own, say).
bool PressAndWait(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result) != 0;
}

bool IsChecked(HWND button) {
    DWORD_PTR state = 0;
    ::SendMessageTimeoutW(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &state);
    return state == BST_CHECKED;
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) return -2;
    return static_cast<LRESULT>(result);
}

// ---------------------------------------------------------------------------------------
// Commands

int WaitDialog(Report& report, DWORD timeoutMs) {
    Program program;
    if (!FindProgram(report, program, timeoutMs)) return report.Finish(L"wait-dialog");
    report.Check(IsProgramProcess(program.pid), L"the dialog belongs to Velmora.exe (process " + Num(program.pid) + L")");
    report.Equal(L"the main dialog's class", ClassOf(program.main), kDialogClass);
    report.Equal(L"the main dialog's caption", Caption(program.main), kMainCaption);
    return report.Finish(L"wait-dialog");
}

void CheckButton(Report& report, HWND dialog, int id, const wchar_t* text, bool isDefault) {
    const HWND button = ::GetDlgItem(dialog, id);
    const std::wstring name = L"button " + Num(id);
    if (!report.Check(button != nullptr, name + L" exists")) return;
    report.Equal(name + L" text", TextOf(button), text);
    report.Check(::IsWindowVisible(button) && ::IsWindowEnabled(button), name + L" is visible and enabled");
    const LONG type = ::GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK;
    report.Equal(name + L" button type", type, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
}

int CheckMain(Report& report, const std::wstring& kind) {
    if (kind != L"pfx64" && kind != L"pfx32") {
        PrintLine(L"check-main: the prefix kind is pfx64 or pfx32");
        return 2;
    }
    SYSTEM_INFO system{};
    ::GetNativeSystemInfo(&system);
    const bool is64 = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                      system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
    report.Check(is64 == (kind == L"pfx64"), L"the prefix is a " + std::wstring(is64 ? L"64" : L"32") + L"-bit system as " + kind + L" must be");

    Program program;
    if (!FindProgram(report, program)) return report.Finish(L"check-main");
    const HWND main = program.main;
    report.Check(::IsWindowVisible(main) && ::IsWindowEnabled(main), L"the main dialog is visible and enabled");
    report.Check((::GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0, L"the main dialog has a taskbar button (WS_EX_APPWINDOW)");
    CheckButton(report, main, IDOK, L"CleanUp", true);
    CheckButton(report, main, IDCANCEL, L"Cancel", false);

    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(main, nullptr), &thread);
    report.Check(thread.hwndFocus == ::GetDlgItem(main, IDOK), L"CleanUp has the keyboard focus",
                 L"focus on control " + Num(::GetDlgCtrlID(thread.hwndFocus)));

    const HWND list = ::GetDlgItem(main, kLanguageList);
    report.Equal(L"the language list's class", ClassOf(list), L"ComboBox");
    const LRESULT count = Ask(list, CB_GETCOUNT);
    report.Equal(L"the number of entries in the language list", count, kLanguageCount);
    std::wstring wrong;
    for (int i = 0; i < count && i < kLanguageCount; ++i) {
        const LRESULT length = Ask(list, CB_GETLBTEXTLEN, i);
        std::wstring text(length > 0 ? length + 1 : 1, L'\0');
        const LRESULT copied = Ask(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(copied > 0 ? copied : 0);
        if (text != kLanguages[i]) wrong += L" [" + Num(i) + L"] " + Quoted(text) + L" instead of " + Quoted(kLanguages[i]);
    }
    report.Check(wrong.empty() && count == kLanguageCount,
                 L"the list reads \"All - ALL\" to \"Turkish - TRK\" in table order", wrong);
    report.Equal(L"the selected list entry", Ask(list, CB_GETCURSEL), 0);
    report.Equal(L"the list's shown text", TextOf(list), kLanguages[0]);
    report.Check(::IsWindowVisible(list) && !::IsWindowEnabled(list), L"the list is visible and disabled");

    const HWND view32 = ::GetDlgItem(main, kView32);
    const HWND view64 = ::GetDlgItem(main, kView64);
    report.Equal(L"radio button 1004 text", TextOf(view32), L"32 Bit");
    report.Equal(L"radio button 1005 text", TextOf(view64), L"64 Bit");
    if (kind == L"pfx64") {
        report.Check(::IsWindowVisible(view32) && ::IsWindowVisible(view64), L"both radio buttons are shown");
        report.Check(IsChecked(view64), L"\"64 Bit\" is checked");
        report.Check(!IsChecked(view32), L"\"32 Bit\" is not checked");
    } else {
        report.Check(!::IsWindowVisible(view64), L"\"64 Bit\" is hidden");
        report.Check(::IsWindowVisible(view32), L"\"32 Bit\" is shown");
        report.Check(IsChecked(view32), L"\"32 Bit\" is checked");
    }
    report.Check(Popups(program.pid, main).empty(), L"no other dialog is open");
    return report.Finish(L"check-main");
}

std::wstring ItemDescription(const guiprobe::MenuItem& item) {
    if (item.type & MFT_SEPARATOR) return L"separator";
    return Quoted(item.text) + L" id " + Hex(item.id) + L" type " + Hex(item.type) + L" state " + Hex(item.state);
}

int CheckSystemMenu(Report& report, const wchar_t* self) {
    Program program;
    if (!FindProgram(report, program)) return report.Finish(L"check-system-menu");

    // The probe sits beside this program.
    std::wstring probePath(self);
    probePath = probePath.substr(0, probePath.find_last_of(L"\\/") + 1) + L"velmora_gui_probe.dll";
    HMODULE probe = ::LoadLibraryW(probePath.c_str());
    auto* hook = probe ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(::GetProcAddress(probe, guiprobe::kHookExport)))
                       : nullptr;
    if (!report.Check(hook != nullptr, L"the probe DLL loads", probePath)) return report.Finish(L"check-system-menu");

    wchar_t name[64];
    std::swprintf(name, 64, guiprobe::kSectionFormat, static_cast<unsigned long>(::GetCurrentProcessId()));
    HANDLE section = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                          sizeof(guiprobe::SystemMenuReport), name);
    auto* menu = section ? static_cast<guiprobe::SystemMenuReport*>(::MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, 0))
                         : nullptr;
    if (!report.Check(menu != nullptr, L"the probe's section is made")) return report.Finish(L"check-system-menu");

    const DWORD thread = ::GetWindowThreadProcessId(program.main, nullptr);
    HHOOK installed = ::SetWindowsHookExW(WH_CALLWNDPROC, hook, probe, thread);
    report.Check(installed != nullptr, L"the probe hooks the dialog's thread", L"error " + Num(::GetLastError()));
    if (installed) {
        PressAndWait(program.main, ::RegisterWindowMessageW(guiprobe::kReadSystemMenuMessage), ::GetCurrentProcessId());
        ::UnhookWindowsHookEx(installed);
    }
    if (report.Check(menu->magic == guiprobe::kMagic && menu->menuFound, L"the probe read the dialog's system menu")) {
        const int count = menu->count;
        for (int i = 0; i < count && i < guiprobe::kMaxItems; ++i)
            report.Note(L"system menu item " + Num(i) + L": " + ItemDescription(menu->items[i]));
        if (report.Check(count >= 3 && count <= guiprobe::kMaxItems, L"the system menu has the system's items and the two of the dialog",
                         Num(count) + L" items")) {
            const guiprobe::MenuItem& separator = menu->items[count - 2];
            const guiprobe::MenuItem& about = menu->items[count - 1];
            report.Check((separator.type & MFT_SEPARATOR) != 0, L"the next-to-last item is a separator", ItemDescription(separator));
            report.Check(!(about.type & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW)), L"the last item is a text item",
                         ItemDescription(about));
            report.Equal(L"the last item's text", about.text, kAboutMenuText);
            report.Equal(L"the last item's command id", about.id, kAboutCommand);
            report.Check(!(about.state & (MFS_DISABLED | MFS_GRAYED)), L"the last item is enabled", ItemDescription(about));
            bool closeBefore = false;
            for (int i = 0; i < count - 2; ++i) closeBefore = closeBefore || menu->items[i].id == SC_CLOSE;
            report.Check(closeBefore, L"the system's own items, Close among them, come before the two");
        }
    }
    ::UnmapViewOfFile(menu);
    ::CloseHandle(section);
    return report.Finish(L"check-system-menu");
}

int OpenSystemMenu(Report& report) {
    Program program;
    if (!FindProgram(report, program)) return report.Finish(L"open-system-menu");
    // What Alt+Space makes of the keystroke.
    ::PostMessageW(program.main, WM_SYSCOMMAND, SC_KEYMENU, L' ');
    report.Check(WaitFor(5000, [&] { return !OpenMenus(program.pid).empty(); }), L"the system menu opens");
    return report.Finish(L"open-system-menu");
}

// Checks the one open About box; its handle in `about` when there is exactly one.
bool CheckAboutBox(Report& report, const Program& program, HWND& about) {
    std::vector<HWND> boxes;
    WaitFor(10000, [&] {
        boxes = PopupsCaptioned(program.pid, program.main, kAboutCaption);
        return !boxes.empty();
    });
    if (!report.Check(boxes.size() == 1, L"one About box captioned " + Quoted(kAboutCaption) + L" is open",
                      Num(boxes.size()) + L" open"))
        return false;
    about = boxes[0];
    report.Check(Popups(program.pid, program.main).size() == 1, L"no other dialog is open beside it");
    report.Equal(L"the About box's class", ClassOf(about), kDialogClass);
    report.Check(::GetWindow(about, GW_OWNER) == program.main, L"the About box is owned by the main dialog");
    report.Check(!::IsWindowEnabled(program.main), L"the main dialog is disabled while the About box is open (modal)");
    bool version = false;
    bool icon = false;
    for (HWND child : Children(about)) {
        if (ClassOf(child) != L"Static") continue;
        const LONG style = ::GetWindowLongW(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON) icon = icon || (::IsWindowVisible(child) && Ask(child, STM_GETICON) > 0);
        else if (TextOf(child) == kAboutVersionText) version = ::IsWindowVisible(child);
    }
    report.Check(version, L"the About box shows " + Quoted(kAboutVersionText));
    report.Check(icon, L"the About box shows the application icon");
    const HWND ok = ::GetDlgItem(about, IDOK);
    report.Equal(L"the About box's OK button text", TextOf(ok), kAboutOkText);
    RECT mainRect{}, aboutRect{};
    ::GetWindowRect(program.main, &mainRect);
    ::GetWindowRect(about, &aboutRect);
    const long dx = (mainRect.left + mainRect.right) - (aboutRect.left + aboutRect.right);
    const long dy = (mainRect.top + mainRect.bottom) - (aboutRect.top + aboutRect.bottom);
    report.Check(dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2, L"the About box is centred over the main dialog",
                 L"centres apart by " + Num(dx / 2) + L", " + Num(dy / 2));
    return true;
}

// The last entry of the open system menu, chosen with the keyboard: End, then Enter.
// (Its mnemonic "A" cannot be used under Wine, whose system menu has an "&About Wine" entry
// of its own before it.)
int ChooseLastMenuItem(Report& report) {
    Program program;
    if (!FindProgram(report, program)) return report.Finish(L"choose-last-menu-item");
    if (!report.Check(!OpenMenus(program.pid).empty(), L"the system menu is open")) return report.Finish(L"choose-last-menu-item");
    // The menu loop reads the keyboard messages of the dialog's thread.
    const struct {
        WPARAM key;
        LPARAM down;
    } keys[] = {{VK_END, 0x014F0001}, {VK_RETURN, 0x001C0001}};
    for (const auto& key : keys) {
        ::PostMessageW(program.main, WM_KEYDOWN, key.key, key.down);
        ::PostMessageW(program.main, WM_KEYUP, key.key, key.down | 0xC0000000);
    }
    report.Check(WaitFor(5000, [&] { return OpenMenus(program.pid).empty(); }), L"the system menu closes");
    HWND about = nullptr;
    CheckAboutBox(report, program, about);
    return report.Finish(L"choose-last-menu-item");
}

int OpenAbout(Report& report, UINT command) {
    Program program;
    if (!FindProgram(report, program)) return report.Finish(L"open-about");
    report.Check(Popups(program.pid, program.main).empty(), L"no dialog is open over the main dialog yet");
    ::PostMessageW(program.main, WM_SYSCOMMAND, command, 0);
    HWND about = nullptr;
    CheckAboutBox(report, program, about);
    return report.Finish(L"open-about");
}

int CheckAbout(Report& report) {
    Program program;
    HWND about = nullptr;
    if (FindProgram(report, program)) CheckAboutBox(report, program, about);
    return report.Finish(L"check-about");
}

int CloseAbout(Report& report) {
    Program program;
    if (!FindProgram(report, program)) return report.Finish(L"close-about");
    const std::vector<HWND> boxes = PopupsCaptioned(program.pid, program.main, kAboutCaption);
    if (!report.Check(boxes.size() == 1, L"one About box is open", Num(boxes.size()) + L" open")) return report.Finish(L"close-about");
    Press(::GetDlgItem(boxes[0], IDOK));
    report.Check(WaitFor(5000, [&] { return !::IsWindow(boxes[0]); }), L"its OK button closes the About box");
    report.Check(WaitFor(2000, [&] { return ::IsWindowEnabled(program.main) && ::IsWindowVisible(program.main); }),
                 L"the main dialog is enabled again");
    report.Check(Popups(program.pid, program.main).empty(), L"no dialog is left open over it");
    report.Check(Alive(program.pid), L"Velmora still runs");
    return report.Finish(L"close-about");
}

int ClickButton(Report& report, int id, const wchar_t* command) {
    Program program;
    if (!FindProgram(report, program)) return report.Finish(command);
    report.Check(::IsWindowEnabled(program.main) && Popups(program.pid, program.main).empty(),
                 L"the main dialog takes input (no box over it)");
    const HWND button = ::GetDlgItem(program.main, id);
    report.Check(button && Press(button), L"pressed " + Quoted(TextOf(button)));
    return report.Finish(command);
}

// Clicks the "32 Bit" or "64 Bit" radio button; the other one of the group unchecks.
int ChooseView(Report& report, const std::wstring& view) {
    if (view != L"32" && view != L"64") {
        PrintLine(L"choose-view: 32 or 64");
        return 2;
    }
    Program program;
    if (!FindProgram(report, program)) return report.Finish(L"choose-view");
    const HWND chosen = ::GetDlgItem(program.main, view == L"32" ? kView32 : kView64);
    const HWND other = ::GetDlgItem(program.main, view == L"32" ? kView64 : kView32);
    report.Check(::IsWindowVisible(chosen) && ::IsWindowEnabled(chosen), Quoted(TextOf(chosen)) + L" can be clicked");
    report.Check(PressAndWait(chosen, BM_CLICK), L"clicked " + Quoted(TextOf(chosen)));
    report.Check(IsChecked(chosen), Quoted(TextOf(chosen)) + L" is checked");
    report.Check(!IsChecked(other), Quoted(TextOf(other)) + L" is not checked");
    report.Check(Popups(program.pid, program.main).empty() && ::IsWindowVisible(program.main),
                 L"the dialog stays as it was otherwise");
    return report.Finish(L"choose-view");
}

// The question box: caption, text, icon, exactly the buttons Yes and No, Yes the default.
void CheckQuestionBox(Report& report, const Program& program, HWND box) {
    report.Equal(L"the question's caption", Caption(box), kMainCaption);
    report.Equal(L"the question's class", ClassOf(box), kDialogClass);
    report.Check(::GetWindow(box, GW_OWNER) == program.main, L"the question is owned by the main dialog");
    report.Check(!::IsWindowEnabled(program.main), L"the main dialog is disabled while the question is open (modal)");
    HWND textControl = ::GetDlgItem(box, kMessageBoxText);
    report.Equal(L"the question's text", textControl ? TextOf(textControl) : L"", kQuestion);
    std::set<int> buttons;
    bool icon = false;
    for (HWND child : Children(box)) {
        if (!::IsWindowVisible(child)) continue;
        const std::wstring cls = ClassOf(child);
        if (cls == L"Button") buttons.insert(::GetDlgCtrlID(child));
        const LONG style = ::GetWindowLongW(child, GWL_STYLE);
        if (cls == L"Static" && (style & SS_TYPEMASK) == SS_ICON && Ask(child, STM_GETICON) > 0) icon = true;
    }
    std::wstring ids;
    for (int id : buttons) ids += L" " + Num(id);
    report.Check(buttons == std::set<int>{IDYES, IDNO}, L"the question offers exactly Yes and No", L"button ids" + ids);
    report.Check(icon, L"the question shows an icon");
    // The default button: the one drawn as default, and the one Enter presses, which has
    // the focus as the box opens.
    const LONG yesType = ::GetWindowLongW(::GetDlgItem(box, IDYES), GWL_STYLE) & BS_TYPEMASK;
    const LONG noType = ::GetWindowLongW(::GetDlgItem(box, IDNO), GWL_STYLE) & BS_TYPEMASK;
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(box, nullptr), &thread);
    report.Check(yesType == BS_DEFPUSHBUTTON && noType == BS_PUSHBUTTON && thread.hwndFocus == ::GetDlgItem(box, IDYES),
                 L"Yes is the default button", L"Yes type " + Num(yesType) + L", No type " + Num(noType) +
                 L", focus on control " + Num(::GetDlgCtrlID(thread.hwndFocus)));
}

int CheckQuestion(Report& report) {
    Program program;
    if (!FindProgram(report, program)) return report.Finish(L"check-question");
    std::vector<HWND> boxes;
    WaitFor(10000, [&] {
        boxes = Popups(program.pid, program.main);
        return !boxes.empty();
    });
    ::Sleep(200);  // a second box would show up now
    boxes = Popups(program.pid, program.main);
    if (report.Check(boxes.size() == 1, L"exactly one box opens over the main dialog", Num(boxes.size()) + L" open"))
        CheckQuestionBox(report, program, boxes[0]);
    report.Check(InstallerChildren(program.pid).empty(), L"no installer runs before the answer");
    return report.Finish(L"check-question");
}

int Answer(Report& report, const std::wstring& answer) {
    if (answer != L"yes" && answer != L"no") {
        PrintLine(L"answer: yes or no");
        return 2;
    }
    Program program;
    if (!FindProgram(report, program)) return report.Finish(L"answer");
    const std::vector<HWND> boxes = PopupsCaptioned(program.pid, program.main, kMainCaption);
    if (!report.Check(boxes.size() == 1, L"the question is open", Num(boxes.size()) + L" boxes")) return report.Finish(L"answer");
    const HWND box = boxes[0];
    const HWND button = ::GetDlgItem(box, answer == L"yes" ? IDYES : IDNO);
    report.Check(button && Press(button), L"pressed " + Quoted(TextOf(button)));
    report.Check(WaitFor(5000, [&] { return !::IsWindow(box) || !::IsWindowVisible(box); }), L"the question closes");
    if (answer == L"no") {
        report.Check(WaitFor(2000, [&] { return ::IsWindowEnabled(program.main); }) && ::IsWindowVisible(program.main),
                     L"the main dialog stays open and takes input again");
        report.Check(Alive(program.pid), L"Velmora still runs");
    }
    return report.Finish(L"answer");
}

int ExpectIdle(Report& report, DWORD durationMs) {
    Program program;
    if (!FindProgram(report, program)) return report.Finish(L"expect-idle");
    std::set<DWORD> installers;
    bool closed = false;
    bool popup = false;
    const ULONGLONG end = ::GetTickCount64() + durationMs;
    while (::GetTickCount64() < end) {
        for (DWORD pid : ProcessesNamed(kInstaller)) installers.insert(pid);
        closed = closed || !::IsWindow(program.main) || !::IsWindowVisible(program.main) || !Alive(program.pid);
        popup = popup || !Popups(program.pid, program.main).empty();
        ::Sleep(kPollMs);
    }
    const std::wstring during = L" for " + Num(durationMs / 1000) + L" s";
    report.Check(!closed, L"the main dialog stays open" + during);
    report.Check(!popup, L"no box opens" + during);
    report.Check(installers.empty(), L"no installer starts" + during, Num(installers.size()) + L" msiexec processes seen");
    report.Check(::IsWindowEnabled(program.main), L"the main dialog takes input");
    return report.Finish(L"expect-idle");
}

// Watches Velmora until it has ended: the installers it starts and the boxes it opens.
struct RunWatch {
    DWORD pid = 0;
    HWND main = nullptr;
    std::vector<DWORD> installerOrder;  // every installer child, in the order first seen
    std::set<DWORD> installersSeen;
    size_t mostAtOnce = 0;
    std::set<HWND> extraBoxes;          // boxes opened while the run is under way
    bool hiddenEarly = false;           // the main dialog vanished while an installer ran

    void Poll() {
        const std::vector<DWORD> now = InstallerChildren(pid);
        for (DWORD child : now)
            if (installersSeen.insert(child).second) installerOrder.push_back(child);
        if (now.size() > mostAtOnce) mostAtOnce = now.size();
        if (main) {
            for (HWND box : Popups(pid, main))
                if (extraBoxes.insert(box).second) {
                    // A second question would hold the run: answer it No so that the run
                    // can finish and the failure is reported rather than hanging.
                    if (HWND no = ::GetDlgItem(box, IDNO)) Press(no);
                    else Press(::GetDlgItem(box, IDOK));
                }
            if (!now.empty() && (!::IsWindow(main) || !::IsWindowVisible(main))) hiddenEarly = true;
        }
    }
};

int WaitExit(Report& report, DWORD timeoutMs, const std::wstring& installerRule) {
    std::vector<DWORD> programs = ProcessesNamed(kProgram);
    if (!report.Check(programs.size() <= 1, L"at most one Velmora runs in the prefix", Num(programs.size()) + L" run"))
        return report.Finish(L"wait-exit");
    RunWatch watch;
    HANDLE process = nullptr;
    if (!programs.empty()) {
        watch.pid = programs[0];
        process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, watch.pid);
        const std::vector<HWND> dialogs = MainDialogs();
        if (dialogs.size() == 1) watch.main = dialogs[0];
    }
    if (!process) report.Note(L"no Velmora ran any more when the wait began");
    const ULONGLONG start = ::GetTickCount64();
    bool ended = true;
    if (process) {
        for (;;) {
            watch.Poll();
            if (::WaitForSingleObject(process, kPollMs) == WAIT_OBJECT_0) break;
            if (::GetTickCount64() - start > timeoutMs) {
                ended = false;
                break;
            }
        }
    }
    const ULONGLONG took = ::GetTickCount64() - start;
    report.Check(ended, L"Velmora ends by itself within " + Num(timeoutMs / 1000) + L" s",
                 L"still running after " + Num(took / 1000) + L" s");
    if (ended && process) {
        DWORD code = 0;
        ::GetExitCodeProcess(process, &code);
        report.Note(L"Velmora ended after " + Num(took) + L" ms, exit code " + Num(code));
    }
    if (process) ::CloseHandle(process);
    const size_t launches = watch.installerOrder.size();
    report.Note(Num(launches) + L" installer runs of Velmora seen");
    if (installerRule == L"--no-installer") {
        report.Check(launches == 0 && ProcessesNamed(kInstaller).empty(), L"no installer ran",
                     Num(launches) + L" msiexec processes seen");
    } else if (installerRule == L"--installer") {
        report.Equal(L"the number of installer runs (one per edition, one for each shared product)",
                     static_cast<long long>(launches), kInstallerRuns);
        report.Check(watch.mostAtOnce <= 1, L"one installer at a time", Num(watch.mostAtOnce) + L" at once");
        report.Check(InstallerChildren(watch.pid).empty(), L"no installer of Velmora outlives it");
    }
    report.Check(watch.extraBoxes.empty(), L"no box opened while waiting", Num(watch.extraBoxes.size()) + L" opened");
    if (launches > 0) report.Check(!watch.hiddenEarly, L"the main dialog stayed open while an installer ran");
    return report.Finish(L"wait-exit");
}

// Run after the question was answered Yes. Once the cleanup waits for its first
// installer, presses CleanUp, Cancel, Escape (the IDCANCEL command) and the close button,
// each handled while the run goes on; then none of them may have been acted upon: no new
// question, the dialog still shown, Velmora alive, and the run still going (another
// installer starts afterwards). Then waits for Velmora to end by itself.
int ClicksDuringRun(Report& report, DWORD timeoutMs) {
    Program program;
    if (!FindProgram(report, program)) return report.Finish(L"clicks-during-run");
    RunWatch watch;
    watch.pid = program.pid;
    watch.main = program.main;
    HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, program.pid);
    const bool running = WaitFor(60000, [&] {
        watch.Poll();
        return !watch.installersSeen.empty();
    });
    if (!report.Check(running, L"the cleanup runs (an installer started)")) return report.Finish(L"clicks-during-run");

    const HWND cleanup = ::GetDlgItem(program.main, IDOK);
    const HWND cancel = ::GetDlgItem(program.main, IDCANCEL);
    struct Click {
        const wchar_t* what;
        HWND window;
        UINT message;
        WPARAM wParam;
    } clicks[] = {
        {L"CleanUp", cleanup, BM_CLICK, 0},
        {L"CleanUp again", cleanup, BM_CLICK, 0},
        {L"Cancel", cancel, BM_CLICK, 0},
        {L"Escape (IDCANCEL)", program.main, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)},
        {L"the close button (SC_CLOSE)", program.main, WM_SYSCOMMAND, SC_CLOSE},
        {L"WM_CLOSE", program.main, WM_CLOSE, 0},
    };
    for (const Click& click : clicks) {
        const bool handled = PressAndWait(click.window, click.message, click.wParam);
        watch.Poll();
        report.Check(handled, std::wstring(click.what) + L" pressed during the run is handled at once",
                     L"the dialog did not return within " + Num(kSendTimeoutMs / 1000) + L" s");
        report.Check(watch.extraBoxes.empty(), std::wstring(click.what) + L" opens no box");
        report.Check(::IsWindow(program.main) && ::IsWindowVisible(program.main) && Alive(program.pid),
                     std::wstring(click.what) + L" leaves the dialog open and Velmora running");
    }
    // The close button and WM_CLOSE reach the dialog as a posted IDCANCEL: give the run
    // time to take it from its queue, then look again.
    const ULONGLONG settle = ::GetTickCount64() + 1000;
    while (::GetTickCount64() < settle) {
        watch.Poll();
        ::Sleep(kPollMs);
    }
    report.Check(::IsWindow(program.main) && ::IsWindowVisible(program.main) && Alive(program.pid),
                 L"a second later the dialog is still open and Velmora still running");
    const size_t seenBeforeClicksEnded = watch.installerOrder.size();

    // Go on watching until Velmora ends by itself.
    const ULONGLONG start = ::GetTickCount64();
    bool ended = false;
    for (;;) {
        watch.Poll();
        if (::WaitForSingleObject(process, kPollMs) == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
        if (::GetTickCount64() - start > timeoutMs) break;
    }
    report.Check(ended, L"Velmora ends by itself after the run");
    report.Check(watch.installerOrder.size() > seenBeforeClicksEnded, L"the run went on after the clicks (more installers started)",
                 Num(watch.installerOrder.size()) + L" installers seen, " + Num(seenBeforeClicksEnded) + L" of them before");
    report.Equal(L"the number of installer runs (one per edition, one for each shared product)",
                 static_cast<long long>(watch.installerOrder.size()), kInstallerRuns);
    report.Check(watch.mostAtOnce <= 1, L"one installer at a time", Num(watch.mostAtOnce) + L" at once");
    report.Check(watch.extraBoxes.empty(), L"no second question (or any box) during the whole run",
                 Num(watch.extraBoxes.size()) + L" opened");
    report.Check(!watch.hiddenEarly, L"the dialog stayed open while installers ran");
    ::CloseHandle(process);
    return report.Finish(L"clicks-during-run");
}

int Usage() {
    PrintLine(L"usage: velmora_gui_driver COMMAND [ARGS] (see the source's head for the commands)");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    const std::wstring command = argv[1];
    const wchar_t* arg = argc > 2 ? argv[2] : nullptr;
    Report report;
    if (command == L"wait-dialog") return WaitDialog(report, Seconds(arg, 60));
    if (command == L"check-main" && arg) return CheckMain(report, arg);
    if (command == L"check-system-menu") return CheckSystemMenu(report, argv[0]);
    if (command == L"open-system-menu") return OpenSystemMenu(report);
    if (command == L"choose-last-menu-item") return ChooseLastMenuItem(report);
    if (command == L"open-about") return OpenAbout(report, arg ? std::wcstoul(arg, nullptr, 0) : kAboutCommand);
    if (command == L"check-about") return CheckAbout(report);
    if (command == L"close-about") return CloseAbout(report);
    if (command == L"choose-view" && arg) return ChooseView(report, arg);
    if (command == L"click-cleanup") return ClickButton(report, IDOK, L"click-cleanup");
    if (command == L"click-cancel") return ClickButton(report, IDCANCEL, L"click-cancel");
    if (command == L"check-question") return CheckQuestion(report);
    if (command == L"answer" && arg) return Answer(report, arg);
    if (command == L"expect-idle") return ExpectIdle(report, Seconds(arg, 3));
    if (command == L"wait-exit") return WaitExit(report, Seconds(arg, 60), argc > 3 ? argv[3] : L"");
    if (command == L"clicks-during-run") return ClicksDuringRun(report, Seconds(arg, 300));
    return Usage();
}
