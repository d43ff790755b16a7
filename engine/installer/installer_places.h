// Where the Windows Installer keeps its records of the products it installed, as
// Microsoft's Windows Installer documentation describes them (Wine writes the same layout,
// without Usage, Patches and Installer\Folders). Products, upgrade codes, components and
// patches are named by their packed codes, all packed by one rule.
#pragma once

namespace velmora {

// The installer's own data, below HKEY_LOCAL_MACHINE; on 64-bit Windows it exists in the
// 64-bit view only: UserData\<SID>\{Products,Components,Patches}, Managed\<SID>\Installer
// and UpgradeCodes.
inline constexpr wchar_t kInstallerDataKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer";

// The products published for the machine, below HKEY_LOCAL_MACHINE, in the classes both
// registry views share: {Products,Features,UpgradeCodes,Patches}.
inline constexpr wchar_t kMachinePublishedKey[] = L"SOFTWARE\\Classes\\Installer";

// The products published for one user, below that user's hive (which the user may write).
inline constexpr wchar_t kUserPublishedKey[] = L"Software\\Microsoft\\Installer";

}  // namespace velmora
