#include <gtest/gtest.h>

#include "registry/registry_as_itself.h"

namespace {

// The walk goes through a link above a key only where it is Windows's own
// Wow6432Node\Classes link holding its own target; a forged target, a link of that name in
// another place, or anything else stops it.
TEST(RegistryAsItself, GoesThroughWindowsOwnLinkOnlyWithItsOwnTarget) {
    const std::wstring name = L"\\REGISTRY\\MACHINE\\SOFTWARE\\Wow6432Node\\Classes";
    const std::wstring target = L"\\REGISTRY\\MACHINE\\SOFTWARE\\Classes\\Wow6432Node";
    const struct { std::wstring name, target, through; } rows[] = {
        {name, target, L"SOFTWARE\\Classes\\Wow6432Node"},
        {L"\\Registry\\Machine\\Software\\WOW6432NODE\\classes", L"\\registry\\machine\\software\\classes\\wow6432node",
         L"SOFTWARE\\Classes\\Wow6432Node"},
        {name, L"\\Registry\\Machine\\Software\\VelmoraBystander", L""},
        {name, target + L"\\Installer", L""},
        {name, L"", L""},
        {L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001\\Software\\Wow6432Node\\Classes", target, L""},
        {name + L"2", target, L""},
        {L"", target, L""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(velmora::ThroughSystemLink(row.name, row.target), row.through)
            << std::string(row.name.begin(), row.name.end()) << " -> " << std::string(row.target.begin(), row.target.end());
}

}  // namespace
