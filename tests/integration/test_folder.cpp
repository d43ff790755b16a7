#include "test_folder.h"

#include <cstdlib>

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
    m_plain = std::wstring(temp) + L"velmora-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
              std::to_wstring(++counter);
    ::CreateDirectoryW(m_plain.c_str(), nullptr);
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

}  // namespace velmora::testenv
