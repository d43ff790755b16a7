// Filling the engine's text templates: key paths, folder names, command lines.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>

// Replaces each "%s" of the format with the next argument; "%%" stands for one percent
// sign. The result grows as needed, so nothing is ever cut.
std::wstring FormatText(const wchar_t* format, std::initializer_list<const wchar_t*> args);

// The same formatting into a fixed buffer of `capacity` wide characters, terminator
// included. Text that does not fit is cut after capacity - 1 characters and terminated;
// the result is false then, and the caller must not use the cut text as a path.
bool FormatBounded(wchar_t* buffer, std::size_t capacity, const wchar_t* format,
                   std::initializer_list<const wchar_t*> args);
