#include "message_box.h"

#include <string>

#include "win_app.h"

UINT AfxMessageBoxStyle(UINT type) {
    if (type & MB_ICONMASK) return type;
    switch (type & MB_TYPEMASK) {
        case MB_OK:
        case MB_OKCANCEL:
            return type | MB_ICONEXCLAMATION;
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return type | MB_ICONQUESTION;
        default:
            return type;
    }
}

int AfxMessageBox(LPCWSTR text, UINT type, UINT /*helpId*/) {
    const std::wstring caption = AfxGetAppName();
    return ::MessageBoxW(AfxGetSafeOwner(nullptr), text, caption.c_str(), AfxMessageBoxStyle(type));
}
