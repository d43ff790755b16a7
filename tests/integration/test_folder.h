// Scratch folders and registry keys for tests that run against the real Windows (Wine)
// inside a throwaway prefix.
#pragma once

#include <windows.h>

#include <string>

namespace velmora::testenv {

// The kind of system the test runs on: "pfx64" or "pfx32", as the test command sets it in
// "VELMORA_PREFIX_KIND" from its prefix argument, or, started without it (on Windows, by the
// kit's runner), the system's own kind by the same names.
std::wstring PrefixKind();

// Whether this is Wine rather than Windows: Wine's ntdll exports wine_get_version.
bool RunsOnWine();

// A fresh, empty folder below the prefix's temporary folder, in extended-length form and
// removed with everything in it when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder as a plain path ("C:\users\...\Temp\velmora-...").
    const std::wstring& Plain() const { return m_plain; }
    // An entry below the folder, in extended-length form.
    std::wstring Extended(const std::wstring& relative = L"") const;

    void MakeFolder(const std::wstring& relative) const;
    void MakeFile(const std::wstring& relative, DWORD attributes = FILE_ATTRIBUTE_NORMAL) const;
    bool Exists(const std::wstring& relative) const;
    DWORD Attributes(const std::wstring& relative) const;

private:
    std::wstring m_plain;
};

}  // namespace velmora::testenv
