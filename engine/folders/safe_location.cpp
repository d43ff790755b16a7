#include "folders/safe_location.h"

#include <shlobj.h>

#include <algorithm>
#include <cwctype>
#include <map>

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

namespace {

// A protected folder in the canonical form; one the system names oddly is still compared
// by its plain text.
std::wstring CanonicalProtected(const std::wstring& folder) {
    std::wstring canonical = CanonicalFolderPath(folder);
    if (canonical.empty()) canonical = Upper(folder);
    while (!canonical.empty() && canonical.back() == L'\\') canonical.pop_back();
    return canonical;
}

bool IsBelow(const std::wstring& candidate, const std::wstring& folder) {
    return candidate.size() > folder.size() && candidate.compare(0, folder.size(), folder) == 0 &&
           candidate[folder.size()] == L'\\';
}

const int kProtectedFolders[] = {
    CSIDL_WINDOWS,          CSIDL_SYSTEM,           CSIDL_SYSTEMX86,        CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_COMMON_APPDATA,
    CSIDL_PROFILE,          CSIDL_APPDATA,          CSIDL_LOCAL_APPDATA,    CSIDL_PERSONAL,
    CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DOCUMENTS, CSIDL_COMMON_DESKTOPDIRECTORY,
};

// Empty `folders` when the system does not say where Windows is.
SystemLayout AskLayout(WindowsApi& api) {
    SystemLayout layout;
    for (int csidl : kProtectedFolders) {
        wchar_t path[MAX_PATH] = {};
        if (api.SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK && path[0]) {
            layout.known[csidl] = path;
            layout.folders.push_back(path);
        } else if (csidl == CSIDL_WINDOWS) {
            return {};  // without the Windows folder nothing can be judged safe
        }
    }
    // A 32-bit program on 64-bit Windows is told the x86 Program Files; the native one is
    // named by the environment the system gives such a program.
    for (const wchar_t* name : {L"ProgramW6432", L"CommonProgramW6432"}) {
        wchar_t path[MAX_PATH] = {};
        const DWORD length = api.GetEnvironmentVariableW(name, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) layout.folders.push_back(path);
    }
    wchar_t profiles[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (api.GetProfilesDirectoryW(profiles, &size)) layout.profilesDirectory = profiles;
    return layout;
}

// Where the system keeps every account's profile: the folder it reports as the profiles
// folder, and the folder that holds the running account's profile. Canonical, without
// duplicates; empty when the system names neither.
std::vector<std::wstring> ProfilesRoots(const SystemLayout& layout) {
    std::vector<std::wstring> roots;
    if (!layout.profilesDirectory.empty()) roots.push_back(CanonicalProtected(layout.profilesDirectory));
    auto profile = layout.known.find(CSIDL_PROFILE);
    if (profile != layout.known.end()) {
        const std::wstring canonical = CanonicalProtected(profile->second);
        const size_t slash = canonical.find_last_of(L'\\');
        // A profile directly in a drive or share root has no folder of profiles around it.
        if (slash != std::wstring::npos && !CanonicalFolderPath(canonical.substr(0, slash)).empty() &&
            std::find(roots.begin(), roots.end(), canonical.substr(0, slash)) == roots.end())
            roots.push_back(canonical.substr(0, slash));
    }
    return roots;
}

// The rule of IsRemovableInstallLocation for a canonical candidate.
bool PassesRule(const std::wstring& candidate, const SystemLayout& layout) {
    if (candidate.empty() || layout.folders.empty()) return false;
    std::vector<std::wstring> folders;
    for (const std::wstring& folder : layout.folders) folders.push_back(CanonicalProtected(folder));
    for (const std::wstring& folder : folders)
        if (IsSameOrParent(candidate, folder)) return false;

    // Nothing in the system's own trees, nor in Windows' data in ProgramData, is an install.
    std::vector<std::wstring> trees;
    for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86}) {
        auto known = layout.known.find(csidl);
        if (known != layout.known.end()) trees.push_back(CanonicalProtected(known->second));
    }
    auto programData = layout.known.find(CSIDL_COMMON_APPDATA);
    if (programData != layout.known.end()) trees.push_back(CanonicalProtected(programData->second) + L"\\MICROSOFT");
    for (const std::wstring& tree : trees)
        if (IsSameOrParent(candidate, tree) || IsBelow(candidate, tree)) return false;

    // Every account's profile is protected as the running account's is: the profiles folder,
    // each profile in it (Default and Public among them), and in each profile the usual data
    // folders by their default names (AppData, as the parent of three, among them), whatever
    // the running account's own layout, and those the running account keeps in its own.
    const std::vector<std::wstring> roots = ProfilesRoots(layout);
    if (roots.empty()) return false;  // any folder could be someone's profile
    std::vector<std::wstring> dataInProfile{L"DESKTOP",       L"DOCUMENTS",        L"DOWNLOADS",
                                            L"PICTURES",      L"MUSIC",            L"VIDEOS",
                                            L"APPDATA\\LOCAL", L"APPDATA\\LOCALLOW", L"APPDATA\\ROAMING",
                                            L"ONEDRIVE"};
    auto profile = layout.known.find(CSIDL_PROFILE);
    if (profile != layout.known.end()) {
        const std::wstring running = CanonicalProtected(profile->second);
        for (const std::wstring& folder : folders)
            if (IsBelow(folder, running)) dataInProfile.push_back(folder.substr(running.size() + 1));
    }
    for (const std::wstring& root : roots) {
        if (IsSameOrParent(candidate, root)) return false;
        if (!IsBelow(candidate, root)) continue;
        const std::wstring inRoot = candidate.substr(root.size() + 1);
        const size_t slash = inRoot.find(L'\\');
        if (slash == std::wstring::npos) return false;  // a profile
        const std::wstring inProfile = inRoot.substr(slash + 1);
        for (const std::wstring& data : dataInProfile)
            if (IsSameOrParent(inProfile, data)) return false;
    }
    return true;
}

}  // namespace

std::vector<std::wstring> ProtectedFolders(WindowsApi& api) { return AskLayout(api).folders; }

bool IsRemovableInstallLocation(const std::wstring& location, WindowsApi& api) {
    return ProtectedPlaces(api).AllowsName(location);
}

ProtectedPlaces::ProtectedPlaces(WindowsApi& api) : m_api(api), m_named(AskLayout(api)) {}

bool ProtectedPlaces::AllowsName(const std::wstring& location) const {
    return PassesRule(CanonicalFolderPath(location), m_named);
}

bool ProtectedPlaces::AllowsHeld(const std::wstring& name, const HeldFolder& folder) {
    const std::wstring named = CanonicalFolderPath(name);
    const std::wstring real = CanonicalFolderPath(folder.realPlace);
    if (!folder.handle || named.empty() || real.empty()) return false;
    for (const std::wstring* candidate : {&named, &real})
        for (const SystemLayout* layout : {&std::as_const(m_named), &RealLayout()})
            if (!PassesRule(*candidate, *layout)) return false;
    return RealPlaceAllows(named, real, folder);
}

HeldFolder HoldJudgedFolder(WindowsApi& api, const std::wstring& location, ProtectedPlaces& places,
                            HoldFor purpose) {
    if (!places.AllowsName(location)) return HeldFolder{UniqueFile(api), {}};
    HeldFolder held = HoldFolder(api, location, purpose);
    if (!places.AllowsHeld(location, held)) held.handle.reset();
    return held;
}

}  // namespace velmora
