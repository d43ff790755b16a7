// Modal dialogs built from dialog templates in the program's resources.
#pragma once

#include "data_exchange.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Shows the dialog and runs its modal loop. Returns the result given to EndDialog,
    // or -1 when the dialog could not be created.
    virtual INT_PTR DoModal();

    // WM_INITDIALOG: moves the data into the controls. TRUE lets the system focus the
    // first control that takes the focus.
    virtual BOOL OnInitDialog();
    // IDOK: takes the data from the controls, then ends the dialog with IDOK.
    virtual void OnOK();
    // IDCANCEL (also Escape and the close button): ends the dialog with IDCANCEL.
    virtual void OnCancel();

    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    BOOL EndDialog(int result) const { return ::EndDialog(m_hWnd, result); }

    // Commands that no map of the dialog handles go on to the application object.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleInitDialog();
    void CenterWindow() const;
    bool TakeDefaultPass(UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    // The message Default() is handing to the dialog manager, which first asks the
    // dialog procedure again; that one call must answer "not handled".
    struct DefaultPass {
        bool pending;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    DefaultPass m_defaultPass{};

    DECLARE_MESSAGE_MAP()
};

// The dialog class that generated dialogs derive from; it adds nothing here.
class CDialogEx : public CDialog {
public:
    using CDialog::CDialog;
};
