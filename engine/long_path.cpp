#include "long_path.h"

#include <vector>

namespace velmora {
namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Applies Windows' plain-path rules to the components after the root.
std::wstring ResolveComponents(const std::wstring& rest) {
    std::vector<std::wstring> kept;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = rest.size();
        std::wstring part = rest.substr(start, end - start);
        start = end + 1;
        if (part == L"..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        while (!part.empty() && (part.back() == L'.' || part.back() == L' ')) part.pop_back();
        if (!part.empty()) kept.push_back(part);
    }
    std::wstring out;
    for (const std::wstring& part : kept) out += L'\\' + part;
    return out;
}

}  // namespace

std::wstring ExtendedLengthPath(const std::wstring& path) {
    if (StartsWith(path, L"\\\\?\\")) return path;
    const bool isSeparator0 = !path.empty() && (path[0] == L'\\' || path[0] == L'/');
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) {
        const std::wstring resolved = ResolveComponents(path.substr(3));
        return L"\\\\?\\" + path.substr(0, 2) + (resolved.empty() ? L"\\" : resolved);
    }
    if (isSeparator0 && path.size() > 2 && (path[1] == L'\\' || path[1] == L'/') && path[2] != L'.' &&
        path[2] != L'?') {
        // "\\server\share\rest": server and share stay, the rest is resolved below the share.
        const size_t serverEnd = path.find_first_of(L"\\/", 2);
        if (serverEnd == std::wstring::npos) return path;
        const size_t shareEnd = path.find_first_of(L"\\/", serverEnd + 1);
        const std::wstring server = path.substr(2, serverEnd - 2);
        const std::wstring share = path.substr(serverEnd + 1, shareEnd == std::wstring::npos
                                                                  ? std::wstring::npos
                                                                  : shareEnd - serverEnd - 1);
        if (server.empty() || share.empty()) return path;
        const std::wstring rest = shareEnd == std::wstring::npos ? L"" : path.substr(shareEnd + 1);
        return L"\\\\?\\UNC\\" + server + L"\\" + share + ResolveComponents(rest);
    }
    return path;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && folder.back() == L'\\') return folder + name;
    return folder + L"\\" + name;
}

}  // namespace velmora
