// A window seen through its handle: the calls the dialogs make on themselves and on
// their controls, and the default processing of the message being handled.
#pragma once

#include "cmd_target.h"

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    explicit CWnd(HWND hWnd) : m_hWnd(hWnd) {}

    HWND GetSafeHwnd() const { return m_hWnd; }

    // The child window with the id, as a window object that only wraps its handle.
    CWnd GetDlgItem(int id) const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL ShowWindow(int showCommand) const;
    BOOL EnableWindow(BOOL enable = TRUE) const;
    HMENU GetSystemMenu(BOOL revert) const;
    BOOL IsIconic() const;
    void GetClientRect(RECT* rect) const;

    // Runs the message map; while a handler runs, its message is the one Default() hands on.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The default window processing of the message whose handler is running, with that
    // message's own parameters.
    LRESULT Default();

    // WM_PAINT default: the window's default painting.
    void OnPaint() { Default(); }

    HWND m_hWnd = nullptr;

protected:
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    struct CurrentMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    CurrentMessage m_current{};
};
