#include "dialog.h"

#include "centering.h"
#include "win_app.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

INT_PTR CDialog::DoModal() {
    const INT_PTR result = ::DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate),
                                             AfxGetSafeOwner(m_pParentWnd, this), &CDialog::DialogProc,
                                             reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return result;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

bool CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (CWnd::OnWndMsg(message, wParam, lParam, result)) return true;
    CWinApp* app = AfxGetApp();
    return message == WM_COMMAND && app && app->OnWndMsg(message, wParam, lParam, result);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    m_defaultPass = DefaultPass{true, message, wParam, lParam};
    const LRESULT result = ::DefDlgProcW(m_hWnd, message, wParam, lParam);
    m_defaultPass.pending = false;
    return result;
}

bool CDialog::TakeDefaultPass(UINT message, WPARAM wParam, LPARAM lParam) {
    const DefaultPass& pass = m_defaultPass;
    if (!pass.pending || pass.message != message || pass.wParam != wParam || pass.lParam != lParam) return false;
    m_defaultPass.pending = false;
    return true;
}

INT_PTR CDialog::HandleInitDialog() {
    RECT before{};
    ::GetWindowRect(m_hWnd, &before);
    const BOOL focusDefault = OnInitDialog();
    // A dialog that its initialisation left where the template put it is centred: over
    // its owner, or on the screen when it has none.
    RECT after{};
    ::GetWindowRect(m_hWnd, &after);
    if (after.left == before.left && after.top == before.top) CenterWindow();
    return focusDefault;
}

void CDialog::CenterWindow() const {
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    const HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT area = monitor.rcWork;
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &area);
    const POINT origin = afx::CenteredOrigin(window, area, monitor.rcWork);
    ::SetWindowPos(m_hWnd, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The dialog procedure of every CDialog. The object arrives with WM_INITDIALOG and is
// kept in DWLP_USER; messages before that (WM_SETFONT) get the dialog manager's default.
INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        dialog->m_hWnd = hWnd;
        return dialog->HandleInitDialog();
    }
    auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    if (!dialog || dialog->TakeDefaultPass(message, wParam, lParam)) return FALSE;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
        dialog->m_hWnd = nullptr;
        return FALSE;
    }
    LRESULT result = 0;
    if (!dialog->OnWndMsg(message, wParam, lParam, result)) return FALSE;
    switch (message) {
        // These messages take their result as the dialog procedure's return value.
        case WM_CHARTOITEM:
        case WM_COMPAREITEM:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_QUERYDRAGICON:
        case WM_VKEYTOITEM:
            return static_cast<INT_PTR>(result);
        default:
            ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
            return TRUE;
    }
}
