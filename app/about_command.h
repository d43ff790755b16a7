// The system-menu command of the About entry.
#pragma once

#include <windows.h>

#include "resource.h"

// True for IDM_ABOUT whatever the low four bits, which the system keeps for its own use.
constexpr bool IsAboutCommand(UINT commandId) { return (commandId & 0xFFF0) == IDM_ABOUT; }
