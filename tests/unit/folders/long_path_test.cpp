#include <gtest/gtest.h>

#include <cwchar>

#include "folders/long_path.h"

using velmora::ExtendedLengthPath;
using velmora::JoinPath;
using velmora::ResolvePlainPath;

namespace {

TEST(ExtendedLengthPath, DrivePathsResolveAsWindowsResolvesPlainPaths) {
    EXPECT_EQ(ExtendedLengthPath(L"C:\\X\\en-US"), L"\\\\?\\C:\\X\\en-US");
    // A trailing backslash, or one doubled by a template, names the same folder.
    EXPECT_EQ(ExtendedLengthPath(L"C:\\X\\"), L"\\\\?\\C:\\X");
    EXPECT_EQ(ExtendedLengthPath(L"C:\\X\\\\en-US"), L"\\\\?\\C:\\X\\en-US");
    EXPECT_EQ(ExtendedLengthPath(L"C:\\X\\.\\Y\\..\\Z"), L"\\\\?\\C:\\X\\Z");
    // An inner component loses one trailing period, never a space.
    EXPECT_EQ(ExtendedLengthPath(L"C:\\X.\\Y \\"), L"\\\\?\\C:\\X\\Y ");
    EXPECT_EQ(ExtendedLengthPath(L"C:/X/Y"), L"\\\\?\\C:\\X\\Y");
    EXPECT_EQ(ExtendedLengthPath(L"C:\\"), L"\\\\?\\C:\\");
    EXPECT_EQ(ExtendedLengthPath(L"C:\\..\\.."), L"\\\\?\\C:\\");
}

// What GetFullPathNameW gives; the integration tests compare the two over a corpus.
TEST(ResolvePlainPath, ResolvesAsWindowsDoesOrRefuses) {
    struct Case {
        const wchar_t* path;
        const wchar_t* resolved;  // empty: refused
    };
    const Case cases[] = {
        // Trailing dots and spaces go only from the last component, and only when the
        // path does not end in a separator; an inner component loses one period at most.
        {L"C:\\X \\Y", L"C:\\X \\Y"},
        {L"C:\\X\\Y. .", L"C:\\X\\Y"},
        {L"C:\\X\\Y. \\", L"C:\\X\\Y. \\"},
        {L"C:\\X..\\Y", L"C:\\X.\\Y"},
        {L"C:\\X\\...", L"C:\\X\\"},
        {L"C:\\X\\....\\Y", L"C:\\X\\...\\Y"},
        // Whatever ends the path after ".." or "." is trimmed as the last component.
        {L"C:\\a \\b\\..", L"C:\\a"},
        {L"C:\\a \\b\\..\\", L"C:\\a \\"},
        {L"C:\\a\\.", L"C:\\a"},
        {L"c:/a//b/", L"c:\\a\\b\\"},
        {L"\\\\srv\\share", L"\\\\srv\\share"},
        {L"\\\\srv\\share\\a\\..\\..", L"\\\\srv\\share\\"},
        // An inner "..." stays as the name "..", which nothing can be called.
        {L"C:\\X\\...\\Y", L""},
        // A device, not a folder, when it ends the path.
        {L"C:\\X\\con", L""},
        {L"C:\\X\\Nul.txt ", L""},
        {L"C:\\con\\X", L"C:\\con\\X"},
        // Not a fully qualified plain path, or an unusual server or share.
        {L"X\\Y", L""},
        {L"C:X", L""},
        {L"\\\\.\\C:\\X", L""},
        {L"\\\\?\\C:\\X", L""},
        {L"\\\\srv\\\\share", L""},
        {L"\\\\srv\\share.\\X", L""},
        {L"\\\\srv\\share\\\\X", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolvePlainPath(c.path), c.resolved) << std::string(c.path, c.path + wcslen(c.path));
}

TEST(ExtendedLengthPath, UncPathsKeepServerAndShare) {
    EXPECT_EQ(ExtendedLengthPath(L"\\\\srv\\share\\VARNO\\"), L"\\\\?\\UNC\\srv\\share\\VARNO");
    EXPECT_EQ(ExtendedLengthPath(L"\\\\srv\\share\\a\\..\\..\\b"), L"\\\\?\\UNC\\srv\\share\\b");
}

TEST(ExtendedLengthPath, OtherFormsStayAsGiven) {
    EXPECT_EQ(ExtendedLengthPath(L"\\\\?\\C:\\X\\..."), L"\\\\?\\C:\\X\\...");
    EXPECT_EQ(ExtendedLengthPath(L"\\\\.\\PhysicalDrive0"), L"\\\\.\\PhysicalDrive0");
    EXPECT_EQ(ExtendedLengthPath(L"relative\\dir"), L"relative\\dir");
    EXPECT_EQ(ExtendedLengthPath(L"\\\\srv"), L"\\\\srv");
}

TEST(ExtendedLengthPath, LongPathsAreNotCut) {
    std::wstring deep = L"C:\\X";
    for (int i = 0; i < 60; ++i) deep += L"\\folder" + std::to_wstring(i);
    ASSERT_GT(deep.size(), 500u);
    EXPECT_EQ(ExtendedLengthPath(deep), L"\\\\?\\" + deep);
}

TEST(JoinPath, AddsExactlyOneSeparator) {
    EXPECT_EQ(JoinPath(L"\\\\?\\C:\\X", L"..."), L"\\\\?\\C:\\X\\...");
    EXPECT_EQ(JoinPath(L"\\\\?\\C:\\", L"*.*"), L"\\\\?\\C:\\*.*");
}

}  // namespace
