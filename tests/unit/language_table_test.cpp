#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <string>

#include "language_table.h"

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

TEST(LanguageTable, RowsStandInTheirFixedOrder) {
    const wchar_t* expected[kLanguageRowCount][4] = {
        {L"All", L"ALL", L"", L""},
        {L"English", L"ENU", L"en-US", L"1033"},
        {L"Simplify Chinese", L"CHS", L"zh-CN", L"2052"},
        {L"Traditional Chinese", L"CHT", L"zh-TW", L"1028"},
        {L"Czech", L"CSY", L"cs-CZ", L"1029"},
        {L"German", L"DEU", L"de-DE", L"1031"},
        {L"Spanish", L"ESN", L"es-ES", L"3082"},
        {L"French", L"FRA", L"fr-FR", L"1036"},
        {L"Hungarian", L"HUN", L"hu-hu", L"1038"},
        {L"Italian", L"ITA", L"it-IT", L"1040"},
        {L"Japanese", L"JPN", L"ja-JP", L"1041"},
        {L"Korean", L"KOR", L"ko-KR", L"1042"},
        {L"Polish", L"PLK", L"pl-PL", L"1045"},
        {L"Portuguese", L"PTB", L"pt-BR", L"1046"},
        {L"Russian", L"RUS", L"ru-RU", L"1049"},
        {L"Turkish", L"TRK", L"tr-TR", L"1055"},
    };
    for (int row = 0; row < kLanguageRowCount; ++row) {
        SCOPED_TRACE(row);
        EXPECT_STREQ(g_languageTable[row].displayName, expected[row][0]);
        EXPECT_STREQ(g_languageTable[row].shortCode, expected[row][1]);
        EXPECT_STREQ(g_languageTable[row].cultureFolder, expected[row][2]);
        EXPECT_STREQ(g_languageTable[row].lcid, expected[row][3]);
    }
}

}  // namespace
