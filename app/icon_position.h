// Where the minimised dialog draws its icon.
#pragma once

#include <windows.h>

// The icon's top-left corner, centred in the client area: (client size - icon size + 1) / 2
// on each axis, in signed arithmetic that truncates toward zero.
POINT MinimizedIconPosition(const RECT& client, int cxIcon, int cyIcon);
