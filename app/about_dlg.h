// The About box: icon, name and version.
#pragma once

#include "framework.h"

class CAboutDlg : public CDialogEx {
public:
    CAboutDlg();

    DECLARE_MESSAGE_MAP()
};
