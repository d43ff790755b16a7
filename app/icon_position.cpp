#include "icon_position.h"

POINT MinimizedIconPosition(const RECT& client, int cxIcon, int cyIcon) {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    return POINT{(width - cxIcon + 1) / 2, (height - cyIcon + 1) / 2};
}
