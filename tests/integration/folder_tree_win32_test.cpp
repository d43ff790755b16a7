#include <gtest/gtest.h>

#include "install_cleaner.h"
#include "test_folder.h"

using velmora::testenv::ScratchFolder;

namespace {

TEST(FolderTreeWin32, ThreeLevelsWithHiddenAndSystemFilesGo) {
    ScratchFolder scratch;
    scratch.MakeFile(L"T\\a.txt");
    scratch.MakeFile(L"T\\B\\hidden.txt", FILE_ATTRIBUTE_HIDDEN);
    scratch.MakeFile(L"T\\B\\C\\system.dat", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
    scratch.MakeFolder(L"T\\Empty");
    scratch.MakeFile(L"beside.txt");
    EXPECT_TRUE(CInstallCleaner().DeleteFolderTree(scratch.Plain() + L"\\T"));
    EXPECT_FALSE(scratch.Exists(L"T"));
    EXPECT_TRUE(scratch.Exists(L"beside.txt"));
}

TEST(FolderTreeWin32, ReadOnlyFileStaysWithItsAttribute) {
    ScratchFolder scratch;
    scratch.MakeFile(L"T\\B\\locked.txt", FILE_ATTRIBUTE_READONLY);
    scratch.MakeFile(L"T\\B\\other.txt");
    scratch.MakeFile(L"T\\C\\gone.txt");
    EXPECT_FALSE(CInstallCleaner().DeleteFolderTree(scratch.Plain() + L"\\T\\"));
    EXPECT_TRUE(scratch.Exists(L"T\\B\\locked.txt"));
    EXPECT_TRUE(scratch.Attributes(L"T\\B\\locked.txt") & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(scratch.Exists(L"T\\B\\other.txt"));
    EXPECT_FALSE(scratch.Exists(L"T\\C"));
}

TEST(FolderTreeWin32, FileHeldOpenWithoutDeleteSharingStays) {
    ScratchFolder scratch;
    scratch.MakeFile(L"T\\held.log");
    scratch.MakeFile(L"T\\Sub\\free.txt");
    HANDLE held = ::CreateFileW(scratch.Extended(L"T\\held.log").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(CInstallCleaner().DeleteFolderTree(scratch.Plain() + L"\\T"));
    ::CloseHandle(held);
    EXPECT_TRUE(scratch.Exists(L"T\\held.log"));
    EXPECT_FALSE(scratch.Exists(L"T\\Sub"));
}

TEST(FolderTreeWin32, TreeDeeperThan260CharactersGoesCompletely) {
    ScratchFolder scratch;
    std::wstring deep = L"T";
    for (int i = 0; i < 30; ++i) deep += L"\\UserDataCache-level-" + std::to_wstring(i);
    ASSERT_GT(scratch.Plain().size() + deep.size(), 600u);
    scratch.MakeFile(deep + L"\\bottom.bin");
    scratch.MakeFile(L"T\\top.bin");
    ASSERT_TRUE(scratch.Exists(deep + L"\\bottom.bin"));
    EXPECT_TRUE(CInstallCleaner().DeleteFolderTree(scratch.Plain() + L"\\T"));
    EXPECT_FALSE(scratch.Exists(L"T"));
}

TEST(FolderTreeWin32, NamesThatPlainPathsWouldShortenAreRemovedExactly) {
    ScratchFolder scratch;
    scratch.MakeFile(L"T\\...");
    scratch.MakeFile(L"T\\trailing.");
    scratch.MakeFile(L"T\\.x");
    scratch.MakeFile(L"T\\dots...\\inner.txt");
    scratch.MakeFile(L"trailing");  // what "trailing." would reach as a plain path
    ASSERT_TRUE(scratch.Exists(L"T\\..."));
    EXPECT_TRUE(CInstallCleaner().DeleteFolderTree(scratch.Plain() + L"\\T"));
    EXPECT_FALSE(scratch.Exists(L"T"));
    EXPECT_TRUE(scratch.Exists(L"trailing"));
}

TEST(FolderTreeWin32, MissingPathAndFilePathChangeNothing) {
    ScratchFolder scratch;
    scratch.MakeFile(L"file.txt");
    EXPECT_FALSE(CInstallCleaner().DeleteFolderTree(scratch.Plain() + L"\\missing"));
    EXPECT_FALSE(CInstallCleaner().DeleteFolderTree(scratch.Plain() + L"\\file.txt"));
    EXPECT_TRUE(scratch.Exists(L"file.txt"));
    EXPECT_TRUE(IsFolder(scratch.Plain()));
    EXPECT_FALSE(IsFolder(scratch.Plain() + L"\\file.txt"));
}

// The test command leaves a host symbolic link to a folder outside the tree, as a junction
// or folder symlink would stand on Windows; the walk must not reach through it.
TEST(FolderTreeWin32, LinkToAFolderIsNotFollowed) {
    const wchar_t* root = _wgetenv(L"VELMORA_LINK_FIXTURE");
    if (!root) GTEST_SKIP() << "the test command did not lay out the link fixture";
    const std::wstring tree = std::wstring(root) + L"\\" + velmora::testenv::PrefixKind();
    ASSERT_NE(::GetFileAttributesW((tree + L"\\target\\precious.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    const DWORD link = ::GetFileAttributesW((tree + L"\\doomed\\link").c_str());
    ASSERT_NE(link, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(link & FILE_ATTRIBUTE_REPARSE_POINT);

    CInstallCleaner().DeleteFolderTree(tree + L"\\doomed");
    EXPECT_NE(::GetFileAttributesW((tree + L"\\target\\precious.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(::GetFileAttributesW((tree + L"\\target\\sub\\deep.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(::GetFileAttributesW((tree + L"\\doomed\\plain.txt").c_str()), INVALID_FILE_ATTRIBUTES);

    // Handed the link itself, the walk removes at most the link.
    CInstallCleaner().DeleteFolderTree(tree + L"\\toplink");
    EXPECT_NE(::GetFileAttributesW((tree + L"\\target\\precious.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
