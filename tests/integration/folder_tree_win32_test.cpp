#include <gtest/gtest.h>

#include <vector>

#include "install_cleaner.h"
#include "test_folder.h"

using velmora::testenv::ScratchFolder;

namespace {

// Renames a folder from another process, as anyone who may write in the product's folder
// could, and tells whether the folder moved.
bool RenameFromAnotherProcess(const std::wstring& from, const std::wstring& to) {
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(system) + L"\\cmd.exe\" /c move \"" + from + L"\" \"" + to + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                          &process))
        return false;
    ::WaitForSingleObject(process.hProcess, 30000);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return ::GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The real system, with a step of its own just before the walk lists the given folder:
// by then the walk holds that folder and every folder above it in the tree.
// The real system, except that its listings show links as plain folders.
class ListsLinksAsFolders : public velmora::RealWindows {
public:
    HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW findData) override {
        HANDLE listing = RealWindows::FindFirstFileW(pattern, findData);
        if (listing != INVALID_HANDLE_VALUE) Hide(*findData);
        return listing;
    }
    BOOL FindNextFileW(HANDLE listing, LPWIN32_FIND_DATAW findData) override {
        const BOOL found = RealWindows::FindNextFileW(listing, findData);
        if (found) Hide(*findData);
        return found;
    }
    int linksHidden = 0;

private:
    void Hide(WIN32_FIND_DATAW& entry) {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return;
        entry.dwFileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT);
        ++linksHidden;
    }
};

class RenameWhenListed : public velmora::RealWindows {
public:
    RenameWhenListed(std::wstring extended, std::vector<std::pair<std::wstring, std::wstring>> renames)
        : m_pattern(std::move(extended) + L"\\*.*"), m_renames(std::move(renames)) {}
    HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW findData) override {
        if (m_pattern == pattern)
            for (const auto& rename : m_renames) moved.push_back(RenameFromAnotherProcess(rename.first, rename.second));
        return RealWindows::FindFirstFileW(pattern, findData);
    }
    std::vector<bool> moved;

private:
    std::wstring m_pattern;
    std::vector<std::pair<std::wstring, std::wstring>> m_renames;
};

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

// While the walk empties a folder it holds it open without delete sharing, so another
// process can rename neither it nor the top folder above it.
TEST(FolderTreeWin32, FolderBeingEmptiedCannotBeRenamedByAnotherProcess) {
    ScratchFolder scratch;
    scratch.MakeFile(L"T\\B\\inner.txt");
    scratch.MakeFolder(L"Free");
    const std::wstring plain = scratch.Plain();
    // The rename itself works on a folder nobody holds.
    ASSERT_TRUE(RenameFromAnotherProcess(plain + L"\\Free", plain + L"\\Free-moved"));

    RenameWhenListed windows(scratch.Extended(L"T\\B"), {{plain + L"\\T\\B", plain + L"\\B-moved"},
                                                           {plain + L"\\T", plain + L"\\T-moved"}});
    EXPECT_TRUE(CInstallCleaner(windows).DeleteFolderTree(plain + L"\\T"));
    EXPECT_EQ(windows.moved, (std::vector<bool>{false, false}));
    EXPECT_FALSE(scratch.Exists(L"T"));
    EXPECT_FALSE(scratch.Exists(L"B-moved"));
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

    // Listed as a plain folder, as a folder swapped for a link after the listing would be,
    // the link is not followed either. Wine opens the host link's target even when asked for
    // the link itself, and reports a plain folder there; the walk still finds, from the
    // handle's final path, that the folder is not where it expects it.
    ListsLinksAsFolders windows;
    CInstallCleaner(windows).DeleteFolderTree(tree + L"\\doomed");
    EXPECT_GT(windows.linksHidden, 0);
    EXPECT_NE(::GetFileAttributesW((tree + L"\\target\\precious.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(::GetFileAttributesW((tree + L"\\target\\sub\\deep.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
