#include "folders/long_path.h"

#include <cwctype>
#include <vector>

namespace velmora {
namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
bool IsDotOrSpace(wchar_t c) { return c == L'.' || c == L' '; }

// A name Windows takes for a device ("CON", "nul.txt", "COM1 ") when it ends a plain path.
bool IsDeviceName(const std::wstring& component) {
    std::wstring base = component.substr(0, component.find_first_of(L".:"));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (wchar_t& c : base) c = static_cast<wchar_t>(std::towupper(c));
    for (const wchar_t* name : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (base == name) return true;
    if (base.size() != 4 || (base.compare(0, 3, L"COM") != 0 && base.compare(0, 3, L"LPT") != 0)) return false;
    const wchar_t digit = base[3];
    return (digit >= L'0' && digit <= L'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

// A server or share name that Windows keeps as it stands.
bool IsPlainRootName(const std::wstring& name) {
    return !name.empty() && name != L"." && name != L".." && name != L"?" && !IsDotOrSpace(name.back());
}

}  // namespace

std::wstring ResolvePlainPath(const std::wstring& path) {
    std::wstring root;  // with its separator, except a share named without one
    size_t restStart = 0;
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && IsSeparator(path[2])) {
        root = path.substr(0, 2) + L"\\";
        restStart = 3;
    } else if (path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // "\\server\share[\rest]": exactly one separator after server and share.
        const size_t serverEnd = path.find_first_of(L"\\/", 2);
        if (serverEnd == std::wstring::npos) return {};
        const size_t shareEnd = path.find_first_of(L"\\/", serverEnd + 1);
        const std::wstring server = path.substr(2, serverEnd - 2);
        const std::wstring share = path.substr(serverEnd + 1, shareEnd == std::wstring::npos
                                                                  ? std::wstring::npos
                                                                  : shareEnd - serverEnd - 1);
        if (!IsPlainRootName(server) || !IsPlainRootName(share)) return {};
        if (shareEnd == std::wstring::npos) return L"\\\\" + server + L"\\" + share;
        if (shareEnd + 1 < path.size() && IsSeparator(path[shareEnd + 1])) return {};
        root = L"\\\\" + server + L"\\" + share + L"\\";
        restStart = shareEnd + 1;
    } else {
        return {};
    }

    // The components after the root; empty ones (from repeated separators) fold away.
    std::vector<std::wstring> raw;
    for (size_t start = restStart; start < path.size();) {
        size_t end = path.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = path.size();
        if (end > start) raw.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    const bool endsInSeparator = path.size() == restStart || IsSeparator(path.back());

    std::vector<std::wstring> kept;
    for (size_t i = 0; i < raw.size(); ++i) {
        std::wstring part = raw[i];
        const bool last = i + 1 == raw.size() && !endsInSeparator;
        if (part == L".") continue;
        if (part == L"..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        if (last && IsDeviceName(part)) return {};
        // A component followed by a separator loses one trailing period ("x." is "x", but
        // "..." becomes the name ".."); the last one is trimmed below.
        if (!last && part.back() == L'.') part.pop_back();
        kept.push_back(part);
    }
    // Unless the path ends in a separator, whatever component ends it loses its trailing
    // periods and spaces; one that is nothing else leaves the separator before it.
    bool trailingSeparator = endsInSeparator;
    if (!endsInSeparator && !kept.empty()) {
        std::wstring& final = kept.back();
        while (!final.empty() && IsDotOrSpace(final.back())) final.pop_back();
        if (final.empty()) {
            kept.pop_back();
            trailingSeparator = true;
        }
    }
    std::wstring resolved = root;
    for (size_t i = 0; i < kept.size(); ++i) {
        if (kept[i] == L"." || kept[i] == L"..") return {};  // no file can have that name
        resolved += (i ? L"\\" : L"") + kept[i];
    }
    if (trailingSeparator && !kept.empty()) resolved += L'\\';
    return resolved;
}

std::wstring ExtendedLengthPath(const std::wstring& path) {
    if (StartsWith(path, L"\\\\?\\")) return path;
    std::wstring resolved = ResolvePlainPath(path);
    if (resolved.empty()) return path;
    const bool isDrive = resolved[1] == L':';
    if (resolved.back() == L'\\' && resolved.size() > 3) resolved.pop_back();
    return isDrive ? L"\\\\?\\" + resolved : L"\\\\?\\UNC\\" + resolved.substr(2);
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && folder.back() == L'\\') return folder + name;
    return folder + L"\\" + name;
}

}  // namespace velmora
