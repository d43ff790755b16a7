#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "catalog/text_format.h"

namespace {

TEST(Formatting, BoundedCutsAtTheCapacityAndSaysSo) {
    const std::wstring path(300, L'a');
    wchar_t buffer[MAX_PATH];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_FALSE(FormatBounded(buffer, MAX_PATH, L"%s\\*.*", {path.c_str()}));
    EXPECT_EQ(std::wstring(buffer), path.substr(0, 259));
    EXPECT_EQ(buffer[259], L'\0');
}

TEST(Formatting, BoundedWritesTextThatFitsWhole) {
    wchar_t buffer[12];
    EXPECT_TRUE(FormatBounded(buffer, 12, L"%s\\%s", {L"C:\\X", L"en-US"}));
    EXPECT_STREQ(buffer, L"C:\\X\\en-US");
    // Exactly capacity - 1 characters still fit with the terminator.
    EXPECT_TRUE(FormatBounded(buffer, 12, L"%s", {L"01234567890"}));
    EXPECT_FALSE(FormatBounded(buffer, 12, L"%s", {L"012345678901"}));
    EXPECT_STREQ(buffer, L"01234567890");
}

TEST(Formatting, TextSubstitutesInOrderAndKeepsPercentSigns) {
    EXPECT_EQ(FormatText(L"%s\\Support\\%s", {L"C:\\X\\", L"hu-hu"}), L"C:\\X\\\\Support\\hu-hu");
    EXPECT_EQ(FormatText(L"100%% %s", {L"done"}), L"100% done");
    EXPECT_EQ(FormatText(L"%s-%s", {L"only"}), L"only-");
}

}  // namespace
