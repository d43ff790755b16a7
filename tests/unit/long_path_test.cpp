#include <gtest/gtest.h>

#include "long_path.h"

using velmora::ExtendedLengthPath;
using velmora::JoinPath;

namespace {

TEST(ExtendedLengthPath, DrivePathsResolveAsWindowsResolvesPlainPaths) {
    EXPECT_EQ(ExtendedLengthPath(L"C:\\X\\en-US"), L"\\\\?\\C:\\X\\en-US");
    // A trailing backslash, or one doubled by a template, names the same folder.
    EXPECT_EQ(ExtendedLengthPath(L"C:\\X\\"), L"\\\\?\\C:\\X");
    EXPECT_EQ(ExtendedLengthPath(L"C:\\X\\\\en-US"), L"\\\\?\\C:\\X\\en-US");
    EXPECT_EQ(ExtendedLengthPath(L"C:\\X\\.\\Y\\..\\Z"), L"\\\\?\\C:\\X\\Z");
    EXPECT_EQ(ExtendedLengthPath(L"C:\\X.\\Y \\"), L"\\\\?\\C:\\X\\Y");
    EXPECT_EQ(ExtendedLengthPath(L"C:/X/Y"), L"\\\\?\\C:\\X\\Y");
    EXPECT_EQ(ExtendedLengthPath(L"C:\\"), L"\\\\?\\C:\\");
    EXPECT_EQ(ExtendedLengthPath(L"C:\\..\\.."), L"\\\\?\\C:\\");
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
