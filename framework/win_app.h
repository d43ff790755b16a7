// The application object and the framework's process-wide services around it.
#pragma once

#include <string>

#include "cmd_target.h"

class CWnd;

// The application can be restarted by the restart manager (no recovery, no autosave).
constexpr DWORD AFX_RESTART_MANAGER_SUPPORT_RESTART = 0x01;
// The help command (F1 in the framework's own command set).
constexpr UINT ID_HELP = 0xE146;

class CWinApp : public CCmdTarget {
public:
    // The one application object of the program; the entry point finds it. With no name,
    // the application is named after its executable file.
    explicit CWinApp(LPCWSTR appName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Starts the application. FALSE ends the program without entering a message loop.
    virtual BOOL InitInstance();
    // The message loop of an application whose InitInstance returned TRUE.
    virtual int Run();
    // The program's exit status.
    virtual int ExitInstance();

    // Records the registry key under which the application would keep its settings.
    void SetRegistryKey(LPCWSTR key) { m_strRegistryKey = key ? key : L""; }

    // ID_HELP. The framework has no help viewer of its own and the program no help file,
    // so the command is accepted and nothing is shown.
    virtual void OnHelp() {}

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
    std::wstring m_strAppName;
    std::wstring m_strRegistryKey;
    DWORD m_dwRestartManagerSupportFlags = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The module that holds the dialog templates, strings and icons.
HINSTANCE AfxGetResourceHandle();
// The window a new modal window is owned by: the given parent, or else the application's
// main window (unless that is `self`), brought to its most recently active popup.
HWND AfxGetSafeOwner(CWnd* parent, const CWnd* self = nullptr);
// The application's name; without an application object, the executable's name.
std::wstring AfxGetAppName();
// The application name for an executable path: the file name without its extension.
std::wstring AppNameFromModulePath(const std::wstring& path);

// Enables hosting ActiveX controls; this framework hosts none, so there is nothing to set up.
inline void AfxEnableControlContainer(void* /*containerManager*/ = nullptr) {}

// The framework's entry point: finds the application object, names it, runs InitInstance.
int AfxWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand);
