// Dialog data exchange: the context a dialog's DoDataExchange runs in, and the binding of
// a control object to a control of the dialog.
#pragma once

#include "wnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* dlgWnd, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dlgWnd) {}

    BOOL m_bSaveAndValidate;  // TRUE: from the controls to the members; FALSE: the other way
    CWnd* m_pDlgWnd;
};

// Binds the control object to the dialog's control with the id. Every exchange binds
// afresh, so an object reused for a new dialog window never keeps a stale handle.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
