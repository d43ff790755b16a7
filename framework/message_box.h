// The application's message box.
#pragma once

#include <windows.h>

// The box type with the framework's default icon added when the type names none:
// the exclamation mark for OK and OK/Cancel boxes, the question mark for Yes/No and
// Yes/No/Cancel boxes, nothing for the others.
UINT AfxMessageBoxStyle(UINT type);

// A modal message box over the application's main window (or its active popup), captioned
// with the application's name. The help id would pick a help topic; with no help file,
// it is not used. Returns the button pressed (IDYES, IDNO, ...).
int AfxMessageBox(LPCWSTR text, UINT type = MB_OK, UINT helpId = 0);
