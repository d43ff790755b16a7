// Where a window goes when it is centred over an area.
#pragma once

#include <windows.h>

namespace afx {

// The top-left corner that centres `window` over `area`, moved as little as needed to
// keep the window inside `workArea` (the left and top edges win when it is too large).
POINT CenteredOrigin(const RECT& window, const RECT& area, const RECT& workArea);

}  // namespace afx
