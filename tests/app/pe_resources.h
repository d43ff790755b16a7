// Reads resources back from a built executable and decodes the formats the program's
// resources use: extended dialog templates, string tables, version blocks and icon groups.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace restest {

using Bytes = std::vector<std::uint8_t>;

// The executable loaded as data only: nothing of it runs.
class ResourceFile {
public:
    explicit ResourceFile(const std::wstring& path);
    ~ResourceFile();
    ResourceFile(const ResourceFile&) = delete;
    ResourceFile& operator=(const ResourceFile&) = delete;

    bool IsOpen() const { return m_module != nullptr; }
    // The bytes of the resource in exactly that language; empty when there is none.
    Bytes Read(LPCWSTR type, LPCWSTR name, WORD language) const;
    // Every (type, name, language) the file holds; names and types as "#<number>" or text.
    struct Entry {
        std::wstring type;
        std::wstring name;
        WORD language;
    };
    std::vector<Entry> List() const;

private:
    HMODULE m_module;
};

// A name or ordinal field (sz_Or_Ord) of a dialog template.
struct NameOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::wstring text;
};

struct DialogItem {
    DWORD helpId;
    DWORD exStyle;
    DWORD style;
    short x, y, cx, cy;
    DWORD id;
    NameOrOrdinal windowClass;
    NameOrOrdinal title;
    WORD extraCount;
};

struct DialogTemplate {
    WORD version;
    WORD signature;
    DWORD helpId;
    DWORD exStyle;
    DWORD style;
    short x, y, cx, cy;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::wstring title;
    WORD pointSize;
    WORD weight;
    BYTE italic;
    BYTE charset;
    std::wstring typeface;
    std::vector<DialogItem> items;
};

// Decodes a DLGTEMPLATEEX with its items; throws std::runtime_error on malformed data.
DialogTemplate ParseDialogTemplateEx(const Bytes& data);

// The 16 strings of one string-table block (block n holds ids 16 * (n - 1) ... + 15).
std::vector<std::wstring> ParseStringBlock(const Bytes& data);

// One node of a version resource: key, value and children.
struct VersionNode {
    std::wstring key;
    WORD type;  // 1 text, 0 binary
    Bytes value;
    std::vector<VersionNode> children;

    const VersionNode* Child(const std::wstring& childKey) const;
    std::wstring Text() const;  // the value as text (without its terminator)
};
VersionNode ParseVersionResource(const Bytes& data);

// One entry of a group-icon resource.
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colorCount;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
std::vector<GroupIconEntry> ParseGroupIcon(const Bytes& data);

}  // namespace restest
