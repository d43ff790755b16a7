#include "pe_resources.h"

#include <cstring>
#include <stdexcept>

namespace restest {

namespace {

// Reads little-endian fields in order, refusing to read past the end.
class Reader {
public:
    Reader(const Bytes& data, std::size_t offset = 0, std::size_t end = SIZE_MAX)
        : m_data(data), m_pos(offset), m_end(end < data.size() ? end : data.size()) {}

    template <typename T>
    T Get() {
        Need(sizeof(T));
        T value;
        std::memcpy(&value, m_data.data() + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return value;
    }
    std::wstring String() {
        std::wstring text;
        for (wchar_t c = Get<wchar_t>(); c != L'\0'; c = Get<wchar_t>()) text += c;
        return text;
    }
    NameOrOrdinal NameOrOrd() {
        NameOrOrdinal field;
        const WORD first = Get<WORD>();
        if (first == 0xFFFF) {
            field.isOrdinal = true;
            field.ordinal = Get<WORD>();
        } else if (first != 0) {
            field.text += static_cast<wchar_t>(first);
            field.text += String();
        }
        return field;
    }
    Bytes Take(std::size_t count) {
        Need(count);
        Bytes bytes(m_data.begin() + static_cast<std::ptrdiff_t>(m_pos),
                     m_data.begin() + static_cast<std::ptrdiff_t>(m_pos + count));
        m_pos += count;
        return bytes;
    }
    void AlignTo4() { m_pos = (m_pos + 3) & ~static_cast<std::size_t>(3); }
    void Skip(std::size_t count) {
        Need(count);
        m_pos += count;
    }
    std::size_t Pos() const { return m_pos; }
    std::size_t End() const { return m_end; }

private:
    void Need(std::size_t count) const {
        if (m_pos + count > m_end) throw std::runtime_error("resource data ends early");
    }
    const Bytes& m_data;
    std::size_t m_pos;
    std::size_t m_end;
};

std::wstring NameOf(LPCWSTR name) {
    return IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : std::wstring(name);
}

struct ListContext {
    std::vector<ResourceFile::Entry>* entries;
    std::wstring type;
    std::wstring name;
};

BOOL CALLBACK OnLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
    auto* context = reinterpret_cast<ListContext*>(param);
    context->entries->push_back({context->type, context->name, language});
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
    auto* context = reinterpret_cast<ListContext*>(param);
    context->name = NameOf(name);
    ::EnumResourceLanguagesW(module, type, name, &OnLanguage, param);
    return TRUE;
}

BOOL CALLBACK OnType(HMODULE module, LPWSTR type, LONG_PTR param) {
    auto* context = reinterpret_cast<ListContext*>(param);
    context->type = NameOf(type);
    ::EnumResourceNamesW(module, type, &OnName, param);
    return TRUE;
}

VersionNode ParseVersionNode(const Bytes& data, std::size_t offset) {
    Reader header(data, offset);
    const WORD length = header.Get<WORD>();
    Reader in(data, offset, offset + length);
    in.Skip(2);
    const WORD valueLength = in.Get<WORD>();
    VersionNode node;
    node.type = in.Get<WORD>();
    node.key = in.String();
    in.AlignTo4();
    // A text value's length counts characters, a binary one's bytes.
    node.value = in.Take(node.type == 1 ? valueLength * sizeof(wchar_t) : valueLength);
    in.AlignTo4();
    while (in.Pos() < in.End()) {
        VersionNode child = ParseVersionNode(data, in.Pos());
        Reader childHeader(data, in.Pos());
        const WORD childLength = childHeader.Get<WORD>();
        if (childLength == 0) throw std::runtime_error("empty version node");
        in.Skip(childLength);
        in.AlignTo4();
        node.children.push_back(std::move(child));
    }
    return node;
}

}  // namespace

ResourceFile::ResourceFile(const std::wstring& path)
    : m_module(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}

ResourceFile::~ResourceFile() {
    if (m_module) ::FreeLibrary(m_module);
}

Bytes ResourceFile::Read(LPCWSTR type, LPCWSTR name, WORD language) const {
    HRSRC info = ::FindResourceExW(m_module, type, name, language);
    if (!info) return {};
    HGLOBAL loaded = ::LoadResource(m_module, info);
    const auto* bytes = static_cast<const std::uint8_t*>(::LockResource(loaded));
    if (!bytes) return {};
    return Bytes(bytes, bytes + ::SizeofResource(m_module, info));
}

std::vector<ResourceFile::Entry> ResourceFile::List() const {
    std::vector<Entry> entries;
    ListContext context{&entries, {}, {}};
    ::EnumResourceTypesW(m_module, &OnType, reinterpret_cast<LONG_PTR>(&context));
    return entries;
}

DialogTemplate ParseDialogTemplateEx(const Bytes& data) {
    Reader in(data);
    DialogTemplate dialog;
    dialog.version = in.Get<WORD>();
    dialog.signature = in.Get<WORD>();
    if (dialog.version != 1 || dialog.signature != 0xFFFF) throw std::runtime_error("not an extended template");
    dialog.helpId = in.Get<DWORD>();
    dialog.exStyle = in.Get<DWORD>();
    dialog.style = in.Get<DWORD>();
    const WORD count = in.Get<WORD>();
    dialog.x = in.Get<short>();
    dialog.y = in.Get<short>();
    dialog.cx = in.Get<short>();
    dialog.cy = in.Get<short>();
    dialog.menu = in.NameOrOrd();
    dialog.windowClass = in.NameOrOrd();
    dialog.title = in.String();
    if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog.pointSize = in.Get<WORD>();
        dialog.weight = in.Get<WORD>();
        dialog.italic = in.Get<BYTE>();
        dialog.charset = in.Get<BYTE>();
        dialog.typeface = in.String();
    }
    for (WORD i = 0; i < count; ++i) {
        in.AlignTo4();
        DialogItem item;
        item.helpId = in.Get<DWORD>();
        item.exStyle = in.Get<DWORD>();
        item.style = in.Get<DWORD>();
        item.x = in.Get<short>();
        item.y = in.Get<short>();
        item.cx = in.Get<short>();
        item.cy = in.Get<short>();
        item.id = in.Get<DWORD>();
        item.windowClass = in.NameOrOrd();
        item.title = in.NameOrOrd();
        item.extraCount = in.Get<WORD>();
        in.Skip(item.extraCount);
        dialog.items.push_back(item);
    }
    return dialog;
}

std::vector<std::wstring> ParseStringBlock(const Bytes& data) {
    Reader in(data);
    std::vector<std::wstring> strings;
    for (int i = 0; i < 16; ++i) {
        const WORD length = in.Get<WORD>();
        std::wstring text;
        for (WORD c = 0; c < length; ++c) text += in.Get<wchar_t>();
        strings.push_back(text);
    }
    return strings;
}

const VersionNode* VersionNode::Child(const std::wstring& childKey) const {
    for (const VersionNode& child : children) {
        if (child.key == childKey) return &child;
    }
    return nullptr;
}

std::wstring VersionNode::Text() const {
    std::wstring text(value.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(&text[0], value.data(), text.size() * sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

VersionNode ParseVersionResource(const Bytes& data) { return ParseVersionNode(data, 0); }

std::vector<GroupIconEntry> ParseGroupIcon(const Bytes& data) {
    Reader in(data);
    if (in.Get<WORD>() != 0 || in.Get<WORD>() != 1) throw std::runtime_error("not an icon group");
    const WORD count = in.Get<WORD>();
    std::vector<GroupIconEntry> entries;
    for (WORD i = 0; i < count; ++i) {
        GroupIconEntry entry;
        entry.width = in.Get<BYTE>();
        entry.height = in.Get<BYTE>();
        entry.colorCount = in.Get<BYTE>();
        in.Skip(1);  // reserved
        entry.planes = in.Get<WORD>();
        entry.bitCount = in.Get<WORD>();
        entry.bytesInRes = in.Get<DWORD>();
        entry.id = in.Get<WORD>();
        entries.push_back(entry);
    }
    if (in.Pos() != data.size()) throw std::runtime_error("icon group has trailing data");
    return entries;
}

}  // namespace restest
