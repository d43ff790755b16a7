#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <string>

#include "catalog/language_table.h"

namespace {

// Every unit after the terminator must be zero: the fields are compared as fixed arrays.
template <size_t N>
bool ZeroAfterText(const wchar_t (&field)[N]) {
    for (size_t i = std::wcslen(field); i < N; ++i)
        if (field[i] != L'\0') return false;
    return true;
}

TEST(LanguageTable, RowZeroStandsForAllEditions) {
    const LanguageEntry& all = g_languageTable[0];
    EXPECT_STREQ(all.displayName, L"All");
    EXPECT_STREQ(all.shortCode, L"ALL");
    EXPECT_STREQ(all.cultureFolder, L"");
    EXPECT_STREQ(all.lcid, L"");
}

TEST(LanguageTable, EditionsHaveFourDigitLcidsAndFiveCharacterCultures) {
    std::set<std::wstring> lcids;
    std::set<std::wstring> cultures;
    for (int row = kFirstEditionRow; row <= kLastEditionRow; ++row) {
        const LanguageEntry& entry = g_languageTable[row];
        SCOPED_TRACE(row);
        ASSERT_EQ(std::wcslen(entry.lcid), 4u);
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(entry.lcid[i] >= L'0' && entry.lcid[i] <= L'9');
        ASSERT_EQ(std::wcslen(entry.cultureFolder), 5u);
        EXPECT_EQ(entry.cultureFolder[2], L'-');
        EXPECT_EQ(std::wcslen(entry.shortCode), 3u);
        EXPECT_TRUE(ZeroAfterText(entry.displayName) && ZeroAfterText(entry.shortCode) &&
                    ZeroAfterText(entry.cultureFolder) && ZeroAfterText(entry.lcid));
        lcids.insert(entry.lcid);
        cultures.insert(entry.cultureFolder);
    }
    EXPECT_EQ(lcids.size(), 15u);
    EXPECT_EQ(cultures.size(), 15u);
}

// The rows whose values are easy to get wrong: the list's first and last entries, the
// edition whose name is spelled as the list shows it, the region kept in lower case, and
// the LCID that is not 10xx.
TEST(LanguageTable, RowsThatAreEasyToGetWrong) {
    EXPECT_STREQ(g_languageTable[1].displayName, L"English");
    EXPECT_STREQ(g_languageTable[2].displayName, L"Simplify Chinese");
    EXPECT_STREQ(g_languageTable[2].shortCode, L"CHS");
    EXPECT_STREQ(g_languageTable[6].lcid, L"3082");
    EXPECT_STREQ(g_languageTable[8].cultureFolder, L"hu-hu");
    EXPECT_STREQ(g_languageTable[15].displayName, L"Turkish");
    EXPECT_STREQ(g_languageTable[15].shortCode, L"TRK");
    EXPECT_EQ(std::wcslen(g_languageTable[3].displayName), 19u);  // "Traditional Chinese", the longest
}

}  // namespace
