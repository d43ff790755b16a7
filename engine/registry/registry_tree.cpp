#include "registry/registry_tree.h"

#include <string>
#include <vector>

#include "unique_handle.h"

namespace velmora {
namespace {

// A key name has at most 255 characters, a value name at most 16,383.
constexpr DWORD kKeyNameCapacity = 256;
constexpr DWORD kValueNameCapacity = 16384;

void Keep(LONG& first, LONG result) {
    if (first == ERROR_SUCCESS) first = result;
}

// The names a listing call gives for index 0, 1, ... until it reports no more items; any
// other failure ends the list too and is kept as the result.
template <typename List>
std::vector<std::wstring> Names(DWORD capacity, LONG& first, List list) {
    std::vector<std::wstring> names;
    std::vector<wchar_t> name(capacity);
    for (DWORD index = 0;; ++index) {
        DWORD length = capacity;
        const LONG result = list(index, name.data(), &length);
        if (result != ERROR_SUCCESS) {
            if (result != ERROR_NO_MORE_ITEMS) Keep(first, result);
            return names;
        }
        names.emplace_back(name.data(), length);
    }
}

std::vector<std::wstring> Subkeys(WindowsApi& api, HKEY key, LONG& first) {
    return Names(kKeyNameCapacity, first, [&](DWORD index, LPWSTR name, LPDWORD length) {
        return api.RegEnumKeyExW(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

std::vector<std::wstring> Values(WindowsApi& api, HKEY key, LONG& first) {
    return Names(kValueNameCapacity, first, [&](DWORD index, LPWSTR name, LPDWORD length) {
        return api.RegEnumValueW(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

}  // namespace

LONG EmptyKeyInView(WindowsApi& api, HKEY key, REGSAM view) {
    LONG first = ERROR_SUCCESS;
    const auto subkeys = Subkeys(api, key, first);
    for (const std::wstring& name : subkeys) {
        UniqueKey child(api);
        const LONG opened = api.RegOpenKeyExW(key, name.c_str(), 0, kEmptyingAccess | view, child.put());
        if (opened == ERROR_SUCCESS) {
            Keep(first, EmptyKeyInView(api, child.get(), view));
        } else {
            child.release();  // a failed open hands out no handle to close
            Keep(first, opened);
        }
        child.reset();
        Keep(first, api.RegDeleteKeyExW(key, name.c_str(), view, 0));
    }
    const auto values = Values(api, key, first);
    for (const std::wstring& name : values) Keep(first, api.RegDeleteValueW(key, name.c_str()));
    return first;
}

std::vector<std::wstring> SubkeyNames(WindowsApi& api, HKEY key) {
    LONG ignored = ERROR_SUCCESS;
    return Subkeys(api, key, ignored);
}

std::vector<std::wstring> ValueNames(WindowsApi& api, HKEY key) {
    LONG ignored = ERROR_SUCCESS;
    return Values(api, key, ignored);
}

}  // namespace velmora
