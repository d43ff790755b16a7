#include <gtest/gtest.h>

#include <algorithm>

#include "folders/held_folder.h"
#include "passes/install_cleaner.h"
#include "sim_windows.h"

using velmora::sim::Joined;
using velmora::sim::SimWindows;

namespace {

class FolderTreeTest : public testing::Test {
protected:
    BOOL Delete(const std::wstring& path) {
        windows.log.clear();
        windows.deletions.clear();
        return CInstallCleaner(windows).DeleteFolderTree(path);
    }
    // What the walk deletes (or tries to), in order: each entry through its own handle.
    const std::vector<std::wstring>& Removals() const { return windows.deletions; }

    SimWindows windows;
};

TEST_F(FolderTreeTest, EmptyFolderIsRemovedWithTheExactCalls) {
    windows.AddFolder(L"C:\\T");
    EXPECT_TRUE(Delete(L"C:\\T"));
    EXPECT_FALSE(windows.Exists(L"C:\\T"));
    EXPECT_EQ(Joined(windows.log), Joined({
                                       L"FindFirstFileW(\\\\?\\C:\\T) -> #f1",
                                       L"FindClose(#f1)",
                                       // Held, without delete sharing, as the link itself if it is one.
                                       L"CreateFileW(\\\\?\\C:\\T, 0x110081, 0x3, 0x3, 0x2200000) -> #h1",
                                       L"GetFileInformationByHandleEx(#h1, 9)",
                                       // Listed through its handle, and deleted through it.
                                       L"GetFileInformationByHandleEx(#h1, 11)",
                                       L"GetFileInformationByHandleEx(#h1, 10)",
                                       L"SetFileInformationByHandle(\\\\?\\C:\\T, 21)",
                                       L"SetFileInformationByHandle(\\\\?\\C:\\T, 4)",
                                       L"CloseHandle(#h1)",
                                   }));
}

TEST_F(FolderTreeTest, ThreeLevelsGoDepthFirstInListingOrder) {
    windows.AddFile(L"C:\\T\\a.txt");
    windows.AddFile(L"C:\\T\\B\\b.txt");
    windows.AddFile(L"C:\\T\\B\\C\\c.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    windows.AddFile(L"C:\\T\\z.txt");
    windows.AddFile(L"C:\\Other\\keep.txt");
    EXPECT_TRUE(Delete(L"C:\\T"));
    EXPECT_EQ(Joined(Removals()), Joined({
                                      L"\\\\?\\C:\\T\\a.txt",
                                      L"\\\\?\\C:\\T\\B\\b.txt",
                                      L"\\\\?\\C:\\T\\B\\C\\c.txt",
                                      L"\\\\?\\C:\\T\\B\\C",
                                      L"\\\\?\\C:\\T\\B",
                                      L"\\\\?\\C:\\T\\z.txt",
                                      L"\\\\?\\C:\\T",
                                  }));
    EXPECT_TRUE(windows.Exists(L"C:\\Other\\keep.txt"));
    EXPECT_EQ(windows.OpenHandleCount(), 0u);
}

TEST_F(FolderTreeTest, OnlyExactDotEntriesAreSkipped) {
    for (const wchar_t* name : {L"...", L".x", L"x.", L"..x", L"x "}) windows.AddFile(std::wstring(L"C:\\T\\") + name);
    windows.AddFolder(L"C:\\T\\.hidden-folder");
    windows.AddFile(L"C:\\T\\.hidden-folder\\f");
    EXPECT_TRUE(Delete(L"C:\\T"));
    EXPECT_FALSE(windows.Exists(L"C:\\T"));
    EXPECT_EQ(Removals().size(), 8u);
}

TEST_F(FolderTreeTest, AListingWithoutDotEntriesStillRemovesItsFirstEntry) {
    windows.AddFile(L"C:\\T\\first");
    windows.AddFile(L"C:\\T\\second");
    windows.SetListsDotEntries(L"C:\\T", false);
    EXPECT_TRUE(Delete(L"C:\\T"));
    EXPECT_EQ(Removals().front(), L"\\\\?\\C:\\T\\first");
}

TEST_F(FolderTreeTest, TrailingBackslashNamesTheSameFolder) {
    windows.AddFile(L"C:\\T\\a");
    EXPECT_TRUE(Delete(L"C:\\T\\"));
    EXPECT_FALSE(windows.Exists(L"C:\\T"));
    EXPECT_EQ(Removals().front(), L"\\\\?\\C:\\T\\a");
}

TEST_F(FolderTreeTest, ReadOnlyFileStaysWithItsFoldersAndAttributes) {
    windows.AddFile(L"C:\\T\\B\\locked.dat", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    windows.AddFile(L"C:\\T\\B\\other.dat");
    windows.AddFile(L"C:\\T\\C\\gone.dat");
    windows.AddFile(L"C:\\T-old\\keep.dat");  // sorts between "C:\T" and "C:\T\B"
    EXPECT_FALSE(Delete(L"C:\\T"));
    EXPECT_TRUE(windows.Exists(L"C:\\T-old\\keep.dat"));
    EXPECT_TRUE(windows.Exists(L"C:\\T\\B\\locked.dat"));
    EXPECT_EQ(windows.Attributes(L"C:\\T\\B\\locked.dat"), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_FALSE(windows.Exists(L"C:\\T\\B\\other.dat"));
    EXPECT_FALSE(windows.Exists(L"C:\\T\\C"));
    EXPECT_TRUE(windows.Exists(L"C:\\T\\B"));
}

TEST_F(FolderTreeTest, FileInUseStaysAndTheRestGoes) {
    windows.AddFile(L"C:\\T\\open.log");
    windows.SetInUse(L"C:\\T\\open.log");
    windows.AddFile(L"C:\\T\\B\\x");
    EXPECT_FALSE(Delete(L"C:\\T"));
    EXPECT_TRUE(windows.Exists(L"C:\\T\\open.log"));
    EXPECT_FALSE(windows.Exists(L"C:\\T\\B"));
}

// A file held by another program with delete sharing (a scanner, the indexer): its delete
// succeeds but it stays listed, so its folders cannot go. The walk asks once per entry,
// reports FALSE, keeps everything outside, leaves no listing open and ends.
TEST_F(FolderTreeTest, FileHeldWithDeleteSharingKeepsItsFoldersUntilReleased) {
    windows.AddFile(L"C:\\T\\scanned.dll");
    windows.AddFile(L"C:\\T\\B\\C\\indexed.txt");
    windows.AddFile(L"C:\\T\\B\\plain.txt");
    windows.AddFile(L"C:\\T2\\beside.txt");
    windows.AddFile(L"C:\\Precious\\p");
    windows.AddLink(L"C:\\T\\link", L"C:\\Precious");
    for (const wchar_t* held : {L"C:\\T\\scanned.dll", L"C:\\T\\B\\C\\indexed.txt"})
        windows.SetHeldWithDeleteSharing(held);

    EXPECT_FALSE(Delete(L"C:\\T"));
    EXPECT_EQ(windows.OpenHandleCount(), 0u);
    EXPECT_EQ(Joined(Removals()), Joined({
                                      L"\\\\?\\C:\\T\\scanned.dll",
                                      L"\\\\?\\C:\\T\\B\\C\\indexed.txt",
                                      L"\\\\?\\C:\\T\\B\\C",
                                      L"\\\\?\\C:\\T\\B\\plain.txt",
                                      L"\\\\?\\C:\\T\\B",
                                      L"\\\\?\\C:\\T\\link",
                                      L"\\\\?\\C:\\T",
                                  }));
    EXPECT_TRUE(windows.IsDeletePending(L"C:\\T\\scanned.dll"));
    EXPECT_TRUE(windows.Exists(L"C:\\T\\B\\C"));
    EXPECT_FALSE(windows.Exists(L"C:\\T\\B\\plain.txt"));
    EXPECT_FALSE(windows.Exists(L"C:\\T\\link"));
    EXPECT_TRUE(windows.Exists(L"C:\\Precious\\p"));
    EXPECT_TRUE(windows.Exists(L"C:\\T2\\beside.txt"));

    // A second run while the files are still held changes nothing and still ends.
    const auto before = windows.AllPaths();
    EXPECT_FALSE(Delete(L"C:\\T"));
    EXPECT_EQ(windows.AllPaths(), before);
    EXPECT_EQ(windows.OpenHandleCount(), 0u);

    // Once the holders close, the entries vanish and the emptied folders can go.
    windows.ReleaseHolder(L"C:\\T\\scanned.dll");
    windows.ReleaseHolder(L"C:\\T\\B\\C\\indexed.txt");
    EXPECT_TRUE(windows.Exists(L"C:\\T\\B\\C"));
    EXPECT_TRUE(Delete(L"C:\\T"));
    EXPECT_FALSE(windows.Exists(L"C:\\T"));
    EXPECT_TRUE(windows.Exists(L"C:\\T2\\beside.txt"));
}

TEST_F(FolderTreeTest, MissingPathAndFilePathChangeNothing) {
    windows.AddFile(L"C:\\file.txt");
    const auto before = windows.AllPaths();
    EXPECT_FALSE(Delete(L"C:\\missing"));
    EXPECT_FALSE(Delete(L"C:\\file.txt"));
    EXPECT_EQ(windows.AllPaths(), before);
    EXPECT_TRUE(Removals().empty());

    // Paths the walk cannot resolve as Windows would are not touched at all.
    windows.AddFile(L"C:\\X\\Y\\keep");
    windows.AddFile(L"C:\\X\\...\\Y\\keep");
    for (const wchar_t* path : {L"C:\\X\\...\\Y", L"relative\\X", L"\\\\.\\C:\\X\\Y", L"C:\\X\\Y\\nul"}) {
        EXPECT_FALSE(Delete(path));
        EXPECT_FALSE(IsFolder(path, windows));
        EXPECT_TRUE(windows.log.empty()) << windows.log.front().c_str();
    }
}

// A plain path reaches what Windows makes of it: an inner "X " keeps its space, so the
// walk removes "X \Y" and leaves its neighbour "X\Y" alone.
TEST_F(FolderTreeTest, PlainPathReachesTheFolderWindowsResolvesItTo) {
    windows.AddFile(L"C:\\X \\Y\\doomed");
    windows.AddFile(L"C:\\X\\Y\\keep");
    EXPECT_TRUE(Delete(L"C:\\X \\Y"));
    EXPECT_FALSE(windows.Exists(L"C:\\X \\Y"));
    EXPECT_TRUE(windows.Exists(L"C:\\X\\Y\\keep"));
    // The simulated system reads plain paths the same way.
    EXPECT_TRUE(IsFolder(L"C:\\X\\Y.", windows));
    EXPECT_FALSE(IsFolder(L"C:\\X\\Y \\", windows));
}

TEST_F(FolderTreeTest, UnlistableSubfolderStaysWithItsParent) {
    windows.AddFile(L"C:\\T\\Secret\\data");
    windows.SetUnlistable(L"C:\\T\\Secret");
    windows.AddFile(L"C:\\T\\plain");
    EXPECT_FALSE(Delete(L"C:\\T"));
    EXPECT_TRUE(windows.Exists(L"C:\\T\\Secret\\data"));
    EXPECT_FALSE(windows.Exists(L"C:\\T\\plain"));
    // The folder that cannot be listed keeps what is in it, so its deletion is refused.
    EXPECT_EQ(windows.ResultOf(L"x"), -1);
    EXPECT_EQ(Removals().front(), L"\\\\?\\C:\\T\\Secret");
}

TEST_F(FolderTreeTest, LinkInsideTheTreeIsRemovedAndItsTargetUntouched) {
    windows.AddFile(L"C:\\Precious\\a.doc");
    windows.AddFile(L"C:\\Precious\\Sub\\b.doc");
    windows.AddFile(L"C:\\T\\x");
    windows.AddLink(L"C:\\T\\link", L"C:\\Precious");
    EXPECT_TRUE(Delete(L"C:\\T"));
    EXPECT_FALSE(windows.Exists(L"C:\\T"));
    EXPECT_TRUE(windows.Exists(L"C:\\Precious\\a.doc"));
    EXPECT_TRUE(windows.Exists(L"C:\\Precious\\Sub\\b.doc"));
    for (const std::wstring& call : windows.log) EXPECT_EQ(call.find(L"link\\"), std::wstring::npos) << call;
}

TEST_F(FolderTreeTest, LinkNamedAsTheFolderIsRemovedItself) {
    windows.AddFile(L"C:\\Precious\\a.doc");
    windows.AddLink(L"C:\\T", L"C:\\Precious");
    EXPECT_TRUE(Delete(L"C:\\T"));
    EXPECT_FALSE(windows.Exists(L"C:\\T"));
    EXPECT_TRUE(windows.Exists(L"C:\\Precious\\a.doc"));
    EXPECT_TRUE(windows.Calls({L"NtCreateFile", L"SetFileInformationByHandle"}).empty());
}

// Another process swaps a folder for a link to C:\Precious while the walk runs: a listed
// folder between its listing and its open, the top folder between the look at its name and
// its hold, or a folder above the top one (where the file system lets a folder above open
// entries be renamed, as Wine's does). Or it empties a folder the walk holds and makes it a
// link where it stands. Nothing of C:\Precious goes: a swapped entry is left alone, a link
// in the top folder's place goes itself, and a held folder stays the folder it was, moved
// or emptied.
TEST_F(FolderTreeTest, FolderSwappedOrMadeALinkWhileTheWalkRunsLeadsNowhereElse) {
    struct Case {
        const char* what;
        const wchar_t* top;
        const wchar_t* swapBefore;  // the call before which the swap happens
        const wchar_t* swapped;
        bool inPlace, renamesAboveOpen;
        const wchar_t* removedBelow;  // what the walk still removes after the swap
        BOOL result;
    };
    const Case cases[] = {
        {"listed folder", L"C:\\T", L"NtCreateFile(#h1, B,", L"C:\\T\\B", false, false, nullptr, FALSE},
        {"top folder", L"C:\\T", L"CreateFileW(\\\\?\\C:\\T,", L"C:\\T", false, false, L"C:\\T", TRUE},
        {"folder above the top", L"C:\\Apps\\T", L"NtCreateFile(#h1, B,", L"C:\\Apps", false, true, L"C:\\MOVED\\T", TRUE},
        {"held folder made a link before its listing", L"C:\\T", L"GetFileInformationByHandleEx(#h3, 11)", L"C:\\T\\B",
         true, false, L"C:\\T", TRUE},
        {"held folder made a link after its listing", L"C:\\T", L"NtCreateFile(#h3, b.txt,", L"C:\\T\\B", true, false,
         L"C:\\T", TRUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimWindows w;
        w.SetRenamesAboveOpenEntries(c.renamesAboveOpen);
        const std::wstring top = c.top;
        w.AddFile(top + L"\\a.txt");
        w.AddFile(top + L"\\B\\b.txt");
        w.AddFile(top + L"\\B\\Sub\\c.txt");
        for (const wchar_t* file : {L"C:\\Precious\\a.doc", L"C:\\Precious\\b.txt", L"C:\\Precious\\B\\b.txt",
                                    L"C:\\Precious\\T\\B\\b.txt", L"C:\\Precious\\T\\B\\Sub\\c.txt"})
            w.AddFile(file);
        std::vector<std::wstring> atSwap;
        w.beforeCall = [&](const std::wstring& call) {
            if (!atSwap.empty() || call.rfind(c.swapBefore, 0) != 0) return;
            if (c.inPlace) {
                w.MakeLinkInPlace(c.swapped, L"C:\\Precious");
            } else {
                EXPECT_TRUE(w.Rename(c.swapped, L"C:\\Moved"));
                w.AddLink(c.swapped, L"C:\\Precious");
            }
            atSwap = w.AllPaths();
        };
        const BOOL result = CInstallCleaner(w).DeleteFolderTree(top);
        ASSERT_FALSE(atSwap.empty());
        std::vector<std::wstring> expected;
        for (const std::wstring& path : atSwap)
            if (!c.removedBelow || (path != c.removedBelow && path.rfind(std::wstring(c.removedBelow) + L"\\", 0) != 0))
                expected.push_back(path);
        EXPECT_EQ(w.AllPaths(), expected);
        EXPECT_TRUE(w.Exists(L"C:\\Precious\\T\\B\\Sub\\c.txt"));
        EXPECT_TRUE(w.Exists(L"C:\\Precious\\b.txt"));
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(w.OpenHandleCount(), 0u);
    }
}

// A folder is held from before its listing until just before its own removal: meanwhile
// neither it nor a folder above it can be renamed, so its path keeps naming it.
TEST_F(FolderTreeTest, FoldersBeingEmptiedCannotBeRenamed) {
    windows.AddFile(L"C:\\T\\B\\b.txt");
    std::vector<bool> renamed;
    windows.beforeCall = [&](const std::wstring& call) {
        if (call.rfind(L"SetFileInformationByHandle(\\\\?\\C:\\T\\B\\b.txt, 4", 0) != 0) return;
        renamed.push_back(windows.Rename(L"C:\\T\\B", L"C:\\B2"));
        renamed.push_back(windows.Rename(L"C:\\T", L"C:\\T2"));
    };
    EXPECT_TRUE(Delete(L"C:\\T"));
    EXPECT_EQ(renamed, (std::vector<bool>{false, false}));
    EXPECT_EQ(windows.AllPaths(), std::vector<std::wstring>{L"C:\\"});
}

TEST_F(FolderTreeTest, TreesDeeperThanAPlainPathAreRemovedCompletely) {
    std::wstring deep = L"C:\\T";
    for (int i = 0; i < 40; ++i) deep += L"\\level-" + std::to_wstring(i);
    ASSERT_GT(deep.size(), 300u);
    windows.AddFile(deep + L"\\bottom.dat");
    windows.AddFile(L"C:\\T\\top.dat");
    EXPECT_TRUE(Delete(L"C:\\T"));
    EXPECT_FALSE(windows.Exists(L"C:\\T"));
    EXPECT_EQ(windows.AllPaths(), std::vector<std::wstring>{L"C:\\"});
}

TEST_F(FolderTreeTest, IsFolderAsksWhetherAListingOpens) {
    windows.AddFile(L"C:\\T\\file");
    windows.AddFolder(L"C:\\T\\Locked");
    windows.SetUnlistable(L"C:\\T\\Locked");
    EXPECT_TRUE(IsFolder(L"C:\\T", windows));
    EXPECT_FALSE(IsFolder(L"C:\\T\\file", windows));
    EXPECT_FALSE(IsFolder(L"C:\\T\\missing", windows));
    EXPECT_FALSE(IsFolder(L"C:\\T\\Locked", windows));
    EXPECT_EQ(windows.OpenHandleCount(), 0u);
}

// Whatever single call fails, the walk goes on, leaves no listing open, keeps everything
// outside the folder, and reports exactly whether the folder is gone.
TEST_F(FolderTreeTest, AnySingleFailedCallLeavesNoHandleAndNothingOutsideTouched) {
    auto build = [](SimWindows& w) {
        w.AddFile(L"C:\\T\\a");
        w.AddFile(L"C:\\T\\B\\b", FILE_ATTRIBUTE_HIDDEN);
        w.AddFile(L"C:\\T\\B\\C\\c");
        w.AddFile(L"C:\\T\\...");
        w.AddFile(L"C:\\Precious\\p");
        w.AddLink(L"C:\\T\\B\\link", L"C:\\Precious");
        w.AddFile(L"C:\\Beside\\keep");
    };
    SimWindows baseline;
    build(baseline);
    ASSERT_TRUE(CInstallCleaner(baseline).DeleteFolderTree(L"C:\\T"));
    const size_t callCount = baseline.log.size();
    ASSERT_GT(callCount, 20u);

    for (size_t failing = 0; failing < callCount; ++failing) {
        SimWindows w;
        build(w);
        w.FailCallAt(failing);
        const BOOL removed = CInstallCleaner(w).DeleteFolderTree(L"C:\\T");
        SCOPED_TRACE(testing::Message() << "failing call " << failing);
        EXPECT_EQ(w.OpenHandleCount(), 0u);
        EXPECT_TRUE(w.Exists(L"C:\\Precious\\p"));
        EXPECT_TRUE(w.Exists(L"C:\\Beside\\keep"));
        EXPECT_EQ(removed != FALSE, !w.Exists(L"C:\\T"));
    }
}

}  // namespace
