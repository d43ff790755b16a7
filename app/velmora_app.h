// The application object: prepares the common controls and shows the main dialog.
#pragma once

#include "framework.h"

class CVelmoraApp : public CWinApp {
public:
    CVelmoraApp();
    ~CVelmoraApp() override;

    // Shows the main dialog modally; always FALSE, so the program ends when it closes.
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
