#include "safe_location.h"

#include <shlobj.h>

#include <cwctype>

namespace velmora {
namespace {

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

bool IsPlainComponent(const std::wstring& part) {
    if (part.empty() || part == L"." || part == L"..") return false;
    // Windows strips trailing dots and spaces, so "Windows." would reach "Windows".
    if (part.back() == L'.' || part.back() == L' ') return false;
    for (size_t i = 0; i < part.size(); ++i) {
        const wchar_t c = part[i];
        if (c < 0x20 || c == L'/' || c == L':' || c == L'*' || c == L'?' || c == L'"' || c == L'<' ||
            c == L'>' || c == L'|')
            return false;
        if (c == L'~' && i + 1 < part.size() && std::iswdigit(part[i + 1])) return false;
    }
    return true;
}

std::vector<std::wstring> SplitComponents(const std::wstring& text) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(L'\\', start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::wstring::npos) return parts;
        start = end + 1;
    }
}

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

bool IsSameOrParent(const std::wstring& candidate, const std::wstring& protectedFolder) {
    if (protectedFolder.size() == candidate.size()) return protectedFolder == candidate;
    return protectedFolder.size() > candidate.size() && protectedFolder.compare(0, candidate.size(), candidate) == 0 &&
           protectedFolder[candidate.size()] == L'\\';
}

}  // namespace

std::wstring CanonicalFolderPath(const std::wstring& path) {
    std::wstring root;
    std::wstring rest;
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && path[2] == L'\\') {
        root = path.substr(0, 2);
        rest = path.substr(3);
    } else if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\') {
        const std::vector<std::wstring> parts = SplitComponents(path.substr(2));
        if (parts.size() < 2 || !IsPlainComponent(parts[0]) || !IsPlainComponent(parts[1])) return {};
        root = L"\\\\" + parts[0] + L"\\" + parts[1];
        rest = path.substr(2 + parts[0].size() + 1 + parts[1].size());
        if (!rest.empty()) rest.erase(0, 1);  // the separator after the share
    } else {
        return {};
    }

    // One trailing backslash is an ordinary way to write a folder; anything else empty is not.
    if (!rest.empty() && rest.back() == L'\\') rest.pop_back();
    if (rest.empty()) return {};  // a drive or share root
    std::wstring canonical = root;
    for (const std::wstring& part : SplitComponents(rest)) {
        if (!IsPlainComponent(part)) return {};
        canonical += L'\\';
        canonical += part;
    }
    return Upper(canonical);
}

std::vector<std::wstring> ProtectedFolders(WindowsApi& api) {
    static const int kFolders[] = {
        CSIDL_WINDOWS,          CSIDL_SYSTEM,           CSIDL_SYSTEMX86,        CSIDL_PROGRAM_FILES,
        CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_COMMON_APPDATA,
        CSIDL_PROFILE,          CSIDL_APPDATA,          CSIDL_LOCAL_APPDATA,    CSIDL_PERSONAL,
        CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DOCUMENTS, CSIDL_COMMON_DESKTOPDIRECTORY,
    };
    std::vector<std::wstring> folders;
    for (int folder : kFolders) {
        wchar_t path[MAX_PATH] = {};
        if (api.SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK && path[0])
            folders.push_back(path);
        else if (folder == CSIDL_WINDOWS)
            return {};  // without the Windows folder nothing can be judged safe
    }
    // A 32-bit program on 64-bit Windows is told the x86 Program Files; the native one is
    // named by the environment the system gives such a program.
    for (const wchar_t* name : {L"ProgramW6432", L"CommonProgramW6432"}) {
        wchar_t path[MAX_PATH] = {};
        const DWORD length = api.GetEnvironmentVariableW(name, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) folders.push_back(path);
    }
    return folders;
}

bool IsRemovableInstallLocation(const std::wstring& location, WindowsApi& api) {
    const std::wstring candidate = CanonicalFolderPath(location);
    if (candidate.empty()) return false;
    const std::vector<std::wstring> folders = ProtectedFolders(api);
    if (folders.empty()) return false;
    for (const std::wstring& folder : folders) {
        // A protected folder the system names oddly is still compared by its plain text.
        std::wstring canonical = CanonicalFolderPath(folder);
        if (canonical.empty()) canonical = Upper(folder);
        while (!canonical.empty() && canonical.back() == L'\\') canonical.pop_back();
        if (IsSameOrParent(candidate, canonical)) return false;
    }
    return true;
}

}  // namespace velmora
