#include "wnd.h"

#include <utility>

CWnd CWnd::GetDlgItem(int id) const { return CWnd(::GetDlgItem(m_hWnd, id)); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::ShowWindow(int showCommand) const { return ::ShowWindow(m_hWnd, showCommand); }

BOOL CWnd::EnableWindow(BOOL enable) const { return ::EnableWindow(m_hWnd, enable); }

HMENU CWnd::GetSystemMenu(BOOL revert) const { return ::GetSystemMenu(m_hWnd, revert); }

BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }

void CWnd::GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // Handlers can nest (a handler's own calls send further messages); each level
    // restores the message of the level below when it returns.
    const CurrentMessage outer = std::exchange(m_current, CurrentMessage{message, wParam, lParam});
    const bool handled = CCmdTarget::OnWndMsg(message, wParam, lParam, result);
    m_current = outer;
    return handled;
}

LRESULT CWnd::Default() { return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam); }

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}
