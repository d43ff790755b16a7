// The main dialog: the language list, the 32/64-bit choice, CleanUp and Cancel.
#pragma once

#include "cleanup_command.h"
#include "framework.h"

class CVelmoraDlg : public CDialogEx {
public:
    explicit CVelmoraDlg(CWnd* pParent = nullptr);
    ~CVelmoraDlg() override;

    // Message handlers, reached through the message map.
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnCleanUp();

    BOOL m_bUse32BitView = FALSE;
    BOOL m_bIs64BitSystem = FALSE;
    HICON m_hIcon;
    CComboBox m_languageCombo;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Cancel, Escape and the close button end the dialog, except during a cleanup run,
    // which always completes and then closes the dialog itself.
    void OnCancel() override;

private:
    CCleanupCommand m_cleanup;

    DECLARE_MESSAGE_MAP()
};
