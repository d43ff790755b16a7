#include "resource_string.h"

#include "win_app.h"

std::wstring LoadResourceString(UINT id) {
    // With a zero buffer size LoadStringW hands back a pointer into the resource itself.
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}
