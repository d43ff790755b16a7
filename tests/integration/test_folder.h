// Scratch folders and registry keys for tests that run against the real Windows (Wine)
// inside a throwaway prefix.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

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

// Registry keys a case makes, deleted when the object goes: only the keys it made itself,
// each through the handle it was made with (emptied first, in the view it was made in),
// never one that was there before, nor anything above.
class MadeKeys {
public:
    MadeKeys() = default;
    ~MadeKeys();
    MadeKeys(const MadeKeys&) = delete;
    MadeKeys& operator=(const MadeKeys&) = delete;

    // Makes root\path in the view, each missing key on the way, and gives the last one the
    // value "Name"; false when a key cannot be made or opened.
    bool Make(HKEY root, const std::wstring& path, REGSAM view);
    // Makes root\path, missing before, a volatile registry link to `target` ("\Registry\...");
    // its parents as Make makes them. False where a key stands there already, or when the
    // link or its target value cannot be made.
    bool Link(HKEY root, const std::wstring& path, const std::wstring& target, REGSAM view);

private:
    HKEY Walk(HKEY root, const std::wstring& path, REGSAM view, DWORD lastOptions, bool& madeLast);
    std::vector<std::pair<HKEY, REGSAM>> m_made;  // the first key each call made, still open
};

}  // namespace velmora::testenv
