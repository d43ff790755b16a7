// Reads the resources back from the built Velmora.exe (copied beside this test program)
// and checks them field by field: what the program shows is what the executable holds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pe_resources.h"

using restest::Bytes;
using restest::DialogTemplate;
using restest::ResourceFile;

namespace {

constexpr WORD kChineseSimplified = 2052;
constexpr WORD kEnglishUs = 1033;

std::wstring ProgramPath() {
    wchar_t self[MAX_PATH * 4] = {};
    ::GetModuleFileNameW(nullptr, self, static_cast<DWORD>(std::size(self)));
    std::wstring path(self);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + L"Velmora.exe";
}

class VelmoraResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_file = new ResourceFile(ProgramPath()); }
    static void TearDownTestSuite() {
        delete s_file;
        s_file = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(s_file->IsOpen()) << "cannot open Velmora.exe beside the test program"; }

    static Bytes Read(LPCWSTR type, UINT id, WORD language) {
        return s_file->Read(type, MAKEINTRESOURCEW(id), language);
    }
    static DialogTemplate Dialog(UINT id) {
        const Bytes data = Read(RT_DIALOG, id, kChineseSimplified);
        if (data.empty()) throw std::runtime_error("dialog template missing");
        return restest::ParseDialogTemplateEx(data);
    }

    static ResourceFile* s_file;
};
ResourceFile* VelmoraResources::s_file = nullptr;

// The class of a control as its name: the predefined classes are stored as ordinals.
std::wstring ClassName(const restest::NameOrOrdinal& cls) {
    if (!cls.isOrdinal) return cls.text;
    switch (cls.ordinal) {
        case 0x0080: return L"Button";
        case 0x0081: return L"Edit";
        case 0x0082: return L"Static";
        case 0x0083: return L"ListBox";
        case 0x0084: return L"ScrollBar";
        case 0x0085: return L"ComboBox";
        default: return L"#" + std::to_wstring(cls.ordinal);
    }
}

std::wstring TitleText(const restest::NameOrOrdinal& title) {
    return title.isOrdinal ? L"#" + std::to_wstring(title.ordinal) : title.text;
}

struct ExpectedControl {
    DWORD id;
    const wchar_t* cls;
    const wchar_t* text;  // "#n" for a resource number
    short x, y, cx, cy;
    DWORD style;
};

void ExpectControls(const DialogTemplate& dialog, const std::vector<ExpectedControl>& expected) {
    ASSERT_EQ(dialog.items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i + 1));
        const restest::DialogItem& item = dialog.items[i];
        const ExpectedControl& want = expected[i];
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(ClassName(item.windowClass), want.cls);
        EXPECT_EQ(TitleText(item.title), want.text);
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.cx, want.cx);
        EXPECT_EQ(item.cy, want.cy);
        EXPECT_EQ(item.style, want.style) << std::hex << item.style;
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.helpId, 0u);
        EXPECT_EQ(item.extraCount, 0u);
    }
}

void ExpectShellFont(const DialogTemplate& dialog) {
    EXPECT_EQ(dialog.pointSize, 9);
    EXPECT_EQ(dialog.weight, 0);
    EXPECT_EQ(dialog.italic, 0);
    EXPECT_EQ(dialog.charset, 1);
    EXPECT_EQ(dialog.typeface, L"MS Shell Dlg");
    EXPECT_FALSE(dialog.menu.isOrdinal || !dialog.menu.text.empty());
    EXPECT_FALSE(dialog.windowClass.isOrdinal || !dialog.windowClass.text.empty());
    EXPECT_EQ(dialog.helpId, 0u);
}

constexpr DWORD kStatic = static_cast<DWORD>(-1);

}  // namespace

TEST_F(VelmoraResources, MainDialogTemplate) {
    const DialogTemplate dialog = Dialog(102);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 320);
    EXPECT_EQ(dialog.cy, 200);
    EXPECT_EQ(dialog.style, 0x90CC0048u) << std::hex << dialog.style;
    EXPECT_EQ(dialog.exStyle, 0x00040000u) << std::hex << dialog.exStyle;
    EXPECT_EQ(dialog.title, L"Velmora");
    ExpectShellFont(dialog);
    ExpectControls(dialog, {
                               {IDOK, L"Button", L"CleanUp", 209, 179, 50, 14, 0x50010001},
                               {IDCANCEL, L"Button", L"Cancel", 263, 179, 50, 14, 0x50010000},
                               {kStatic, L"Static", L"Static", 43, 41, 152, 8, 0x50020000},
                               {kStatic, L"Static", L"Language:", 40, 58, 34, 8, 0x50020000},
                               {1001, L"ComboBox", L"", 99, 58, 100, 30, 0x50210102},
                               {kStatic, L"Static", L"Version:", 40, 99, 26, 8, 0x50020000},
                               {1004, L"Button", L"32 Bit", 82, 99, 34, 10, 0x50000009},
                               {1005, L"Button", L"64 Bit", 134, 99, 34, 10, 0x50000009},
                           });
}

TEST_F(VelmoraResources, AboutDialogTemplate) {
    const DialogTemplate dialog = Dialog(100);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 170);
    EXPECT_EQ(dialog.cy, 62);
    EXPECT_EQ(dialog.style, 0x80C800C8u) << std::hex << dialog.style;
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.title, L"关于 Velmora");
    ExpectShellFont(dialog);
    ASSERT_EQ(dialog.items.size(), 4u);
    // The third line's text is the program's own choice: one non-empty line.
    const std::wstring thirdLine = dialog.items[2].title.text;
    EXPECT_FALSE(thirdLine.empty());
    EXPECT_EQ(thirdLine.find(L'\n'), std::wstring::npos);
    ExpectControls(dialog, {
                               {kStatic, L"Static", L"#128", 14, 14, 21, 20, 0x50000003},
                               {kStatic, L"Static", L"Velmora，1.0 版", 42, 14, 114, 8, 0x50020080},
                               {kStatic, L"Static", thirdLine.c_str(), 42, 26, 114, 8, 0x50020000},
                               {IDOK, L"Button", L"确定", 113, 41, 50, 14, 0x50030001},
                           });
}

TEST_F(VelmoraResources, AboutMenuString) {
    // String 101 lives in block 7 (ids 96 to 111) at index 5.
    const Bytes block = Read(RT_STRING, 101 / 16 + 1, kChineseSimplified);
    ASSERT_FALSE(block.empty());
    const std::vector<std::wstring> strings = restest::ParseStringBlock(block);
    for (std::size_t i = 0; i < strings.size(); ++i) {
        EXPECT_EQ(strings[i], i == 5 ? L"关于 Velmora(&A)..." : L"") << "string " << 96 + i;
    }
}

TEST_F(VelmoraResources, VersionBlock) {
    const Bytes data = Read(RT_VERSION, 1, kChineseSimplified);
    ASSERT_FALSE(data.empty());
    const restest::VersionNode root = restest::ParseVersionResource(data);
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");
    ASSERT_EQ(root.value.size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, root.value.data(), sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed.dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed.dwFileFlags, 0u);
    EXPECT_EQ(fixed.dwFileOS, 0x40004u);
    EXPECT_EQ(fixed.dwFileType, 1u);
    EXPECT_EQ(fixed.dwFileSubtype, 0u);

    const restest::VersionNode* strings = root.Child(L"StringFileInfo");
    ASSERT_NE(strings, nullptr);
    ASSERT_EQ(strings->children.size(), 1u);
    const restest::VersionNode& block = strings->children[0];
    EXPECT_EQ(block.key, L"080404B0");
    ASSERT_NE(block.Child(L"FileDescription"), nullptr);
    EXPECT_EQ(block.Child(L"FileDescription")->Text(), L"Velmora");
    ASSERT_NE(block.Child(L"FileVersion"), nullptr);
    EXPECT_EQ(block.Child(L"FileVersion")->Text(), L"1.0.0.1");
    ASSERT_NE(block.Child(L"ProductVersion"), nullptr);
    EXPECT_EQ(block.Child(L"ProductVersion")->Text(), L"1.0.0.1");

    const restest::VersionNode* vars = root.Child(L"VarFileInfo");
    ASSERT_NE(vars, nullptr);
    const restest::VersionNode* translation = vars->Child(L"Translation");
    ASSERT_NE(translation, nullptr);
    EXPECT_EQ(translation->value, (Bytes{0x04, 0x08, 0xB0, 0x04}));
}

TEST_F(VelmoraResources, ManifestText) {
    const Bytes data = Read(RT_MANIFEST, 1, kEnglishUs);
    ASSERT_FALSE(data.empty());
    const std::string text(data.begin(), data.end());
    for (const char* part : {
             "name=\"Microsoft.Windows.Common-Controls\"",
             "version=\"6.0.0.0\"",
             "processorArchitecture=\"x86\"",
             "publicKeyToken=\"6595b64144ccf1df\"",
             "language=\"*\"",
             "level=\"asInvoker\"",
             "uiAccess=\"false\"",
             ">true</dpiAware>",
         }) {
        EXPECT_NE(text.find(part), std::string::npos) << part;
    }
}

TEST_F(VelmoraResources, TheManifestIsInEnglishAndEverythingElseInChinese) {
    const std::vector<ResourceFile::Entry> entries = s_file->List();
    ASSERT_FALSE(entries.empty());
    int manifests = 0;
    for (const ResourceFile::Entry& entry : entries) {
        const bool manifest = entry.type == L"#24";
        manifests += manifest;
        EXPECT_EQ(entry.language, manifest ? kEnglishUs : kChineseSimplified)
            << "type " << std::string(entry.type.begin(), entry.type.end()) << " name "
            << std::string(entry.name.begin(), entry.name.end());
    }
    EXPECT_EQ(manifests, 1);
}

TEST_F(VelmoraResources, IconGroupHoldsThirteenImages) {
    const Bytes data = Read(RT_GROUP_ICON, 128, kChineseSimplified);
    ASSERT_FALSE(data.empty());
    const std::vector<restest::GroupIconEntry> entries = restest::ParseGroupIcon(data);
    struct Image {
        int size;
        int bits;
    };
    const std::vector<Image> expected = {{48, 4},  {32, 4},  {24, 4},  {16, 4},  {48, 8},  {32, 8},  {24, 8},
                                         {16, 8},  {48, 32}, {32, 32}, {24, 32}, {16, 32}, {256, 32}};
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("image " + std::to_string(i + 1) + ": " + std::to_string(expected[i].size) + " px, " +
                     std::to_string(expected[i].bits) + " bits");
        const restest::GroupIconEntry& entry = entries[i];
        const int size = expected[i].size;
        const int bits = expected[i].bits;
        EXPECT_EQ(entry.width, size == 256 ? 0 : size);
        EXPECT_EQ(entry.height, size == 256 ? 0 : size);
        EXPECT_EQ(entry.colorCount, bits == 4 ? 16 : 0);
        EXPECT_EQ(entry.planes, 1);
        EXPECT_EQ(entry.bitCount, bits);

        const Bytes image = Read(RT_ICON, entry.id, kChineseSimplified);
        ASSERT_EQ(image.size(), entry.bytesInRes);
        static const std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        const bool png = image.size() > 33 && std::memcmp(image.data(), kPng, 8) == 0;
        if (size == 256) {
            ASSERT_TRUE(png);
            auto be32 = [&](std::size_t at) {
                return static_cast<DWORD>(image[at] << 24 | image[at + 1] << 16 | image[at + 2] << 8 | image[at + 3]);
            };
            EXPECT_EQ(std::string(image.begin() + 12, image.begin() + 16), "IHDR");
            EXPECT_EQ(be32(16), 256u);
            EXPECT_EQ(be32(20), 256u);
            EXPECT_EQ(image[24], 8);  // bits per channel
            EXPECT_EQ(image[25], 6);  // red, green, blue and alpha: 32 bits per pixel
        } else {
            ASSERT_FALSE(png);
            ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
            BITMAPINFOHEADER header;
            std::memcpy(&header, image.data(), sizeof header);
            EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER));
            EXPECT_EQ(header.biWidth, size);
            EXPECT_EQ(header.biHeight, 2 * size);  // colour image and mask
            EXPECT_EQ(header.biBitCount, bits);
            // The palette images carry their palette: 16 or 256 colours.
            const std::size_t paletteEntries = bits == 32 ? 0 : (header.biClrUsed ? header.biClrUsed : 1u << bits);
            EXPECT_EQ(paletteEntries, bits == 4 ? 16u : bits == 8 ? 256u : 0u);
            const std::size_t colorRow = ((size * bits + 31) / 32) * 4;
            const std::size_t maskRow = ((size + 31) / 32) * 4;
            EXPECT_EQ(image.size(), sizeof header + paletteEntries * 4 + (colorRow + maskRow) * size);
        }
    }
}
