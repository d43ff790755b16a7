#include "registry/registry_as_itself.h"

#include <winternl.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

// ntdll exports both on every Windows version; mingw-w64 declares them only among the
// driver headers.
extern "C" NTSTATUS NTAPI NtDeleteKey(HANDLE key);
extern "C" NTSTATUS NTAPI NtQueryKey(HANDLE key, int infoClass, PVOID info, ULONG length, PULONG returned);

namespace velmora {
namespace {

constexpr int kKeyNameInformation = 3;  // KEY_INFORMATION_CLASS: the key's full name
constexpr wchar_t kLinkValue[] = L"SymbolicLinkValue";
constexpr wchar_t kMachineRoot[] = L"\\REGISTRY\\MACHINE\\";

// Windows's own registry links in HKLM\SOFTWARE, which only administrators may write: each
// link's full name and the target it holds. Microsoft's "Registry Keys Affected by WOW64":
// the 32-bit view's HKLM\SOFTWARE\Classes is HKLM\SOFTWARE\Classes\Wow6432Node, and the
// Wow6432Node form of its name is linked there.
struct SystemLink {
    const wchar_t* name;
    const wchar_t* target;
};
constexpr SystemLink kSystemLinks[] = {
    {L"\\REGISTRY\\MACHINE\\SOFTWARE\\Wow6432Node\\Classes", L"\\REGISTRY\\MACHINE\\SOFTWARE\\Classes\\Wow6432Node"},
};

// The real layer's own handles along a path, closed when the walk moves on or ends.
struct KeyCloser {
    void operator()(HKEY key) const { ::RegCloseKey(key); }
};
using OwnedKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// Registry names compare as Windows compares them: ordinally, case ignored.
bool SameName(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

// The target a link opened as itself names, its SymbolicLinkValue of type REG_LINK, which
// only such a handle shows; nothing for a key that is no link. A target longer than any of
// Windows's own links hold reads as empty.
std::optional<std::wstring> LinkTarget(HKEY key) {
    DWORD type = REG_NONE;
    if (::RegQueryValueExW(key, kLinkValue, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS || type != REG_LINK)
        return std::nullopt;
    wchar_t text[128] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    if (::RegQueryValueExW(key, kLinkValue, nullptr, nullptr, reinterpret_cast<LPBYTE>(text), &size) != ERROR_SUCCESS)
        return std::wstring();
    return std::wstring(text, ::wcsnlen(text, size / sizeof(wchar_t)));
}

// The key's full name in the registry ("\REGISTRY\MACHINE\SOFTWARE\..."), as the system
// knows the key the handle stands for; empty when it will not say.
std::wstring FullName(HKEY key) {
    struct {
        ULONG length;
        wchar_t name[256];
    } info{};
    ULONG returned = 0;
    if (!NT_SUCCESS(::NtQueryKey(key, kKeyNameInformation, &info, sizeof(info), &returned))) return {};
    return std::wstring(info.name, std::min<size_t>(info.length / sizeof(wchar_t), std::size(info.name)));
}


// The names between separators; empty ones, as in a doubled separator, name no key.
std::vector<std::wstring> Components(const std::wstring& text) {
    std::vector<std::wstring> names;
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find(L'\\', start), text.size());
        if (end > start) names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

REGSAM WithView(REGSAM access) { return access | OpenedView(access); }

// Opens root and then each name in turn, as OpenKeyAsItself describes; `names` is not empty.
// Every step carries the view flag of `access`, so none meets the WOW64 registry redirector:
// the walk never relies on how it treats an open.
LONG Walk(HKEY root, std::vector<std::wstring> names, DWORD options, REGSAM access, PHKEY result) {
    const REGSAM view = access & KEY_WOW64_RES;
    OwnedKey held;
    bool linkTaken = false;  // Windows's links do not lead through one another
    for (size_t index = 0;;) {
        const bool last = index + 1 == names.size();
        HKEY next = nullptr;
        const LONG opened = ::RegOpenKeyExW(held ? held.get() : root, names[index].c_str(),
                                            REG_OPTION_OPEN_LINK | (last ? options : 0),
                                            last ? access : KEY_QUERY_VALUE | view, &next);
        if (opened != ERROR_SUCCESS) return opened;
        held.reset(next);
        if (last) break;
        const std::optional<std::wstring> target = LinkTarget(held.get());
        if (!target) {
            ++index;
            continue;
        }
        const std::wstring through = linkTaken ? L"" : ThroughSystemLink(FullName(held.get()), *target);
        if (through.empty()) return kKeyBehindLink;
        // On from the link's target, as a whole-path open reaches it.
        std::vector<std::wstring> rest = Components(through);
        rest.insert(rest.end(), names.begin() + static_cast<std::ptrdiff_t>(index) + 1, names.end());
        names = std::move(rest);
        index = 0;
        held.reset();
        root = HKEY_LOCAL_MACHINE;
        linkTaken = true;
    }
    *result = held.release();
    return ERROR_SUCCESS;
}

}  // namespace

std::wstring ThroughSystemLink(const std::wstring& fullName, const std::wstring& target) {
    for (const SystemLink& known : kSystemLinks)
        if (SameName(fullName, known.name) && SameName(target, known.target))
            return std::wstring(known.target + std::size(kMachineRoot) - 1);
    return {};
}

LONG OpenKeyAsItself(HKEY root, LPCWSTR path, DWORD options, REGSAM access, PHKEY result) {
    const std::vector<std::wstring> names = Components(path ? path : L"");
    if (names.empty()) return ::RegOpenKeyExW(root, L"", options | REG_OPTION_OPEN_LINK, WithView(access), result);
    return Walk(root, names, options, WithView(access), result);
}

LONG OpenClassesKeyAsItself(const std::wstring& accountSid, LPCWSTR path, DWORD options, REGSAM access,
                            PHKEY result) {
    const std::wstring below = path ? path : L"";
    if (!accountSid.empty()) {
        const LONG own =
            Walk(HKEY_USERS, Components(accountSid + L"_Classes\\" + below), options, WithView(access), result);
        if (own != ERROR_FILE_NOT_FOUND) return own;
    }
    return Walk(HKEY_LOCAL_MACHINE, Components(L"SOFTWARE\\Classes\\" + below), options, WithView(access), result);
}

LONG DeleteOpenKey(HKEY key) {
    const NTSTATUS status = ::NtDeleteKey(key);
    return NT_SUCCESS(status) ? ERROR_SUCCESS : static_cast<LONG>(::RtlNtStatusToDosError(status));
}

}  // namespace velmora
