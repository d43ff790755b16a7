#include "sim_windows.h"

#include "registry/registry_tree.h"

#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwctype>
#include <sstream>

namespace velmora::sim {
namespace {

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

std::wstring Hex(unsigned long value) {
    std::wostringstream out;
    out << L"0x" << std::hex << value;
    return out.str();
}

std::wstring Text(LPCWSTR text) { return text ? std::wstring(text) : std::wstring(L"(null)"); }

bool StartsWith(const std::wstring& text, const std::wstring& prefix) { return text.rfind(prefix, 0) == 0; }

std::vector<std::wstring> Split(const std::wstring& text) {
    std::vector<std::wstring> parts;
    std::wstring part;
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'/') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

// Windows' rules for a plain drive path ("X:\\..."), applied character by character as the
// system applies them: separators made "\\" and folded, ".\\" dropped, "..\\" taking the
// component before it, a component followed by a separator losing one trailing period,
// and the path's end losing its trailing periods and spaces.
std::wstring CollapsePlainPath(const std::wstring& path) {
    const size_t mark = 3;  // after "X:\\"
    std::wstring s = path.substr(0, 2) + L"\\";
    for (size_t i = mark; i < path.size(); ++i) {
        const wchar_t c = path[i] == L'/' ? L'\\' : path[i];
        if (c != L'\\' || s.back() != L'\\') s += c;
    }
    size_t p = mark;
    while (p < s.size()) {
        if (s[p] == L'.') {
            if (p + 1 < s.size() && s[p + 1] == L'\\') {
                s.erase(p, 2);
                continue;
            }
            if (p + 1 == s.size()) {
                s.erase(p > mark ? p - 1 : p);
                continue;
            }
            if (s[p + 1] == L'.' && (p + 2 == s.size() || s[p + 2] == L'\\')) {
                const size_t next = std::min(p + 3, s.size());
                size_t start = p;
                if (start > mark) {
                    --start;
                    while (start > mark && s[start - 1] != L'\\') --start;
                    if (next == s.size() && start > mark) --start;  // a final ".." takes the separator too
                }
                s.erase(start, next - start);
                p = start;
                continue;
            }
        }
        while (p < s.size() && s[p] != L'\\') ++p;
        if (p < s.size()) {
            if (p > mark && s[p - 1] == L'.')
                s.erase(p - 1, 1);
            else
                ++p;
        }
    }
    while (s.size() > mark && (s.back() == L'.' || s.back() == L' ')) s.pop_back();
    return s;
}

// Whether a handle opened with `granted` holds every right of `needed`.
bool Holds(DWORD granted, DWORD needed) { return (granted & needed) == needed; }

HANDLE FakeHandle(std::uintptr_t base, int ordinal) { return reinterpret_cast<HANDLE>(base + ordinal * 4); }

// What NtCreateFile and NtQueryInformationFile return.
const NTSTATUS kSuccess = 0;
const NTSTATUS kAccessDenied = static_cast<NTSTATUS>(0xC0000022);
const NTSTATUS kNameNotFound = static_cast<NTSTATUS>(0xC0000034);
const NTSTATUS kSharingViolation = static_cast<NTSTATUS>(0xC0000043);

const HANDLE kInstallerMutex = FakeHandle(0x50000, 1);

const HMODULE kKernel32 = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x7C800000));

void WINAPI NeverCalled(LPSYSTEM_INFO) {}

DWORD VolumeSerial(wchar_t drive) { return 0xC0DE0000 + drive; }
const HANDLE kVolumeFind = FakeHandle(0x70000, 1);
// A volume is named "\\?\Volume{C}\" after its drive letter C; a listing hands out the next.
wchar_t DriveOf(LPCWSTR volume) { return Text(volume).size() > 11 ? volume[11] : 0; }
bool NextVolume(const std::map<wchar_t, UINT>& drives, int& listed, LPWSTR name, DWORD size) {
    if (listed < 0 || static_cast<size_t>(listed) >= drives.size()) return false;
    const std::wstring volume = L"\\\\?\\Volume{" + std::wstring(1, std::next(drives.begin(), listed++)->first) + L"}\\";
    return volume.size() < size && (volume.copy(name, size), name[volume.size()] = L'\0', true);
}

}  // namespace

std::wstring Joined(const std::vector<std::wstring>& lines) {
    std::wstring out;
    for (const std::wstring& line : lines) out += line + L"\n";
    return out;
}

SimWindows::SimWindows(HandleChildren children) : m_children(children) {
    m_knownFolders = {
        {CSIDL_WINDOWS, L"C:\\Windows"},
        {CSIDL_SYSTEM, L"C:\\Windows\\system32"},
        {CSIDL_SYSTEMX86, L"C:\\Windows\\SysWOW64"},
        {CSIDL_PROGRAM_FILES, L"C:\\Program Files (x86)"},
        {CSIDL_PROGRAM_FILESX86, L"C:\\Program Files (x86)"},
        {CSIDL_PROGRAM_FILES_COMMON, L"C:\\Program Files (x86)\\Common Files"},
        {CSIDL_PROGRAM_FILES_COMMONX86, L"C:\\Program Files (x86)\\Common Files"},
        {CSIDL_COMMON_APPDATA, L"C:\\ProgramData"},
        {CSIDL_PROFILE, L"C:\\Users\\tech"},
        {CSIDL_APPDATA, L"C:\\Users\\tech\\AppData\\Roaming"},
        {CSIDL_LOCAL_APPDATA, L"C:\\Users\\tech\\AppData\\Local"},
        {CSIDL_PERSONAL, L"C:\\Users\\tech\\Documents"},
        {CSIDL_DESKTOPDIRECTORY, L"C:\\Users\\tech\\Desktop"},
        {CSIDL_COMMON_DOCUMENTS, L"C:\\Users\\Public\\Documents"},
        {CSIDL_COMMON_DESKTOPDIRECTORY, L"C:\\Users\\Public\\Desktop"},
    };
    m_environment = {{L"ProgramW6432", L"C:\\Program Files"},
                     {L"CommonProgramW6432", L"C:\\Program Files\\Common Files"}};
    AddFolder(L"C:\\");
}

void SimWindows::SetKnownFolder(int csidl, const std::wstring& folder) { m_knownFolders[csidl] = folder; }

bool SimWindows::Is64Bit() const {
    return m_nativeArchitecture == PROCESSOR_ARCHITECTURE_AMD64 || m_nativeArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

bool SimWindows::Begin(const std::wstring& call) {
    if (beforeCall) beforeCall(call);
    const size_t ordinal = log.size();
    log.push_back(std::wstring(2 * m_depth, L' ') + call);
    const std::wstring name = call.substr(0, call.find(L'('));
    return m_failOrdinals.count(ordinal) > 0 || m_failNames.count(name) > 0;
}

std::vector<std::wstring> SimWindows::Calls(std::initializer_list<const wchar_t*> names) const {
    std::vector<std::wstring> out;
    for (const std::wstring& entry : log) {
        const std::wstring name = entry.substr(0, entry.find(L'('));
        for (const wchar_t* wanted : names)
            if (name == wanted) out.push_back(entry);
    }
    return out;
}

// ---------------------------------------------------------------------------- registry

std::wstring SimWindows::RootName(HKEY root) const {
    if (root == HKEY_LOCAL_MACHINE) return L"HKLM";
    if (root == HKEY_CLASSES_ROOT) return L"HKCR";
    if (root == HKEY_CURRENT_USER) return L"HKCU";
    if (root == HKEY_USERS) return L"HKU";
    return L"";
}

std::wstring SimWindows::HandleName(HKEY key) const {
    const std::wstring root = RootName(key);
    if (!root.empty()) return root;
    auto it = m_keyOrdinals.find(key);
    return it == m_keyOrdinals.end() ? Hex(reinterpret_cast<std::uintptr_t>(key)) : L"#k" + std::to_wstring(it->second);
}

namespace {

// Since Windows 7 HKLM\SOFTWARE\Classes is shared by both views except for a few subkeys
// that stay redirected ("Registry Keys Affected by WOW64"). Windows Installer keeps its
// per-machine registrations in the shared Classes\Installer for 32-bit and 64-bit packages.
bool IsSharedClassesPath(const std::wstring& path) {
    if (path != L"SOFTWARE\\CLASSES" && !StartsWith(path, L"SOFTWARE\\CLASSES\\")) return false;
    const std::wstring rest = path.size() > 17 ? path.substr(17) : L"";
    const std::wstring first = rest.substr(0, rest.find(L'\\'));
    for (const wchar_t* redirected : {L"CLSID", L"DIRECTSHOW", L"INTERFACE", L"MEDIA TYPE", L"MEDIAFOUNDATION"})
        if (first == redirected) return false;
    return true;
}

}  // namespace

std::wstring SimWindows::KeyFor(HKEY root, const std::wstring& subKey, bool view32) const {
    std::wstring path = Upper(subKey);
    if (root == HKEY_CLASSES_ROOT) {
        // HKCR merges HKCU\Software\Classes over HKLM\SOFTWARE\Classes: a key present under
        // the user is the one reached (opened, deleted), else the machine's.
        const std::wstring tail = path.empty() ? L"" : L"\\" + path;
        if (m_keys.count(L"HKCU\\SOFTWARE\\CLASSES" + tail)) return L"HKCU\\SOFTWARE\\CLASSES" + tail;
        return KeyFor(HKEY_LOCAL_MACHINE, L"SOFTWARE\\CLASSES" + tail, view32);
    }
    // A 32-bit view on a 64-bit system sees HKLM\SOFTWARE below Wow6432Node, except the
    // shared Classes keys; a path that already names Wow6432Node is taken as it stands.
    // (On Windows SOFTWARE\Wow6432Node\Classes is a link to SOFTWARE\Classes\Wow6432Node,
    // which holds only the redirected Classes subkeys; here it is one key of its own.)
    if (root == HKEY_LOCAL_MACHINE && Is64Bit() && view32 && StartsWith(path, L"SOFTWARE\\") &&
        !StartsWith(path, L"SOFTWARE\\WOW6432NODE") && !IsSharedClassesPath(path))
        path = L"SOFTWARE\\WOW6432NODE\\" + path.substr(9);
    return RootName(root) + L"\\" + path;
}

std::wstring SimWindows::StorePath(HKEY root, const std::wstring& path) const {
    // What a write through HKCR reaches: the user's copy if there is one, else the machine's.
    return root == HKEY_CLASSES_ROOT ? KeyFor(root, path, false) : RootName(root) + L"\\" + Upper(path);
}

bool SimWindows::Locate(HKEY where, LPCWSTR subKey, REGSAM access, OpenKey& key) const {
    const REGSAM flag = access & (KEY_WOW64_64KEY | KEY_WOW64_32KEY);
    const std::wstring sub = Upper(subKey ? subKey : L"");
    if (!RootName(where).empty()) {
        key.root = where;
        key.logical = sub;
        key.view32 = (flag & KEY_WOW64_64KEY) == 0;  // a 32-bit program's own view by default
    } else {
        auto open = m_keyHandles.find(where);
        if (open == m_keyHandles.end()) return false;
        key.root = open->second.root;
        key.logical = open->second.logical + (open->second.logical.empty() || sub.empty() ? L"" : L"\\") + sub;
        if (flag)
            key.view32 = (flag & KEY_WOW64_64KEY) == 0;
        else
            key.view32 = m_children == HandleChildren::InProcessView || open->second.view32;
    }
    key.viewFlag = flag;
    key.physical = KeyFor(key.root, key.logical, key.view32);
    return true;
}

std::vector<std::wstring> SimWindows::SubkeysOf(const std::wstring& fullPath) const {
    std::vector<std::wstring> names;
    const std::wstring prefix = fullPath + L"\\";
    for (auto it = m_keys.lower_bound(prefix); it != m_keys.end() && StartsWith(it->first, prefix); ++it)
        if (it->first.find(L'\\', prefix.size()) == std::wstring::npos) names.push_back(it->first.substr(prefix.size()));
    return names;
}

LONG SimWindows::Record(size_t at, LONG result) {
    m_results[at] = result;
    return result;
}

LONG SimWindows::ResultOf(const std::wstring& call) const {
    auto entry = std::find(log.begin(), log.end(), call);
    if (entry == log.end()) return -1;
    auto result = m_results.find(static_cast<size_t>(entry - log.begin()));
    return result == m_results.end() ? -1 : result->second;
}

void SimWindows::CreateKey(const std::wstring& fullPath) {
    std::wstring path;
    for (const std::wstring& part : Split(fullPath)) {
        path += (path.empty() ? L"" : L"\\") + part;
        m_keys[path];
    }
}

bool SimWindows::HasSubkeys(const std::wstring& fullPath) const {
    // The first key at or after "PATH\" in sort order: a sibling such as "PATH-X" or
    // "PATH2" sorts between "PATH" and "PATH\...", so the search starts past it.
    auto it = m_keys.lower_bound(fullPath + L"\\");
    return it != m_keys.end() && StartsWith(it->first, fullPath + L"\\");
}

void SimWindows::EraseTree(const std::wstring& fullPath, bool keepKey) {
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        if (StartsWith(it->first, fullPath + L"\\"))
            it = m_keys.erase(it);
        else
            ++it;
    }
    if (keepKey)
        m_keys[fullPath].values.clear();
    else
        m_keys.erase(fullPath);
}

void SimWindows::AddKey(HKEY root, const std::wstring& path) { CreateKey(StorePath(root, path)); }

void SimWindows::SetString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text,
                           bool withTerminator) {
    std::vector<std::uint8_t> data((text.size() + (withTerminator ? 1 : 0)) * sizeof(wchar_t), 0);
    std::memcpy(data.data(), text.data(), text.size() * sizeof(wchar_t));
    SetValue(root, path, name, REG_SZ, data);
}

void SimWindows::SetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                          const std::vector<std::uint8_t>& data) {
    const std::wstring full = StorePath(root, path);
    CreateKey(full);
    m_keys[full].values[Upper(name)] = Value{type, data};
}

bool SimWindows::KeyExists(HKEY root, const std::wstring& path) const {
    return m_keys.count(StorePath(root, path)) > 0;
}

bool SimWindows::HasValue(HKEY root, const std::wstring& path, const std::wstring& name) const {
    const auto key = m_keys.find(StorePath(root, path));
    return key != m_keys.end() && key->second.values.count(Upper(name)) > 0;
}

std::vector<std::wstring> SimWindows::AllKeys() const {
    std::vector<std::wstring> keys;
    for (const auto& entry : m_keys) keys.push_back(entry.first);
    return keys;
}

LONG SimWindows::RegOpenKeyExW(HKEY root, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result) {
    const int ordinal = m_nextKeyOrdinal;
    if (Begin(L"RegOpenKeyExW(" + HandleName(root) + L", " + Text(subKey) + L", " + std::to_wstring(options) + L", " +
              Hex(access) + L")"))
        return ERROR_ACCESS_DENIED;
    OpenKey key;
    if (!Locate(root, subKey, access, key)) return ERROR_INVALID_HANDLE;
    if (!m_keys.count(key.physical)) return ERROR_FILE_NOT_FOUND;
    if (m_denied.count(key.physical)) return ERROR_ACCESS_DENIED;
    key.access = access;
    HKEY handle = reinterpret_cast<HKEY>(FakeHandle(0x10000, ordinal));
    ++m_nextKeyOrdinal;
    m_keyHandles[handle] = key;
    m_keyOrdinals[handle] = ordinal;
    log.back() += L" -> #k" + std::to_wstring(ordinal);
    *result = handle;
    return ERROR_SUCCESS;
}

LONG SimWindows::RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                                  LPDWORD dataSize) {
    if (Begin(L"RegQueryValueExW(" + HandleName(key) + L", " + Text(valueName) + L", " +
              std::to_wstring(dataSize ? *dataSize : 0) + L")"))
        return ERROR_ACCESS_DENIED;
    auto handle = m_keyHandles.find(key);
    if (handle == m_keyHandles.end()) return ERROR_INVALID_HANDLE;
    if (!Holds(handle->second.access, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    auto storedKey = m_keys.find(handle->second.physical);
    if (storedKey == m_keys.end()) return ERROR_KEY_DELETED;
    const Key& stored = storedKey->second;
    auto value = stored.values.find(Upper(valueName ? valueName : L""));
    if (value == stored.values.end()) return ERROR_FILE_NOT_FOUND;
    const DWORD size = static_cast<DWORD>(value->second.data.size());
    if (type) *type = value->second.type;
    if (data && dataSize && size > *dataSize) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (data && size) std::memcpy(data, value->second.data.data(), size);
    if (dataSize) *dataSize = size;
    return ERROR_SUCCESS;
}

LONG SimWindows::RegCloseKey(HKEY key) {
    const bool fail = Begin(L"RegCloseKey(" + HandleName(key) + L")");
    // A close that reports failure still ends the handle, as a closed handle cannot be reused.
    const bool known = m_keyHandles.erase(key) > 0;
    m_keyOrdinals.erase(key);
    if (fail) return ERROR_ACCESS_DENIED;
    return known ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG SimWindows::RegDeleteTreeW(HKEY key, LPCWSTR subKey) {
    const size_t at = log.size();
    if (Begin(L"RegDeleteTreeW(" + HandleName(key) + L", " + Text(subKey) + L")"))
        return Record(at, ERROR_ACCESS_DENIED);
    const bool named = subKey && *subKey;
    // The rights RegDeleteTreeW needs on the key it starts from.
    if (m_keyHandles.count(key) && !Holds(m_keyHandles[key].access, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE))
        return Record(at, ERROR_ACCESS_DENIED);
    if (!RootName(key).empty() && !named)
        return Record(at, ERROR_INVALID_PARAMETER);  // the roots themselves are never emptied here
    if (!named) {
        // An open key emptied as the real seam does it: children opened and deleted in the
        // key's own view, depth first, then its values.
        auto open = m_keyHandles.find(key);
        if (open == m_keyHandles.end()) return Record(at, ERROR_INVALID_HANDLE);
        ++m_depth;
        const LONG result = EmptyKeyInView(*this, key, open->second.viewFlag);
        --m_depth;
        return Record(at, result);
    }
    // No view flag: from a root the path resolves in the program's own 32-bit view, from an
    // open key as a child of that key would.
    OpenKey target;
    if (!Locate(key, subKey, 0, target)) return Record(at, ERROR_INVALID_HANDLE);
    if (!m_keys.count(target.physical)) return Record(at, ERROR_FILE_NOT_FOUND);
    EraseTree(target.physical, false);
    return Record(at, ERROR_SUCCESS);
}

LONG SimWindows::RegDeleteKeyExW(HKEY root, LPCWSTR subKey, REGSAM view, DWORD reserved) {
    const size_t at = log.size();
    if (Begin(L"RegDeleteKeyExW(" + HandleName(root) + L", " + Text(subKey) + L", " + Hex(view) + L", " +
              std::to_wstring(reserved) + L")"))
        return Record(at, ERROR_ACCESS_DENIED);
    OpenKey target;
    if (!Locate(root, subKey, view, target)) return Record(at, ERROR_INVALID_HANDLE);
    if (!m_keys.count(target.physical)) return Record(at, ERROR_FILE_NOT_FOUND);
    if (HasSubkeys(target.physical)) return Record(at, ERROR_ACCESS_DENIED);
    m_keys.erase(target.physical);
    return Record(at, ERROR_SUCCESS);
}

LONG SimWindows::RegDisableReflectionKey(HKEY root) {
    if (Begin(L"RegDisableReflectionKey(" + HandleName(root) + L")")) return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

LONG SimWindows::RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD, LPWSTR, LPDWORD,
                               PFILETIME) {
    if (Begin(L"RegEnumKeyExW(" + HandleName(key) + L", " + std::to_wstring(index) + L")")) return ERROR_ACCESS_DENIED;
    auto open = m_keyHandles.find(key);
    if (open == m_keyHandles.end()) return ERROR_INVALID_HANDLE;
    if (!Holds(open->second.access, KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    if (!m_keys.count(open->second.physical)) return ERROR_KEY_DELETED;
    // Listing is not redirected: it shows the children of the key the handle stands for.
    const std::vector<std::wstring> names = SubkeysOf(open->second.physical);
    if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
    if (names[index].size() >= *nameLength) return ERROR_MORE_DATA;
    names[index].copy(name, names[index].size());
    name[names[index].size()] = L'\0';
    *nameLength = static_cast<DWORD>(names[index].size());
    return ERROR_SUCCESS;
}

LONG SimWindows::RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD, LPDWORD type,
                               LPBYTE, LPDWORD) {
    if (Begin(L"RegEnumValueW(" + HandleName(key) + L", " + std::to_wstring(index) + L")")) return ERROR_ACCESS_DENIED;
    auto open = m_keyHandles.find(key);
    if (open == m_keyHandles.end()) return ERROR_INVALID_HANDLE;
    if (!Holds(open->second.access, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    auto stored = m_keys.find(open->second.physical);
    if (stored == m_keys.end()) return ERROR_KEY_DELETED;
    if (index >= stored->second.values.size()) return ERROR_NO_MORE_ITEMS;
    auto value = std::next(stored->second.values.begin(), index);
    if (value->first.size() >= *nameLength) return ERROR_MORE_DATA;
    value->first.copy(name, value->first.size());
    name[value->first.size()] = L'\0';
    *nameLength = static_cast<DWORD>(value->first.size());
    if (type) *type = value->second.type;
    return ERROR_SUCCESS;
}

LONG SimWindows::RegDeleteValueW(HKEY key, LPCWSTR valueName) {
    if (Begin(L"RegDeleteValueW(" + HandleName(key) + L", " + Text(valueName) + L")")) return ERROR_ACCESS_DENIED;
    auto open = m_keyHandles.find(key);
    if (open == m_keyHandles.end()) return ERROR_INVALID_HANDLE;
    if (!Holds(open->second.access, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    auto stored = m_keys.find(open->second.physical);
    if (stored == m_keys.end()) return ERROR_KEY_DELETED;
    return stored->second.values.erase(Upper(valueName ? valueName : L"")) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

// ---------------------------------------------------------------------------- files

std::wstring SimWindows::Resolve(const std::wstring& path, bool followLast) const {
    std::vector<std::wstring> parts;
    if (StartsWith(path, L"\\\\?\\")) {
        // The extended form is taken literally: no shortening, no length limit.
        parts = Split(path.substr(4));
        if (!parts.empty() && parts.back().empty()) parts.pop_back();
        for (const std::wstring& part : parts)
            if (part.empty()) return {};
    } else {
        if (path.size() >= MAX_PATH) return {};
        if (path.size() < 3 || path[1] != L':' || (path[2] != L'\\' && path[2] != L'/')) return {};
        for (const std::wstring& part : Split(CollapsePlainPath(path))) {
            if (part == L"..") return {};  // left as a name, which no entry can have
            if (!part.empty()) parts.push_back(part);
        }
    }
    // A share ("UNC\server\share\...") or a mapped drive leads on from the folder it stands for.
    const size_t alias = !parts.empty() && Upper(parts[0]) == L"UNC" ? 3 : 1;
    auto target = alias == 3 ? m_aliases.find(parts.size() < 3 ? L"" : Upper(L"\\\\" + parts[1] + L"\\" + parts[2]))
                             : m_aliases.find(parts.empty() ? L"" : Upper(parts[0]));
    if (alias == 3 && target == m_aliases.end()) return {};
    if (target != m_aliases.end()) {
        std::vector<std::wstring> rest = Split(target->second);
        rest.insert(rest.end(), parts.begin() + alias, parts.end());
        parts = rest;
    }
    if (parts.empty()) return {};
    // Walk down from the drive root; a link met on the way leads on from its target.
    std::wstring key = Upper(parts[0]) + L"\\";
    for (size_t i = 1; i < parts.size(); ++i) {
        std::wstring child = (key.back() == L'\\' ? key : key + L"\\") + Upper(parts[i]);
        if (i + 1 < parts.size() || followLast) {
            auto node = m_nodes.find(child);
            if (node != m_nodes.end() && !node->second.linkTarget.empty()) child = node->second.linkTarget;
        }
        key = child;
    }
    return key;
}

std::wstring SimWindows::ParentOf(const std::wstring& key) const {
    const size_t slash = key.find_last_of(L'\\');
    if (slash == std::wstring::npos) return {};
    if (slash == 2 && key.size() == 3) return {};  // "C:\" has no parent
    const std::wstring parent = key.substr(0, slash);
    return parent.size() == 2 ? parent + L"\\" : parent;
}

void SimWindows::Insert(const std::wstring& path, Node node) {
    const std::wstring key = Resolve(L"\\\\?\\" + path, false);
    std::wstring trimmed = path;
    while (trimmed.size() > 3 && trimmed.back() == L'\\') trimmed.pop_back();
    // Missing parents are made first, under the names the caller spelled.
    const size_t slash = trimmed.find_last_of(L'\\');
    if (!ParentOf(key).empty() && !m_nodes.count(ParentOf(key)) && slash != std::wstring::npos)
        AddFolder(slash == 2 ? trimmed.substr(0, 3) : trimmed.substr(0, slash));
    node.name = Split(trimmed).back();
    node.order = m_nextOrder++;
    m_nodes[key] = node;
}

void SimWindows::AddFolder(const std::wstring& path, DWORD attributes) {
    if (m_nodes.count(Resolve(L"\\\\?\\" + path, false))) return;
    Node node;
    node.attributes = attributes | FILE_ATTRIBUTE_DIRECTORY;
    Insert(path, node);
}

void SimWindows::AddFile(const std::wstring& path, DWORD attributes) {
    Node node;
    node.attributes = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
    Insert(path, node);
}

void SimWindows::AddLink(const std::wstring& path, const std::wstring& target) {
    Node node;
    node.attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    node.linkTarget = Resolve(L"\\\\?\\" + target, false);
    Insert(path, node);
}

void SimWindows::AddAlias(const std::wstring& name, const std::wstring& folder) {
    m_aliases[Upper(name)] = Resolve(L"\\\\?\\" + folder, true);
}

void SimWindows::MakeLinkInPlace(const std::wstring& folder, const std::wstring& target) {
    const std::wstring key = Resolve(L"\\\\?\\" + folder, false);
    for (auto it = m_nodes.lower_bound(key + L"\\"); it != m_nodes.end() && StartsWith(it->first, key + L"\\");)
        it = m_nodes.erase(it);
    m_nodes[key].attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    m_nodes[key].linkTarget = Resolve(L"\\\\?\\" + target, false);
}

void SimWindows::SetListsDotEntries(const std::wstring& folder, bool lists) {
    m_nodes[Resolve(L"\\\\?\\" + folder, false)].listsDots = lists;
}

void SimWindows::SetInUse(const std::wstring& path) { m_nodes[Resolve(L"\\\\?\\" + path, false)].inUse = true; }

void SimWindows::SetHeldWithDeleteSharing(const std::wstring& path) {
    m_nodes[Resolve(L"\\\\?\\" + path, false)].heldWithDeleteSharing = true;
}

void SimWindows::ReleaseHolder(const std::wstring& path) {
    auto node = m_nodes.find(Resolve(L"\\\\?\\" + path, false));
    if (node == m_nodes.end()) return;
    if (node->second.deletePending)
        m_nodes.erase(node);  // the last handle closes: the pending delete happens now
    else
        node->second.heldWithDeleteSharing = false;
}

bool SimWindows::IsDeletePending(const std::wstring& path) const {
    auto node = m_nodes.find(Resolve(L"\\\\?\\" + path, false));
    return node != m_nodes.end() && node->second.deletePending;
}

void SimWindows::SetUnlistable(const std::wstring& folder) {
    m_nodes[Resolve(L"\\\\?\\" + folder, false)].unlistable = true;
}

bool SimWindows::Exists(const std::wstring& path) const { return m_nodes.count(Resolve(L"\\\\?\\" + path, false)) > 0; }

DWORD SimWindows::Attributes(const std::wstring& path) const {
    auto node = m_nodes.find(Resolve(L"\\\\?\\" + path, false));
    return node == m_nodes.end() ? INVALID_FILE_ATTRIBUTES : node->second.attributes;
}

std::vector<std::wstring> SimWindows::AllPaths() const {
    std::vector<std::wstring> paths;
    for (const auto& entry : m_nodes) paths.push_back(entry.first);
    return paths;
}

std::vector<const SimWindows::Node*> SimWindows::ChildrenOf(const std::wstring& folder) const {
    std::vector<const Node*> children;
    const std::wstring prefix = folder.back() == L'\\' ? folder : folder + L"\\";
    for (const auto& entry : m_nodes)
        if (StartsWith(entry.first, prefix) && entry.first.size() > prefix.size() &&
            entry.first.find(L'\\', prefix.size()) == std::wstring::npos)
            children.push_back(&entry.second);
    std::sort(children.begin(), children.end(), [](const Node* a, const Node* b) { return a->order < b->order; });
    return children;
}

WIN32_FIND_DATAW SimWindows::Entry(const std::wstring& name, DWORD attributes) {
    WIN32_FIND_DATAW data{};
    data.dwFileAttributes = attributes;
    name.copy(data.cFileName, MAX_PATH - 1);
    return data;
}

HANDLE SimWindows::FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW findData) {
    const int ordinal = m_nextFindOrdinal;
    if (Begin(L"FindFirstFileW(" + Text(pattern) + L")")) return INVALID_HANDLE_VALUE;
    const std::wstring text = pattern ? pattern : L"";
    const size_t slash = text.find_last_of(L'\\');
    const std::wstring last = slash == std::wstring::npos ? text : text.substr(slash + 1);
    Listing listing;
    if (last.find_first_of(L"*?") != std::wstring::npos) {
        if (last != L"*" && last != L"*.*") return INVALID_HANDLE_VALUE;  // only whole listings are modelled
        const std::wstring folder = Resolve(text.substr(0, slash + 1), true);
        auto node = m_nodes.find(folder);
        if (folder.empty() || node == m_nodes.end() || !(node->second.attributes & FILE_ATTRIBUTE_DIRECTORY) ||
            node->second.unlistable)
            return INVALID_HANDLE_VALUE;
        if (node->second.listsDots) {
            listing.entries.push_back(Entry(L".", FILE_ATTRIBUTE_DIRECTORY));
            listing.entries.push_back(Entry(L"..", FILE_ATTRIBUTE_DIRECTORY));
        }
        for (const Node* child : ChildrenOf(folder)) listing.entries.push_back(Entry(child->name, child->attributes));
    } else {
        auto node = m_nodes.find(Resolve(text, false));
        if (node == m_nodes.end() || node->first.back() == L'\\') return INVALID_HANDLE_VALUE;
        // Wine opens the folder to list without delete sharing: refused while it is open with
        // delete access.
        for (const auto& open : m_fileHandles)
            if (open.second.key == ParentOf(node->first) && (open.second.access & DELETE)) return INVALID_HANDLE_VALUE;
        listing.entries.push_back(Entry(node->second.name, node->second.attributes));
    }
    if (listing.entries.empty()) return INVALID_HANDLE_VALUE;
    HANDLE handle = FakeHandle(0x20000, ordinal);
    ++m_nextFindOrdinal;
    listing.ordinal = ordinal;
    *findData = listing.entries[0];
    m_findHandles[handle] = listing;
    log.back() += L" -> #f" + std::to_wstring(ordinal);
    return handle;
}

BOOL SimWindows::FindClose(HANDLE find) {
    auto listing = m_findHandles.find(find);
    const std::wstring name = listing == m_findHandles.end() ? L"?" : std::to_wstring(listing->second.ordinal);
    const bool fail = Begin(L"FindClose(#f" + name + L")");
    const bool known = m_findHandles.erase(find) > 0;
    return !fail && known;
}

void SimWindows::EraseOnClose(const std::wstring& key) {
    auto node = m_nodes.find(key);
    if (node == m_nodes.end()) return;
    // Another handle with delete sharing is open: the delete is only marked and the entry
    // stays listed until that handle closes. DeleteFileW's documentation: "marks a file for
    // deletion on close ... the file deletion does not occur until the last handle to the
    // file is closed"; later opens fail with access denied. Windows 10 1903 and later
    // unlink such a file at once; earlier versions, modelled here, do not.
    if (node->second.heldWithDeleteSharing) {
        node->second.deletePending = true;
        return;
    }
    m_nodes.erase(node);
}

BOOL SimWindows::RemoveDirectoryW(LPCWSTR path) {
    if (Begin(L"RemoveDirectoryW(" + Text(path) + L")")) return FALSE;
    const std::wstring key = Resolve(path ? path : L"", false);
    auto node = m_nodes.find(key);
    if (node == m_nodes.end() || key.back() == L'\\') return FALSE;
    if (!(node->second.attributes & FILE_ATTRIBUTE_DIRECTORY) || IsHeld(key)) return FALSE;
    if (node->second.linkTarget.empty()) {
        // A sibling such as "T2" sorts between "T" and "T\...": look from "T\" on.
        auto next = m_nodes.lower_bound(key + L"\\");
        if (next != m_nodes.end() && StartsWith(next->first, key + L"\\")) return FALSE;  // not empty
    }
    m_nodes.erase(node);  // a link goes by itself; its target stays
    return TRUE;
}

bool SimWindows::IsHeld(const std::wstring& key) const {
    for (const auto& open : m_fileHandles)
        if (open.second.key == key && open.second.holdsAgainstDelete) return true;
    return false;
}

std::wstring SimWindows::FinalPathOf(const std::wstring& key) const {
    const std::vector<std::wstring> parts = Split(key);
    std::wstring path = L"\\\\?\\" + parts[0];
    std::wstring prefix = parts[0] + L"\\";
    for (size_t i = 1; i < parts.size() && !parts[i].empty(); ++i) {
        prefix += (i > 1 ? L"\\" : L"") + parts[i];
        auto node = m_nodes.find(prefix);
        path += L"\\" + (node == m_nodes.end() ? parts[i] : node->second.name);
    }
    return parts.size() == 2 && parts[1].empty() ? path + L"\\" : path;
}

std::wstring SimWindows::FileHandleName(HANDLE file) const {
    auto open = m_fileHandles.find(file);
    return open == m_fileHandles.end() ? L"?" : L"#h" + std::to_wstring(open->second.ordinal);
}

HANDLE SimWindows::CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition,
                               DWORD flags, HANDLE) {
    if (Begin(L"CreateFileW(" + Text(path) + L", " + Hex(access) + L", " + Hex(share) + L", " + Hex(disposition) +
              L", " + Hex(flags) + L")"))
        return INVALID_HANDLE_VALUE;
    // Only opening what exists is modelled; a link is opened itself only when asked to be.
    const std::wstring key = Resolve(path ? path : L"", !(flags & FILE_FLAG_OPEN_REPARSE_POINT));
    auto node = m_nodes.find(key);
    if (disposition != OPEN_EXISTING || key.empty() || node == m_nodes.end()) return INVALID_HANDLE_VALUE;
    if ((node->second.attributes & FILE_ATTRIBUTE_DIRECTORY) && !(flags & FILE_FLAG_BACKUP_SEMANTICS))
        return INVALID_HANDLE_VALUE;
    const std::vector<std::wstring> parts = Split(Text(path));  // "", "", "?", "UNC", server, share, ...
    return OpenNode(key, access, share, parts.size() > 5 && Upper(parts[3]) == L"UNC" ? L"\\\\" + parts[4] + L"\\" + parts[5] : L"");
}

HANDLE SimWindows::OpenNode(const std::wstring& key, DWORD access, DWORD share, const std::wstring& viaShare) {
    // An open for deletion fails while another handle keeps the entry from being deleted.
    const Node& node = m_nodes.at(key);
    if ((access & DELETE) && (node.inUse || node.deletePending || IsHeld(key))) return INVALID_HANDLE_VALUE;
    OpenFile open;
    open.key = key;
    open.access = access;
    open.viaShare = viaShare;
    open.ordinal = m_nextFileOrdinal;
    // An open takes part in sharing only when it asks for data or delete access; then,
    // without delete sharing, it keeps the entry from being removed or renamed.
    const DWORD dataAccess = FILE_READ_DATA | FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_EXECUTE | DELETE |
                             GENERIC_READ | GENERIC_WRITE | GENERIC_ALL;
    open.holdsAgainstDelete = (access & dataAccess) != 0 && !(share & FILE_SHARE_DELETE);
    HANDLE handle = FakeHandle(0x40000, m_nextFileOrdinal++);
    m_fileHandles[handle] = open;
    log.back() += L" -> #h" + std::to_wstring(open.ordinal);
    return handle;
}

NTSTATUS SimWindows::NtCreateFile(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, PIO_STATUS_BLOCK,
                                  PLARGE_INTEGER, ULONG, ULONG share, ULONG disposition, ULONG options, PVOID, ULONG) {
    const std::wstring name(attributes->ObjectName->Buffer, attributes->ObjectName->Length / sizeof(wchar_t));
    auto parent = m_fileHandles.find(attributes->RootDirectory);
    if (Begin(L"NtCreateFile(" + FileHandleName(attributes->RootDirectory) + L", " + name + L", " + Hex(access) + L", " +
              Hex(share) + L", " + Hex(options) + L")") ||
        parent == m_fileHandles.end() || disposition != FILE_OPEN || !(options & FILE_OPEN_REPARSE_POINT))
        return kAccessDenied;
    // The name is looked up in the folder the handle holds, whatever now stands at its path.
    const std::wstring key = parent->second.key + L"\\" + Upper(name);
    if (!m_nodes.count(key)) return kNameNotFound;
    const DWORD kind = m_nodes[key].attributes;
    if (options & FILE_DELETE_ON_CLOSE) deletions.push_back(FinalPathOf(key));
    if ((options & FILE_NON_DIRECTORY_FILE) && (kind & FILE_ATTRIBUTE_DIRECTORY)) return kAccessDenied;
    if ((options & FILE_DELETE_ON_CLOSE) && ((kind & FILE_ATTRIBUTE_READONLY) || !(access & DELETE))) return kAccessDenied;
    *file = OpenNode(key, access, share, parent->second.viaShare);
    if (*file == INVALID_HANDLE_VALUE) return kSharingViolation;
    m_fileHandles[*file].deleteOnClose = (options & FILE_DELETE_ON_CLOSE) != 0;
    return kSuccess;
}

NTSTATUS SimWindows::NtQueryInformationFile(HANDLE file, PIO_STATUS_BLOCK, PVOID info, ULONG,
                                            FILE_INFORMATION_CLASS infoClass) {
    auto open = m_fileHandles.find(file);
    if (Begin(L"NtQueryInformationFile(" + FileHandleName(file) + L", " + std::to_wstring(infoClass) + L")") ||
        open == m_fileHandles.end() || infoClass != FileInternalInformation || !m_nodes.count(open->second.key))
        return kAccessDenied;
    static_cast<FILE_INTERNAL_INFORMATION*>(info)->IndexNumber.QuadPart = m_nodes[open->second.key].order;
    return kSuccess;
}

BOOL SimWindows::GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) {
    auto open = m_fileHandles.find(file);
    if (Begin(L"GetFileInformationByHandle(" + FileHandleName(file) + L")") || open == m_fileHandles.end() ||
        !m_nodes.count(open->second.key))
        return FALSE;
    // The volume serial number of its drive and its file ID, also when reached through a share.
    *info = BY_HANDLE_FILE_INFORMATION{};
    info->dwVolumeSerialNumber = VolumeSerial(open->second.key[0]);
    info->nFileIndexLow = static_cast<DWORD>(m_nodes[open->second.key].order);
    return TRUE;
}

// Only the classic disposition is modelled, as on Windows before 10 1709 and under Wine:
// POSIX semantics fail. The entry goes when the handle is closed.
BOOL SimWindows::SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info, DWORD) {
    auto open = m_fileHandles.find(file);
    const bool known = open != m_fileHandles.end() && m_nodes.count(open->second.key);
    if (known && infoClass == FileDispositionInfo) deletions.push_back(FinalPathOf(open->second.key));
    if (Begin(L"SetFileInformationByHandle(" + (known ? FinalPathOf(open->second.key) : L"?") + L", " +
              std::to_wstring(infoClass) + L")") ||
        !known || infoClass != FileDispositionInfo || !(open->second.access & DELETE) ||
        !static_cast<FILE_DISPOSITION_INFO*>(info)->DeleteFile)
        return FALSE;
    const Node& node = m_nodes[open->second.key];
    if ((node.attributes & FILE_ATTRIBUTE_READONLY) || (node.linkTarget.empty() && !ChildrenOf(open->second.key).empty()))
        return FALSE;  // read-only, or a folder that is not empty
    return open->second.deleteOnClose = true;
}

BOOL SimWindows::GetFileInformationByHandleEx(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info,
                                              DWORD size) {
    if (Begin(L"GetFileInformationByHandleEx(" + FileHandleName(file) + L", " + std::to_wstring(infoClass) + L")"))
        return FALSE;
    // The attributes and reparse tag, and a folder's listing (FILE_ID_BOTH_DIR_INFO records, as
    // many as fit, continued by the next call; FALSE once all were given).
    auto open = m_fileHandles.find(file);
    if (open == m_fileHandles.end()) return FALSE;
    auto node = m_nodes.find(open->second.key);
    if (node == m_nodes.end()) return FALSE;
    if (infoClass == FileIdBothDirectoryRestartInfo || infoClass == FileIdBothDirectoryInfo) {
        if (node->second.unlistable || !(node->second.attributes & FILE_ATTRIBUTE_DIRECTORY) ||
            !Holds(open->second.access, FILE_LIST_DIRECTORY))
            return FALSE;
        std::vector<const Node*> children = ChildrenOf(open->second.key);
        Node dot, dotDot;  // what a folder's listing shows first, unless it lists no dot entries
        dot.name = L".", dotDot.name = L"..";
        dot.attributes = dotDot.attributes = FILE_ATTRIBUTE_DIRECTORY;
        if (node->second.listsDots) children.insert(children.begin(), {&dot, &dotDot});
        size_t& next = open->second.listed;
        if (infoClass == FileIdBothDirectoryRestartInfo) next = 0;
        FILE_ID_BOTH_DIR_INFO* last = nullptr;
        for (DWORD used = 0; next < children.size(); ++next) {
            const std::wstring& name = children[next]->name;
            const DWORD length = (offsetof(FILE_ID_BOTH_DIR_INFO, FileName) + name.size() * sizeof(wchar_t) + 7) & ~7u;
            if (used + length > size) break;
            auto* record = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(static_cast<BYTE*>(info) + used);
            std::memset(record, 0, length);
            record->FileAttributes = children[next]->attributes;
            record->FileId.QuadPart = static_cast<LONGLONG>(children[next]->order);
            record->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
            name.copy(record->FileName, name.size());
            if (last) last->NextEntryOffset = static_cast<DWORD>(reinterpret_cast<BYTE*>(record) - reinterpret_cast<BYTE*>(last));
            last = record, used += length;
        }
        return last != nullptr;
    }
    if (infoClass != FileAttributeTagInfo || size < sizeof(FILE_ATTRIBUTE_TAG_INFO)) return FALSE;
    auto* tag = static_cast<FILE_ATTRIBUTE_TAG_INFO*>(info);
    tag->FileAttributes = node->second.attributes;
    tag->ReparseTag = node->second.linkTarget.empty() ? 0 : IO_REPARSE_TAG_MOUNT_POINT;
    return TRUE;
}

DWORD SimWindows::GetFinalPathNameByHandleW(HANDLE file, LPWSTR path, DWORD size, DWORD flags) {
    if (Begin(L"GetFinalPathNameByHandleW(" + FileHandleName(file) + L", " + std::to_wstring(size) + L", " +
              Hex(flags) + L")"))
        return 0;
    auto open = m_fileHandles.find(file);
    if (open == m_fileHandles.end() || !m_nodes.count(open->second.key)) return 0;
    std::wstring final = FinalPathOf(open->second.key);
    // Through a share the system names the share, not the folder it leads to.
    const std::wstring& share = open->second.viaShare;
    // A share that maps a drive root ("\\?\C:\") keeps the separator after the share.
    const std::wstring shared = share.empty() ? L"" : FinalPathOf(m_aliases.at(Upper(share)));
    if (!share.empty()) final = L"\\\\?\\UNC" + share.substr(1) + final.substr(shared.size() - (shared.back() == L'\\'));
    if (final.size() >= size) return static_cast<DWORD>(final.size() + 1);
    final.copy(path, size);
    path[final.size()] = L'\0';
    return static_cast<DWORD>(final.size());
}

bool SimWindows::Rename(const std::wstring& from, const std::wstring& to) {
    const std::wstring source = Resolve(L"\\\\?\\" + from, false);
    const std::wstring target = Resolve(L"\\\\?\\" + to, false);
    if (!m_nodes.count(source) || m_nodes.count(target) || target.empty() || IsHeld(source)) return false;
    for (const auto& open : m_fileHandles)
        if (StartsWith(open.second.key, source + L"\\") && !m_renamesAboveOpen) return false;
    std::map<std::wstring, Node> moved;
    for (auto it = m_nodes.begin(); it != m_nodes.end();) {
        if (it->first == source || StartsWith(it->first, source + L"\\")) {
            moved[target + it->first.substr(source.size())] = it->second;
            it = m_nodes.erase(it);
        } else {
            ++it;
        }
    }
    moved[target].name = Split(to).back();
    for (auto& entry : moved) m_nodes[entry.first] = entry.second;
    for (auto& open : m_fileHandles)
        if (open.second.key == source || StartsWith(open.second.key, source + L"\\"))
            open.second.key = target + open.second.key.substr(source.size());
    return true;
}

UINT SimWindows::GetSystemDirectoryW(LPWSTR buffer, UINT size) {
    if (Begin(L"GetSystemDirectoryW(" + std::to_wstring(size) + L")")) return 0;
    if (m_systemDirectory.empty()) return 0;
    if (m_systemDirectory.size() >= size) return static_cast<UINT>(m_systemDirectory.size() + 1);
    m_systemDirectory.copy(buffer, size);
    buffer[m_systemDirectory.size()] = L'\0';
    return static_cast<UINT>(m_systemDirectory.size());
}

HRESULT SimWindows::SHGetFolderPathW(HWND, int folder, HANDLE, DWORD, LPWSTR path) {
    if (Begin(L"SHGetFolderPathW(" + Hex(folder) + L")")) return E_FAIL;
    auto known = m_knownFolders.find(folder);
    if (known == m_knownFolders.end()) return E_FAIL;
    known->second.copy(path, MAX_PATH - 1);
    path[std::min<size_t>(known->second.size(), MAX_PATH - 1)] = L'\0';
    return S_OK;
}

DWORD SimWindows::GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
    if (Begin(L"GetEnvironmentVariableW(" + Text(name) + L")")) return 0;
    auto value = m_environment.find(name ? name : L"");
    if (value == m_environment.end()) return 0;
    if (value->second.size() >= size) return static_cast<DWORD>(value->second.size() + 1);
    value->second.copy(buffer, size);
    buffer[value->second.size()] = L'\0';
    return static_cast<DWORD>(value->second.size());
}

BOOL SimWindows::GetProfilesDirectoryW(LPWSTR buffer, LPDWORD size) {
    if (Begin(L"GetProfilesDirectoryW(" + std::to_wstring(size ? *size : 0) + L")")) return FALSE;
    if (m_profilesDirectory.empty() || !size) return FALSE;
    if (!buffer || *size <= m_profilesDirectory.size()) {
        *size = static_cast<DWORD>(m_profilesDirectory.size() + 1);
        return FALSE;
    }
    m_profilesDirectory.copy(buffer, *size);
    buffer[m_profilesDirectory.size()] = L'\0';
    *size = static_cast<DWORD>(m_profilesDirectory.size() + 1);
    return TRUE;
}

HANDLE SimWindows::FindFirstVolumeW(LPWSTR name, DWORD size) {
    if (Begin(L"FindFirstVolumeW()") || m_volumesListed >= 0) return INVALID_HANDLE_VALUE;
    m_volumesListed = 0;
    return NextVolume(m_driveTypes, m_volumesListed, name, size) ? kVolumeFind : (m_volumesListed = -1, INVALID_HANDLE_VALUE);
}

BOOL SimWindows::FindNextVolumeW(HANDLE find, LPWSTR name, DWORD size) {
    return !Begin(L"FindNextVolumeW()") && find == kVolumeFind && NextVolume(m_driveTypes, m_volumesListed, name, size);
}

BOOL SimWindows::FindVolumeClose(HANDLE find) {
    const bool known = find == kVolumeFind && m_volumesListed >= 0;
    if (known) m_volumesListed = -1;
    return !Begin(L"FindVolumeClose()") && known;
}

UINT SimWindows::GetDriveTypeW(LPCWSTR root) {
    auto drive = m_driveTypes.find(DriveOf(root));
    return Begin(L"GetDriveTypeW(" + Text(root) + L")") || drive == m_driveTypes.end() ? DRIVE_NO_ROOT_DIR : drive->second;
}

BOOL SimWindows::GetVolumeInformationW(LPCWSTR root, LPWSTR, DWORD, LPDWORD serial, LPDWORD, LPDWORD, LPWSTR, DWORD) {
    const bool known = !Begin(L"GetVolumeInformationW(" + Text(root) + L")") && m_driveTypes.count(DriveOf(root));
    return known && (*serial = VolumeSerial(DriveOf(root)), true);
}

// ---------------------------------------------------------------------------- processes

BOOL SimWindows::ShellExecuteExW(SHELLEXECUTEINFOW* info) {
    Launch launch;
    launch.cbSize = info->cbSize;
    launch.fMask = info->fMask;
    launch.hwnd = info->hwnd;
    launch.verb = Text(info->lpVerb);
    launch.file = Text(info->lpFile);
    launch.parameters = Text(info->lpParameters);
    launch.directory = Text(info->lpDirectory);
    launch.nShow = info->nShow;
    const int ordinal = m_nextProcessOrdinal;
    if (Begin(L"ShellExecuteExW(" + launch.file + L", " + launch.parameters + L", nShow=" +
              std::to_wstring(launch.nShow) + L", fMask=" + Hex(launch.fMask) + L")")) {
        launches.push_back(launch);
        return FALSE;
    }
    HANDLE handle = FakeHandle(0x30000, ordinal);
    ++m_nextProcessOrdinal;
    launch.process = handle;
    launches.push_back(launch);
    log.back() += L" -> #p" + std::to_wstring(ordinal);
    Process process;
    process.launch = launch;
    process.ordinal = ordinal;
    m_processes[handle] = process;
    if (info->fMask & SEE_MASK_NOCLOSEPROCESS)
        info->hProcess = handle;
    else
        EndProcess(handle), m_processes.erase(handle);
    return TRUE;
}

void SimWindows::EndProcess(HANDLE process) {
    auto it = m_processes.find(process);
    if (it == m_processes.end() || !it->second.running) return;
    it->second.running = false;
    it->second.launch.exitCode = exitCode;
    if (!exitCodes.empty()) it->second.launch.exitCode = exitCodes.front(), exitCodes.pop_front();
    for (Launch& launch : launches)
        if (launch.process == process) launch.exitCode = it->second.launch.exitCode;
    if (onProcessExit) onProcessExit(it->second.launch);
}


bool SimWindows::IsProcessRunning(HANDLE process) const {
    auto it = m_processes.find(process);
    return it != m_processes.end() && it->second.running;
}

// The shell's window, whose handle is not accounted for. A process's token is its own handle.
const HWND kShellWindow = reinterpret_cast<HWND>(0x60010);

HWND SimWindows::GetShellWindow() { return Begin(L"GetShellWindow()") || m_shellOwner.empty() ? nullptr : kShellWindow; }

DWORD SimWindows::GetWindowThreadProcessId(HWND window, LPDWORD processId) {
    *processId = !Begin(L"GetWindowThreadProcessId(shell)") && window == kShellWindow ? 4242 : 0;
    return *processId ? 77 : 0;
}

BOOL SimWindows::WTSEnumerateProcessesW(HANDLE server, DWORD, DWORD version, PWTS_PROCESS_INFOW* list, DWORD* count) {
    if (Begin(L"WTSEnumerateProcessesW(" + std::to_wstring(version) + L")") || server != WTS_CURRENT_SERVER_HANDLE) return FALSE;
    auto listed = listedProcesses;
    if (!m_shellOwner.empty()) listed.emplace_back(4242, m_shellOwner);
    m_listed.assign(listed.size(), WTS_PROCESS_INFOW{});
    for (size_t i = 0; i < listed.size(); ++i)  // each SID is freed by WTSFreeMemory
        m_listed[i].ProcessId = listed[i].first, ::ConvertStringSidToSidW(listed[i].second.c_str(), &m_listed[i].pUserSid);
    *list = m_listed.data(), *count = static_cast<DWORD>(listed.size()), ++m_allocations;
    return TRUE;
}

void SimWindows::WTSFreeMemory(PVOID) {
    Begin(L"WTSFreeMemory()");
    for (WTS_PROCESS_INFOW& process : m_listed) ::LocalFree(process.pUserSid);
    m_listed.clear(), --m_allocations;
}

// Only this process's own token opens, as for an administrator without the debug privilege.
BOOL SimWindows::OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
    *token = process;
    return !Begin(L"OpenProcessToken(" + Hex(reinterpret_cast<std::uintptr_t>(process)) + L", " + Hex(access) + L")") &&
           process == reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}

BOOL SimWindows::GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD size,
                                     PDWORD returned) {
    PSID sid = nullptr;
    if (Begin(L"GetTokenInformation(" + Hex(reinterpret_cast<std::uintptr_t>(token)) + L", " +
              std::to_wstring(infoClass) + L")") ||
        infoClass != TokenUser || !::ConvertStringSidToSidW(kRunningAccount, &sid))
        return FALSE;
    const DWORD length = ::GetLengthSid(sid);
    *returned = sizeof(TOKEN_USER) + length;
    auto* user = static_cast<TOKEN_USER*>(info);
    if (size >= *returned) user->User.Sid = user + 1, ::CopySid(length, user + 1, sid);
    ::LocalFree(sid);
    return size >= *returned;
}

BOOL SimWindows::ConvertSidToStringSidW(PSID sid, LPWSTR* text) {
    return !Begin(L"ConvertSidToStringSidW()") && ::ConvertSidToStringSidW(sid, text) && (++m_allocations, true);
}
HLOCAL SimWindows::LocalFree(HLOCAL memory) { return Begin(L"LocalFree()"), --m_allocations, ::LocalFree(memory); }

BOOL SimWindows::GetExitCodeProcess(HANDLE process, LPDWORD code) {
    auto it = m_processes.find(process);
    const bool known = it != m_processes.end();
    if (Begin(L"GetExitCodeProcess(#p" + std::to_wstring(known ? it->second.ordinal : 0) + L")") || !known) return FALSE;
    *code = it->second.running ? STILL_ACTIVE : it->second.launch.exitCode;
    return TRUE;
}

// The installer's mutex exists only while it is busy; the engine opens it once at a time.
HANDLE SimWindows::OpenMutexW(DWORD access, BOOL inherit, LPCWSTR name) {
    if (Begin(L"OpenMutexW(" + Hex(access) + L", " + std::to_wstring(inherit) + L", " + Text(name) + L")") ||
        m_ticks >= m_installerBusyUntil || !Holds(m_mutexGrants, access))
        return m_lastError = m_ticks >= m_installerBusyUntil ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED, nullptr;
    m_mutexOpen = true;
    m_mutexAccess = access;
    return kInstallerMutex;
}

// Only a handle with MUTEX_MODIFY_STATE releases the mutex; without, the ownership stays.
BOOL SimWindows::ReleaseMutex(HANDLE) {
    if (Begin(L"ReleaseMutex(#m)") || !Holds(m_mutexAccess, MUTEX_MODIFY_STATE)) return m_lastError = ERROR_ACCESS_DENIED, FALSE;
    return m_mutexOwned = false, TRUE;
}

BOOL SimWindows::CloseHandle(HANDLE handle) {
    if (handle == kInstallerMutex && m_mutexOpen) {
        m_mutexOpen = false;
        return !Begin(L"CloseHandle(#m)");
    }
    if (m_fileHandles.count(handle)) {
        const bool fail = Begin(L"CloseHandle(" + FileHandleName(handle) + L")");
        const OpenFile closed = m_fileHandles[handle];
        m_fileHandles.erase(handle);
        if (closed.deleteOnClose) EraseOnClose(closed.key);
        return !fail;
    }
    auto it = m_processes.find(handle);
    const std::wstring name = it == m_processes.end() ? Hex(reinterpret_cast<std::uintptr_t>(handle))
                                                      : L"#p" + std::to_wstring(it->second.ordinal);
    const bool fail = Begin(L"CloseHandle(" + name + L")");
    const bool known = m_processes.erase(handle) > 0;
    return !fail && known;
}

// ---------------------------------------------------------------------------- system information

HMODULE SimWindows::GetModuleHandleW(LPCWSTR moduleName) {
    if (Begin(L"GetModuleHandleW(" + Text(moduleName) + L")")) return nullptr;
    return Upper(Text(moduleName)) == L"KERNEL32.DLL" ? kKernel32 : nullptr;
}

FARPROC SimWindows::GetProcAddress(HMODULE module, LPCSTR procName) {
    const std::string name = procName ? procName : "";
    if (Begin(L"GetProcAddress(" + std::wstring(name.begin(), name.end()) + L")")) return nullptr;
    if (module != kKernel32 || name != "GetNativeSystemInfo" || !m_hasNativeSystemInfo) return nullptr;
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&NeverCalled));
}

void SimWindows::CallGetNativeSystemInfo(FARPROC, LPSYSTEM_INFO info) {
    if (Begin(L"GetNativeSystemInfo()")) return;
    info->wProcessorArchitecture = m_nativeArchitecture;
}

DWORD SimWindows::GetTickCount() { return Begin(L"GetTickCount()"), m_ticks; }

void SimWindows::GetSystemInfo(LPSYSTEM_INFO info) {
    if (Begin(L"GetSystemInfo()")) return;
    // A 32-bit program on 64-bit Windows is told it runs on an x86 processor.
    info->wProcessorArchitecture = Is64Bit() ? PROCESSOR_ARCHITECTURE_INTEL : m_nativeArchitecture;
}

// ---------------------------------------------------------------------------- messages

void SimWindows::Post(UINT message, WPARAM wParam, LPARAM lParam, HWND window) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    m_queue.push_back(msg);
}

DWORD SimWindows::MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                            DWORD wakeMask) {
    auto process = count ? m_processes.find(handles[0]) : m_processes.end();
    const std::wstring name = process == m_processes.end()
                                  ? (count && handles[0] ? Hex(reinterpret_cast<std::uintptr_t>(handles[0])) : L"null")
                                  : L"#p" + std::to_wstring(process->second.ordinal);
    const bool mutex = count == 1 && handles[0] == kInstallerMutex && m_mutexOpen;
    if (Begin(L"MsgWaitForMultipleObjects(" + std::to_wstring(count) + L", " + (mutex ? L"#m" : name) + L", " +
              std::to_wstring(waitAll) + L", " + (milliseconds == INFINITE ? L"INFINITE" : std::to_wstring(milliseconds)) +
              L", " + Hex(wakeMask) + L")"))
        return WAIT_FAILED;
    // The installer's mutex comes free once it is no longer busy; meanwhile time passes.
    if (mutex && m_ticks < m_installerBusyUntil) {
        if (!m_queue.empty()) return WAIT_OBJECT_0 + 1;
        m_ticks += std::min(milliseconds, m_installerBusyUntil - m_ticks);
    }
    if (mutex) return m_ticks < m_installerBusyUntil ? WAIT_TIMEOUT : (m_mutexOwned = true, WAIT_OBJECT_0);
    if (count == 0 && m_queue.empty()) m_ticks += milliseconds == INFINITE ? 0 : milliseconds;  // a pause: time passes
    if (count == 0) return m_queue.empty() ? WAIT_TIMEOUT : WAIT_OBJECT_0;
    if (count != 1 || process == m_processes.end()) return WAIT_FAILED;
    for (;;) {
        if (!process->second.running) return WAIT_OBJECT_0;
        if (!m_queue.empty()) return WAIT_OBJECT_0 + 1;
        if (whileWaiting.empty()) {
            EndProcess(process->first);
            continue;
        }
        auto event = whileWaiting.front();
        whileWaiting.pop_front();
        event();
    }
}

BOOL SimWindows::PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (Begin(L"PeekMessageW(" + std::wstring(window ? L"hwnd" : L"null") + L", " + std::to_wstring(filterMin) +
              L", " + std::to_wstring(filterMax) + L", " + std::to_wstring(removeFlags) + L")"))
        return FALSE;
    if (m_queue.empty()) return FALSE;
    *msg = m_queue.front();
    if (removeFlags & PM_REMOVE) m_queue.pop_front();
    return TRUE;
}

BOOL SimWindows::TranslateMessage(const MSG* msg) {
    if (Begin(L"TranslateMessage(" + Hex(msg->message) + L")")) return FALSE;
    return msg->message == WM_KEYDOWN;
}

LRESULT SimWindows::DispatchMessageW(const MSG* msg) {
    if (Begin(L"DispatchMessageW(" + Hex(msg->message) + L")")) return 0;
    dispatched.push_back(*msg);
    if (onDispatch) onDispatch(*msg);
    return 0;
}

}  // namespace velmora::sim
