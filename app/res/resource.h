// Resource ids of Velmora.exe, shared by the resource script and the code.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_ABOUT_DIALOG 100
#define IDS_ABOUT_MENU 101
#define IDD_CLEANUP_DIALOG 102
#define IDI_APP_ICON 128

#define IDC_LANGUAGE_LIST 1001
#define IDC_VIEW_32BIT 1004
#define IDC_VIEW_64BIT 1005

// System-menu command that opens the About box; the system keeps the low four bits.
#define IDM_ABOUT 0x0010
