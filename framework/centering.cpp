#include "centering.h"

#include <algorithm>

namespace afx {

POINT CenteredOrigin(const RECT& window, const RECT& area, const RECT& workArea) {
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    LONG x = (area.left + area.right) / 2 - width / 2;
    LONG y = (area.top + area.bottom) / 2 - height / 2;
    x = std::max(workArea.left, std::min(x, workArea.right - width));
    y = std::max(workArea.top, std::min(y, workArea.bottom - height));
    return POINT{x, y};
}

}  // namespace afx
