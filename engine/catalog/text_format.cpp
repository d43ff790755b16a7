#include "catalog/text_format.h"

#include <cwchar>

std::wstring FormatText(const wchar_t* format, std::initializer_list<const wchar_t*> args) {
    std::wstring out;
    auto next = args.begin();
    for (const wchar_t* p = format; *p; ++p) {
        if (p[0] == L'%' && p[1] == L's') {
            if (next != args.end() && *next) out += *next;
            if (next != args.end()) ++next;
            ++p;
        } else if (p[0] == L'%' && p[1] == L'%') {
            out += L'%';
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

bool FormatBounded(wchar_t* buffer, std::size_t capacity, const wchar_t* format,
                   std::initializer_list<const wchar_t*> args) {
    if (capacity == 0) return false;
    const std::wstring text = FormatText(format, args);
    const std::size_t kept = text.size() < capacity ? text.size() : capacity - 1;
    std::wmemcpy(buffer, text.data(), kept);
    buffer[kept] = L'\0';
    return kept == text.size();
}
