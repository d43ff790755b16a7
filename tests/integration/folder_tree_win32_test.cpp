#include <gtest/gtest.h>

#include <vector>

#include "catalog/product_codes.h"
#include "folders/held_folder.h"
#include "passes/install_cleaner.h"
#include "test_folder.h"
#include "windows/real_windows.h"

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

// The real system, except that its listings show links as plain folders, each with an ID of
// its own, as a folder swapped for a link after the listing would show (Wine lists a Unix
// link with its target's ID).
class ListsLinksAsFolders : public velmora::RealWindows {
public:
    BOOL GetFileInformationByHandleEx(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass, LPVOID info,
                                      DWORD size) override {
        const BOOL listed = RealWindows::GetFileInformationByHandleEx(file, infoClass, info, size);
        if (!listed || (infoClass != FileIdBothDirectoryRestartInfo && infoClass != FileIdBothDirectoryInfo)) return listed;
        for (auto* entry = static_cast<FILE_ID_BOTH_DIR_INFO*>(info);;
             entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(reinterpret_cast<BYTE*>(entry) + entry->NextEntryOffset)) {
            if (entry->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                entry->FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT);
                entry->FileId.QuadPart = ~entry->FileId.QuadPart;
                ++linksHidden;
            }
            if (!entry->NextEntryOffset) return listed;
        }
    }
    int linksHidden = 0;
};

// The real system, with a step of its own just after the walk opens the entry named "B":
// by then the walk holds that folder and every folder above it in the tree.
class RenameWhenOpened : public velmora::RealWindows {
public:
    explicit RenameWhenOpened(std::vector<std::pair<std::wstring, std::wstring>> renames) : m_renames(std::move(renames)) {}
    NTSTATUS NtCreateFile(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, PIO_STATUS_BLOCK status,
                          PLARGE_INTEGER allocationSize, ULONG fileAttributes, ULONG share, ULONG disposition,
                          ULONG options, PVOID eaBuffer, ULONG eaLength) override {
        const NTSTATUS opened = RealWindows::NtCreateFile(file, access, attributes, status, allocationSize, fileAttributes,
                                                          share, disposition, options, eaBuffer, eaLength);
        if (std::wstring(attributes->ObjectName->Buffer, attributes->ObjectName->Length / sizeof(wchar_t)) == L"B")
            for (const auto& rename : m_renames) moved.push_back(RenameFromAnotherProcess(rename.first, rename.second));
        return opened;
    }
    std::vector<bool> moved;

private:
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

    RenameWhenOpened windows({{plain + L"\\T\\B", plain + L"\\B-moved"}, {plain + L"\\T", plain + L"\\T-moved"}});
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

// The link fixture (make-link-fixture.sh) is host symbolic links and drive letters laid out
// from outside the Wine prefix, standing in for junctions, which Wine cannot make.
const char* const kNoLinkFixture = "the test command did not lay out the link fixture in its Wine prefix";

// The test command leaves a host symbolic link to a folder outside the tree, as a junction
// or folder symlink would stand on Windows; the walk must not reach through it.
TEST(FolderTreeWin32, LinkToAFolderIsNotFollowed) {
    const wchar_t* root = _wgetenv(L"VELMORA_LINK_FIXTURE");
    if (!root) GTEST_SKIP() << kNoLinkFixture;
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
    // opened file's ID, that it is not the entry listed.
    ListsLinksAsFolders windows;
    CInstallCleaner(windows).DeleteFolderTree(tree + L"\\doomed");
    EXPECT_GT(windows.linksHidden, 0);
    EXPECT_NE(::GetFileAttributesW((tree + L"\\target\\precious.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(::GetFileAttributesW((tree + L"\\target\\sub\\deep.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The shared pass with its install location named through drive letters the test command
// maps: W: onto the profile, so that "W:\Desktop" is the Desktop, which stays with a file in
// it; V: onto an ordinary folder, where a real install folder goes.
TEST(FolderTreeWin32, SharedPassJudgesAnInstallLocationWhereItReallyIs) {
    if (!_wgetenv(L"VELMORA_LINK_FIXTURE")) GTEST_SKIP() << kNoLinkFixture;
    const BOOL is64 = velmora::testenv::PrefixKind() == L"pfx64";
    const std::wstring key = velmora::KeyPath(velmora::kUninstallKey, velmora::ChoosePathForm(is64, TRUE),
                                              velmora::kFirstSharedProductCode);
    wchar_t profile[MAX_PATH] = {};
    ASSERT_GT(::GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH), 0u);
    const std::wstring keep = std::wstring(profile) + L"\\Desktop\\velmora-keep.txt";
    struct Case {
        const wchar_t* location;
        std::wstring file;
        bool removed;
    };
    for (const Case& c : {Case{L"W:\\Desktop", keep, false}, Case{L"V:\\VARNO 2017", L"V:\\VARNO 2017\\bin\\varno.exe", true}}) {
        const std::wstring folder = c.file.substr(0, c.file.find_last_of(L'\\'));
        ::CreateDirectoryW(L"V:\\VARNO 2017", nullptr);
        ::CreateDirectoryW(folder.c_str(), nullptr);
        // A new file, never one that was there: the case deletes only what it made.
        HANDLE made = ::CreateFileW(c.file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(made, INVALID_HANDLE_VALUE) << "a file of that name is there already";
        ::CloseHandle(made);
        velmora::testenv::MadeKeys keys;
        ASSERT_TRUE(keys.Make(HKEY_LOCAL_MACHINE, key, velmora::ViewFlag(is64)));
        HKEY uninstall = nullptr;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE | velmora::ViewFlag(is64), &uninstall),
                  ERROR_SUCCESS);
        ::RegSetValueExW(uninstall, L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.location),
                         static_cast<DWORD>((wcslen(c.location) + 1) * sizeof(wchar_t)));
        ::RegCloseKey(uninstall);
        CInstallCleaner cleaner;
        cleaner.m_bIs64BitSystem = is64;
        cleaner.CleanShared(TRUE);
        SCOPED_TRACE(testing::Message() << std::string(c.location, c.location + wcslen(c.location)));
        EXPECT_EQ(::GetFileAttributesW(c.file.c_str()) == INVALID_FILE_ATTRIBUTES, c.removed);
        EXPECT_EQ(::GetFileAttributesW(c.location) == INVALID_FILE_ATTRIBUTES, c.removed);
    }
    ::DeleteFileW(keep.c_str());
}

}  // namespace
