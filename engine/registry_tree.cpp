#include "registry_tree.h"

#include <string>
#include <vector>

#include "unique_handle.h"

namespace velmora {
namespace {

// A key name has at most 255 characters, a value name at most 16,383.
constexpr DWORD kKeyNameCapacity = 256;
constexpr DWORD kValueNameCapacity = 16384;

// Enough to list a key, delete its values and delete it.
constexpr REGSAM kEmptyingAccess = DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE;

void Keep(LONG& first, LONG result) {
    if (first == ERROR_SUCCESS) first = result;
}

std::vector<std::wstring> SubkeyNames(WindowsApi& api, HKEY key, LONG& first) {
    std::vector<std::wstring> names;
    std::vector<wchar_t> name(kKeyNameCapacity);
    for (DWORD index = 0;; ++index) {
        DWORD length = kKeyNameCapacity;
        const LONG result = api.RegEnumKeyExW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result != ERROR_SUCCESS) {
            if (result != ERROR_NO_MORE_ITEMS) Keep(first, result);
            return names;
        }
        names.emplace_back(name.data(), length);
    }
}

std::vector<std::wstring> ValueNames(WindowsApi& api, HKEY key, LONG& first) {
    std::vector<std::wstring> names;
    std::vector<wchar_t> name(kValueNameCapacity);
    for (DWORD index = 0;; ++index) {
        DWORD length = kValueNameCapacity;
        const LONG result = api.RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result != ERROR_SUCCESS) {
            if (result != ERROR_NO_MORE_ITEMS) Keep(first, result);
            return names;
        }
        names.emplace_back(name.data(), length);
    }
}

}  // namespace

LONG EmptyKeyInView(WindowsApi& api, HKEY key, REGSAM view) {
    LONG first = ERROR_SUCCESS;
    for (const std::wstring& name : SubkeyNames(api, key, first)) {
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
    for (const std::wstring& name : ValueNames(api, key, first)) Keep(first, api.RegDeleteValueW(key, name.c_str()));
    return first;
}

}  // namespace velmora
