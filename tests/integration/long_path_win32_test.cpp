// The walk's own reading of a plain path against the system's: for every path of a corpus
// of awkward ones that the resolver accepts, GetFullPathNameW must give the same text.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "folders/long_path.h"

using velmora::ExtendedLengthPath;
using velmora::ResolvePlainPath;

namespace {

std::wstring SystemFullPath(const std::wstring& path) {
    std::wstring full(32768, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    full.resize(length < full.size() ? length : 0);
    return full;
}

// Roots (drive, UNC, and forms the resolver must refuse) followed by two or three
// components from a pool of names that plain path parsing treats specially, joined by
// single, doubled and forward separators, with and without a separator at the end.
std::vector<std::wstring> AwkwardPaths() {
    const wchar_t* roots[] = {L"C:\\",          L"c:/",          L"C:\\\\",        L"\\\\srv\\share\\",
                              L"//srv/share/",   L"\\\\srv\\share", L"\\\\srv\\\\share\\", L"\\\\.\\C:\\"};
    const wchar_t* names[] = {L"a",  L"b c", L"x.",  L"y..", L"z ",   L"w. ", L"...", L"..",
                              L".",  L"....", L" ",  L".e",  L"d. .", L"con", L"nul.txt", L"..  "};
    const wchar_t* separators[] = {L"\\", L"/", L"\\\\"};
    const wchar_t* endings[] = {L"", L"\\", L".", L" ", L"/"};
    std::vector<std::wstring> paths;
    size_t turn = 0;
    for (const wchar_t* root : roots)
        for (const wchar_t* first : names)
            for (const wchar_t* second : names) {
                const wchar_t* separator = separators[turn % 3];
                const wchar_t* ending = endings[turn % 5];
                ++turn;
                paths.push_back(std::wstring(root) + first + separator + second + ending);
                if (turn % 4 == 0) paths.push_back(std::wstring(root) + first + L"\\" + second + L"\\" + names[turn % 16]);
            }
    return paths;
}

TEST(PlainPathResolutionWin32, AgreesWithGetFullPathNameForEveryAcceptedPath) {
    size_t accepted = 0;
    const std::vector<std::wstring> paths = AwkwardPaths();
    for (const std::wstring& path : paths) {
        const std::wstring resolved = ResolvePlainPath(path);
        if (resolved.empty()) continue;
        ++accepted;
        const std::wstring system = SystemFullPath(path);
        EXPECT_EQ(resolved, system) << "for " << std::string(path.begin(), path.end());
        // The walk's extended form names the same folder: the system's text without a
        // trailing separator.
        std::wstring expected = system;
        if (expected.size() > 3 && expected.back() == L'\\') expected.pop_back();
        expected = expected[1] == L':' ? L"\\\\?\\" + expected : L"\\\\?\\UNC\\" + expected.substr(2);
        EXPECT_EQ(ExtendedLengthPath(path), expected) << "for " << std::string(path.begin(), path.end());
    }
    RecordProperty("corpus", static_cast<int>(paths.size()));
    RecordProperty("accepted", static_cast<int>(accepted));
    std::printf("corpus %lu paths, %lu accepted and equal to GetFullPathNameW's\n", static_cast<unsigned long>(paths.size()),
                static_cast<unsigned long>(accepted));
    EXPECT_GT(paths.size(), 2000u);
    EXPECT_GT(accepted, paths.size() / 2);
}

}  // namespace
