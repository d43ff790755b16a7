// Strings from the program's string table.
#pragma once

#include <windows.h>

#include <string>

// The string with the id, or an empty string when there is none.
std::wstring LoadResourceString(UINT id);
