#include "registry_as_itself.h"

#include <winternl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

// ntdll exports it on every Windows version; mingw-w64 declares it only among the driver
// headers.
extern "C" NTSTATUS NTAPI NtDeleteKey(HANDLE key);

namespace velmora {
namespace {

// The real layer's own handles along a path, closed when the walk moves on or ends.
struct KeyCloser {
    void operator()(HKEY key) const { ::RegCloseKey(key); }
};
using OwnedKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// A link opened as itself shows the name of its target as this value, of type REG_LINK.
bool IsLink(HKEY key) {
    DWORD type = REG_NONE;
    return ::RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
           type == REG_LINK;
}

// The names between separators; empty ones, as in a doubled separator, name no key.
std::vector<std::wstring> Components(LPCWSTR path) {
    std::vector<std::wstring> names;
    const std::wstring text = path ? path : L"";
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find(L'\\', start), text.size());
        if (end > start) names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

}  // namespace

LONG OpenKeyAsItself(HKEY root, LPCWSTR path, DWORD options, REGSAM access, PHKEY result) {
    const std::vector<std::wstring> names = Components(path);
    if (names.empty()) return ::RegOpenKeyExW(root, L"", options | REG_OPTION_OPEN_LINK, access, result);
    const REGSAM view = access & KEY_WOW64_RES;
    OwnedKey held;
    for (size_t index = 0; index < names.size(); ++index) {
        const bool last = index + 1 == names.size();
        HKEY next = nullptr;
        const LONG opened = ::RegOpenKeyExW(held ? held.get() : root, names[index].c_str(),
                                            REG_OPTION_OPEN_LINK | (last ? options : 0),
                                            last ? access : KEY_QUERY_VALUE | view, &next);
        if (opened != ERROR_SUCCESS) return opened;
        held.reset(next);
        if (!last && IsLink(held.get())) return kKeyBehindLink;
    }
    *result = held.release();
    return ERROR_SUCCESS;
}

LONG DeleteOpenKey(HKEY key) {
    const NTSTATUS status = ::NtDeleteKey(key);
    return NT_SUCCESS(status) ? ERROR_SUCCESS : static_cast<LONG>(::RtlNtStatusToDosError(status));
}

}  // namespace velmora
