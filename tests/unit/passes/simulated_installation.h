// A VARNO 2017 installation laid into the simulated Windows, as the Windows Installer and
// the product leave it: uninstall entries, product registrations, vendor keys and folders.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "catalog/language_table.h"
#include "catalog/product_codes.h"
#include "sim_windows.h"
#include "system/system_services.h"

namespace velmora::sim {

// The pass tests run twice: with a handle's children found in the handle's view, and with
// them found in the calling process's view (the pessimistic Windows). Both must end alike.
inline auto BothChildResolutions() {
    return testing::Values(HandleChildren::InHandleView, HandleChildren::InProcessView);
}
inline void PrintTo(HandleChildren children, std::ostream* out) {
    *out << (children == HandleChildren::InHandleView ? "children in the handle's view" : "children in the process's view");
}
inline std::string ChildResolutionName(const testing::TestParamInfo<HandleChildren>& info) {
    return info.param == HandleChildren::InHandleView ? "ChildrenInHandleView" : "ChildrenInProcessView";
}

// Where a 32-bit product's machine keys live: below Wow6432Node on a 64-bit system.
inline std::wstring MachineSoftware(bool wow) { return wow ? L"SOFTWARE\\Wow6432Node" : L"SOFTWARE"; }

// Where Windows Installer registers a per-machine product, for 32-bit and 64-bit packages
// alike: the shared HKLM\SOFTWARE\Classes, which HKCR shows.
inline std::wstring MachineProductKey(const std::wstring& packed) {
    return L"SOFTWARE\\Classes\\Installer\\Products\\" + packed;
}

inline void InstallEdition(SimWindows& w, int row, bool wow, const std::wstring& location) {
    const LanguageEntry& entry = g_languageTable[row];
    const std::wstring code = EditionProductCode(entry);
    const std::wstring packed = EditionPackedCode(entry);
    const std::wstring soft = MachineSoftware(wow);
    w.SetString(HKEY_LOCAL_MACHINE, soft + L"\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{" + code + L"}",
                L"InstallLocation", location);
    w.AddKey(HKEY_LOCAL_MACHINE, MachineProductKey(packed) + L"\\SourceList");
    w.AddKey(HKEY_LOCAL_MACHINE, MachineProductKey(packed) + L"\\Features");
    const std::wstring vendor = soft + L"\\TORVEN\\VARNO\\2017\\" + entry.cultureFolder;
    w.SetString(HKEY_LOCAL_MACHINE, vendor + L"\\Settings\\Deep", L"Value", L"1");
    w.SetString(HKEY_LOCAL_MACHINE, vendor, L"Language", entry.cultureFolder);
    w.SetString(HKEY_CURRENT_USER, std::wstring(L"Software\\TORVEN\\VARNO\\2017\\") + entry.cultureFolder + L"\\Recent",
                L"File1", L"C:\\drawing.dwg");
    for (const wchar_t* folder : {L"\\", L"\\Support\\", L"\\UserDataCache\\"}) {
        const std::wstring base = location + folder + entry.cultureFolder;
        w.AddFile(base + L"\\readme.txt");
        w.AddFile(base + L"\\Nested\\Deeper\\cache.bin", FILE_ATTRIBUTE_HIDDEN);
    }
}

inline void InstallShared(SimWindows& w, bool wow, const std::wstring& location) {
    const std::wstring soft = MachineSoftware(wow);
    for (const wchar_t* code : {kFirstSharedProductCode, kSecondSharedProductCode}) {
        const std::wstring packed = PackProductCode(code);
        const std::wstring uninstall = soft + L"\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{" + code + L"}";
        w.SetString(HKEY_LOCAL_MACHINE, uninstall, L"InstallLocation", location);
        w.SetString(HKEY_CURRENT_USER, uninstall, L"DisplayName", L"VARNO 2017 shared");
        w.AddKey(HKEY_LOCAL_MACHINE, MachineProductKey(packed) + L"\\SourceList");
    }
    w.SetString(HKEY_LOCAL_MACHINE, soft + L"\\TORVEN\\VARNO\\2017\\Common\\Paths", L"Root", location);
    w.SetString(HKEY_LOCAL_MACHINE, soft + L"\\TORVEN\\VARNO\\2017", L"Version", L"17.0");
    w.SetString(HKEY_CURRENT_USER, L"Software\\TORVEN\\VARNO\\2017\\Profiles", L"Current", L"Default");
    w.AddFile(location + L"\\bin\\varno.exe");
    w.AddFile(location + L"\\bin\\core.dll", FILE_ATTRIBUTE_SYSTEM);
}

// The Windows Installer's own records of a per-machine product, in its 64-bit keys: the
// registration (cached package, one feature listing one component, as Wine writes them),
// the component's client values (the product's, another product's, the system's) and the
// product's upgrade code.
inline const std::wstring kInstallerData = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\";
inline const std::wstring kSharedComponent = kInstallerData + L"UserData\\S-1-5-18\\Components\\3EED5E3F6CE1B595488359B88FFFE014";
inline std::wstring UpgradeKey(std::wstring packed) { return kInstallerData + L"UpgradeCodes\\" + packed.replace(11, 1, L"B"); }
inline std::wstring Registration(const std::wstring& packed) {
    return kInstallerData + L"UserData\\S-1-5-18\\Products\\" + packed;
}
inline std::wstring CachedPackage(const std::wstring& packed) { return L"C:\\Windows\\Installer\\" + packed.substr(8, 8) + L".msi"; }
inline void AddInstallerRecords(SimWindows& w, const std::wstring& packed) {
    w.SetString(HKEY_LOCAL_MACHINE, Registration(packed) + L"\\InstallProperties", L"LocalPackage", CachedPackage(packed));
    w.AddFile(CachedPackage(packed));
    w.SetString(HKEY_LOCAL_MACHINE, Registration(packed) + L"\\Features", L"Complete", L"pq$Iwmz+fD[?9rTqyCv8");
    for (const wchar_t* client : {packed.c_str(), L"00000000000000000000000000000000", L"41D9B3E5200A33011A463C1E0FA6B725"})
        w.SetString(HKEY_LOCAL_MACHINE, kSharedComponent, client, L"C:\\Program Files\\TORVEN\\shared.dat");
    w.SetString(HKEY_LOCAL_MACHINE, UpgradeKey(packed), packed, L"");
}

// Each removal of the installer's records (tested on its own), from the mutex taken after an
// uninstall up to the next launch's wait or the registrations, as one line.
inline std::vector<std::wstring> RecordsFolded(const std::vector<std::wstring>& calls) {
    std::vector<std::wstring> folded;
    bool folding = false;
    for (size_t i = 0; i < calls.size(); ++i) {
        if (i > 0 && calls[i - 1].rfind(L"CloseHandle(#p", 0) == 0) folding = true, folded.push_back(L"(records)");
        else if (calls[i].rfind(L"OpenMutexW", 0) == 0 || calls[i].rfind(L"RegDeleteTreeW(HKCR", 0) == 0) folding = false;
        if (!folding) folded.push_back(calls[i]);
    }
    return folded;
}

// Things that belong to nobody's VARNO 2017 and must outlive every cleanup.
inline void AddBystanders(SimWindows& w, bool wow, const std::wstring& location) {
    const std::wstring soft = MachineSoftware(wow);
    w.SetString(HKEY_LOCAL_MACHINE, soft + L"\\TORVEN\\VARNO\\2018\\en-US", L"Language", L"en-US");
    w.SetString(HKEY_CURRENT_USER, L"Software\\TORVEN\\VARNO\\2018", L"Version", L"18.0");
    w.SetString(HKEY_LOCAL_MACHINE, soft + L"\\OtherVendor\\Tool", L"Path", L"C:\\Other");
    w.AddKey(HKEY_LOCAL_MACHINE, MachineProductKey(L"00000000000000000000000000000001"));
    w.AddFile(location + L"\\nl-NL\\keep.txt");
    w.AddFile(location + L"\\Support\\nl-NL\\keep.txt");
    w.AddFile(L"C:\\Other\\tool.exe");
}

}  // namespace velmora::sim
