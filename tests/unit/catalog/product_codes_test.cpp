#include <gtest/gtest.h>

#include <set>

#include "catalog/language_table.h"
#include "catalog/product_codes.h"
#include "system/system_services.h"

using namespace velmora;

namespace {

TEST(ProductCodes, EnglishEditionDerivations) {
    const LanguageEntry& english = g_languageTable[1];
    EXPECT_EQ(EditionProductCode(english), L"5E3B9D14-A001-1033-A101-C3E1F06A7B52");
    EXPECT_EQ(EditionPackedCode(english), L"41D9B3E5100A33011A103C1E0FA6B725");
    EXPECT_EQ(KeyPath(kUninstallKey, PathForm::Plain, EditionProductCode(english).c_str()),
              L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{5E3B9D14-A001-1033-A101-C3E1F06A7B52}");
    EXPECT_EQ(InstallerProductsKeyPath(EditionPackedCode(english).c_str()),
              L"Installer\\Products\\41D9B3E5100A33011A103C1E0FA6B725");
    EXPECT_EQ(KeyPath(kVendorLanguageKey, PathForm::Plain, english.cultureFolder), L"Software\\TORVEN\\VARNO\\2017\\en-US");
}

TEST(ProductCodes, EveryEditionsPackedCodeFollowsThePackingRule) {
    std::set<std::wstring> packed;
    for (int row = kFirstEditionRow; row <= kLastEditionRow; ++row) {
        const LanguageEntry& entry = g_languageTable[row];
        SCOPED_TRACE(entry.cultureFolder);
        const std::wstring code = EditionProductCode(entry);
        ASSERT_EQ(code.size(), 36u);
        EXPECT_EQ(EditionPackedCode(entry), PackProductCode(code));
        EXPECT_EQ(EditionPackedCode(entry).size(), 32u);
        packed.insert(EditionPackedCode(entry));
    }
    EXPECT_EQ(packed.size(), 15u);
    EXPECT_EQ(EditionProductCode(g_languageTable[6]), L"5E3B9D14-A001-3082-A101-C3E1F06A7B52");
}

TEST(ProductCodes, PackingRuleReversesThreeGroupsAndSwapsPairs) {
    // A code with no repeated characters inside a group shows every move of the rule.
    EXPECT_EQ(PackProductCode(L"{01234567-89AB-CDEF-0123-456789ABCDEF}"), L"76543210BA98FEDC1032547698BADCFE");
    EXPECT_EQ(PackProductCode(L"not a code"), L"");
}

TEST(ProductCodes, SharedProductsHaveTheirOwnPackedCodes) {
    EXPECT_EQ(PackProductCode(kFirstSharedProductCode), kFirstSharedPackedCode);
    EXPECT_EQ(std::wstring(kFirstSharedPackedCode), L"41D9B3E5100A00000A103C1E0FA6B725");
    EXPECT_EQ(PackProductCode(kSecondSharedProductCode), L"41D9B3E5100A00002A003C1E0FA6B725");
}

TEST(ProductCodes, PathFormAndViewMatrix) {
    struct Case {
        BOOL is64;
        BOOL use32;
        PathForm form;
        REGSAM view, query, full;
    };
    const Case cases[] = {
        {FALSE, TRUE, PathForm::Plain, 0x200, 0x201, 0xF023F},
        {FALSE, FALSE, PathForm::Plain, 0x200, 0x201, 0xF023F},
        {TRUE, FALSE, PathForm::Plain, 0x100, 0x101, 0xF013F},
        {TRUE, TRUE, PathForm::Wow6432Node, 0x100, 0x101, 0xF013F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "is64=" << c.is64 << " use32=" << c.use32);
        EXPECT_EQ(ChoosePathForm(c.is64, c.use32), c.form);
        EXPECT_EQ(ViewFlag(c.is64), c.view);
        EXPECT_EQ(QueryAccess(c.is64), c.query);
        EXPECT_EQ(FullAccess(c.is64), c.full);
    }
}

TEST(ProductCodes, Wow6432NodeFormsPutTheNodeSecond) {
    const wchar_t* packed = L"41D9B3E5100A33011A103C1E0FA6B725";
    EXPECT_EQ(KeyPath(kMachineProductsKey, PathForm::Wow6432Node, packed),
              L"SOFTWARE\\Wow6432Node\\Classes\\Installer\\Products\\41D9B3E5100A33011A103C1E0FA6B725");
    EXPECT_EQ(KeyPath(kMachineProductsKey, PathForm::Plain, packed),
              L"SOFTWARE\\Classes\\Installer\\Products\\41D9B3E5100A33011A103C1E0FA6B725");
    EXPECT_EQ(KeyPath(kVendorVersionKey, PathForm::Wow6432Node, nullptr), L"Software\\Wow6432Node\\TORVEN\\VARNO\\2017");
    EXPECT_EQ(KeyPath(kVendorLanguageKey, PathForm::Wow6432Node, L"hu-hu"),
              L"Software\\Wow6432Node\\TORVEN\\VARNO\\2017\\hu-hu");
}

TEST(ProductCodes, UninstallCommand) {
    EXPECT_EQ(UninstallProgram(L"C:\\Windows\\system32"), L"C:\\Windows\\system32\\msiexec.exe");
    EXPECT_EQ(UninstallParameters(L"5E3B9D14-A001-0000-A001-C3E1F06A7B52"),
              L"/x {5E3B9D14-A001-0000-A001-C3E1F06A7B52} /quiet /passive /norestart keepuserdata=yes");
}

}  // namespace
