// A combo box control: the list operations the dialogs use.
#pragma once

#include "wnd.h"

class CComboBox : public CWnd {
public:
    // Inserts at the position (CB_INSERTSTRING), which keeps the given order even in a
    // sorted list. Returns the position, or CB_ERR / CB_ERRSPACE.
    int InsertString(int index, LPCWSTR text) const {
        return static_cast<int>(SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
    }
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    // The selected position, or CB_ERR when nothing is selected.
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
};
