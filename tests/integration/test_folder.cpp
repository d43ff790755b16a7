#include "test_folder.h"

#include <algorithm>
#include <cstdlib>

#include "registry/registry_as_itself.h"
#include "registry/registry_tree.h"

namespace velmora::testenv {
namespace {

void ForceRemove(const std::wstring& extended) {
    WIN32_FIND_DATAW entry{};
    HANDLE find = ::FindFirstFileW((extended + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = extended + L"\\" + name;
            ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                ForceRemove(child);
            else if (!::DeleteFileW(child.c_str()))
                ::RemoveDirectoryW(child.c_str());
        } while (::FindNextFileW(find, &entry));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(extended.c_str());
}

}  // namespace

std::wstring PrefixKind() {
    if (const wchar_t* kind = _wgetenv(L"VELMORA_PREFIX_KIND")) return kind;
    // A 32-bit process on a 64-bit system runs under WOW64; a 64-bit process's processor is
    // a 64-bit one.
    BOOL wow64 = FALSE;
    ::IsWow64Process(::GetCurrentProcess(), &wow64);
    SYSTEM_INFO native{};
    ::GetNativeSystemInfo(&native);
    const bool is64 = wow64 || native.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                      native.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64;
    return is64 ? L"pfx64" : L"pfx32";
}

bool RunsOnWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

ScratchFolder::ScratchFolder() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    // A folder this object made itself, never one that was there: only that one is removed.
    do {
        m_plain = std::wstring(temp) + L"velmora-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                  std::to_wstring(++counter);
    } while (!::CreateDirectoryW(m_plain.c_str(), nullptr) && ::GetLastError() == ERROR_ALREADY_EXISTS);
}

ScratchFolder::~ScratchFolder() { ForceRemove(Extended()); }

std::wstring ScratchFolder::Extended(const std::wstring& relative) const {
    return L"\\\\?\\" + m_plain + (relative.empty() ? L"" : L"\\" + relative);
}

void ScratchFolder::MakeFolder(const std::wstring& relative) const {
    std::wstring path;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find(L'\\', start);
        if (end == std::wstring::npos) end = relative.size();
        path += (path.empty() ? L"" : L"\\") + relative.substr(start, end - start);
        ::CreateDirectoryW(Extended(path).c_str(), nullptr);
        start = end + 1;
    }
}

void ScratchFolder::MakeFile(const std::wstring& relative, DWORD attributes) const {
    const size_t slash = relative.rfind(L'\\');
    if (slash != std::wstring::npos) MakeFolder(relative.substr(0, slash));
    HANDLE file = ::CreateFileW(Extended(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(file, "velmora", 7, &written, nullptr);
        ::CloseHandle(file);
    }
}

bool ScratchFolder::Exists(const std::wstring& relative) const {
    return Attributes(relative) != INVALID_FILE_ATTRIBUTES;
}

DWORD ScratchFolder::Attributes(const std::wstring& relative) const {
    return ::GetFileAttributesW(Extended(relative).c_str());
}

HKEY MadeKeys::Walk(HKEY root, const std::wstring& path, REGSAM view, DWORD lastOptions, bool& madeLast) {
    HKEY parent = root;
    for (size_t start = 0;;) {
        const size_t end = std::min(path.find(L'\\', start), path.size());
        const bool last = end == path.size();
        HKEY key = nullptr;
        DWORD disposition = 0;
        const LONG made = ::RegCreateKeyExW(parent, path.substr(start, end - start).c_str(), 0, nullptr,
                                            last ? lastOptions : 0, KEY_ALL_ACCESS | view, nullptr, &key, &disposition);
        if (parent != root && (m_made.empty() || m_made.back().first != parent)) ::RegCloseKey(parent);
        if (made != ERROR_SUCCESS) return nullptr;
        madeLast = disposition == REG_CREATED_NEW_KEY;
        if (madeLast && !last) m_made.emplace_back(key, view);  // kept open: it goes at the end
        if (last) return key;
        parent = key;
        start = end + 1;
    }
}

bool MadeKeys::Make(HKEY root, const std::wstring& path, REGSAM view) {
    bool made = false;
    HKEY key = Walk(root, path, view, 0, made);
    if (!key) return false;
    const wchar_t text[] = L"value";
    const bool named = ::RegSetValueExW(key, L"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text)) ==
                       ERROR_SUCCESS;
    if (made) m_made.emplace_back(key, view);
    else ::RegCloseKey(key);
    return named;
}

bool MadeKeys::Link(HKEY root, const std::wstring& path, const std::wstring& target, REGSAM view) {
    bool made = false;
    HKEY link = Walk(root, path, view, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, made);
    if (!link) return false;
    if (!made) return ::RegCloseKey(link), false;  // a key was there: it is not this case's to change
    m_made.emplace_back(link, view);
    return ::RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                            static_cast<DWORD>(target.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

MadeKeys::~MadeKeys() {
    for (auto made = m_made.rbegin(); made != m_made.rend(); ++made) {
        EmptyKeyInView(SystemWindows(), made->first, made->second);
        DeleteOpenKey(made->first);
        ::RegCloseKey(made->first);
    }
}

}  // namespace velmora::testenv
