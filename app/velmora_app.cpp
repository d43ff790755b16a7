#include "velmora_app.h"

#include <commctrl.h>

#include <memory>
#include <new>

#include "velmora_dlg.h"
#include "windows/system_library.h"

BEGIN_MESSAGE_MAP(CVelmoraApp, CWinApp)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CVelmoraApp::CVelmoraApp() : CWinApp(nullptr) {
    m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART;
}

CVelmoraApp::~CVelmoraApp() = default;

BOOL CVelmoraApp::InitInstance() {
    // Before anything loads a DLL by name: only from the system folder, never from the
    // folder the program was started from.
    velmora::LoadDllsOnlyFromSystemFolder();

    // With the manifest's version 6 of the common controls, this gives the dialog's
    // controls the system's visual style.
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);

    CWinApp::InitInstance();
    AfxEnableControlContainer(nullptr);

    // No part of the program uses it; it lives as long as the dialog.
    std::unique_ptr<CShellManager> shellManager(new (std::nothrow) CShellManager);

    SetRegistryKey(L"应用程序向导生成的本地应用程序");

    {
        CVelmoraDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        shellManager.reset();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}
