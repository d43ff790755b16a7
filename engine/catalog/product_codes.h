// Every product code, registry location, folder name and command line through which the
// engine finds and removes VARNO 2017. Pure data and derivation: no system calls here.
#pragma once

#include <string>
#include <vector>

#include "catalog/language_table.h"
#include "windows_api.h"

namespace velmora {

inline constexpr wchar_t kEditionProductCodeTemplate[] = L"5E3B9D14-A001-%s-A101-C3E1F06A7B52";
inline constexpr wchar_t kEditionPackedCodeTemplate[] = L"41D9B3E5100A%s1A103C1E0FA6B725";

inline constexpr wchar_t kFirstSharedProductCode[] = L"5E3B9D14-A001-0000-A001-C3E1F06A7B52";
inline constexpr wchar_t kFirstSharedPackedCode[] = L"41D9B3E5100A00000A103C1E0FA6B725";
inline constexpr wchar_t kSecondSharedProductCode[] = L"5E3B9D14-A001-0000-A200-C3E1F06A7B52";

// A registry key template in its two forms; the Wow6432Node form puts "Wow6432Node" second.
struct KeyTemplate {
    const wchar_t* plain;
    const wchar_t* wow6432Node;
};

inline constexpr KeyTemplate kUninstallKey{
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{%s}",
    L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{%s}"};
inline constexpr KeyTemplate kMachineProductsKey{
    L"SOFTWARE\\Classes\\Installer\\Products\\%s",
    L"SOFTWARE\\Wow6432Node\\Classes\\Installer\\Products\\%s"};
// The classes products key under HKEY_CLASSES_ROOT has one form only.
inline constexpr wchar_t kClassesProductsKey[] = L"Installer\\Products\\%s";
inline constexpr KeyTemplate kVendorLanguageKey{
    L"Software\\TORVEN\\VARNO\\2017\\%s",
    L"Software\\Wow6432Node\\TORVEN\\VARNO\\2017\\%s"};
inline constexpr KeyTemplate kVendorVersionKey{
    L"Software\\TORVEN\\VARNO\\2017",
    L"Software\\Wow6432Node\\TORVEN\\VARNO\\2017"};

inline constexpr wchar_t kInstallLocationValue[] = L"InstallLocation";

inline constexpr wchar_t kLanguageFolder[] = L"%s\\%s";
inline constexpr wchar_t kLanguageSupportFolder[] = L"%s\\Support\\%s";
inline constexpr wchar_t kLanguageCacheFolder[] = L"%s\\UserDataCache\\%s";

inline constexpr wchar_t kUninstallProgram[] = L"%s\\msiexec.exe";
inline constexpr wchar_t kUninstallParameters[] = L"/x {%s} /quiet /passive /norestart keepuserdata=yes";

enum class PathForm { Plain, Wow6432Node };

// The Wow6432Node form only when a 64-bit system and the 32-bit installation are both chosen.
PathForm ChoosePathForm(BOOL is64BitSystem, BOOL use32BitView);

// KEY_WOW64_64KEY on a 64-bit system, else KEY_WOW64_32KEY; independent of the user's choice,
// so on a 64-bit system an explicit Wow6432Node path is opened through the 64-bit view.
REGSAM ViewFlag(BOOL is64BitSystem);
REGSAM QueryAccess(BOOL is64BitSystem);  // KEY_QUERY_VALUE with the view flag
REGSAM FullAccess(BOOL is64BitSystem);   // KEY_ALL_ACCESS with the view flag

std::wstring KeyPath(const KeyTemplate& keyTemplate, PathForm form, const wchar_t* fill);

std::wstring EditionProductCode(const LanguageEntry& row);
std::wstring EditionPackedCode(const LanguageEntry& row);

// Windows Installer's packed form of a product code: G1, G2, G3 reversed, then G4 and G5 with
// each pair of characters swapped; hyphens and braces dropped. Empty for a malformed code.
std::wstring PackProductCode(const std::wstring& productCode);

// The packed codes of every product a cleanup removes: the fifteen editions, then the two
// shared products.
std::vector<std::wstring> EveryPackedCode();

std::wstring UninstallProgram(const wchar_t* systemFolder);
std::wstring UninstallParameters(const wchar_t* productCode);

}  // namespace velmora
