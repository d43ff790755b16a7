// Decides whether a folder named by an "InstallLocation" value may be removed.
//
// The value comes from the registry, which any installer, user or fault can write. A
// value such as "C:\", "." or the Windows folder would otherwise make a cleanup wipe a
// drive, the current folder or the system, so folders are removed only below a path that
// is fully qualified, plain and clear of every well-known system and user folder.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "folders/held_folder.h"
#include "windows_api.h"

namespace velmora {

// The path in a canonical form for comparing: drive letter or "\\server\share" root, single
// backslashes, no trailing backslash, upper case. Empty when the path is not a plain, fully
// qualified path: relative, drive-relative, device ("\\.\", "\\?\"), a bare root, or with
// a "." / ".." component, an empty component, a component Windows would shorten (trailing
// dot or space), an 8.3 short-name alias ("~" and a digit), or a character no path may hold.
std::wstring CanonicalFolderPath(const std::wstring& path);

// The folders whose removal would harm the system or a user's data, asked from the system:
// Windows, system, Program Files (both kinds), common files, ProgramData, the user profile
// and its data folders. Their parents (the Users folder among them) are covered by the rule
// in IsRemovableInstallLocation.
std::vector<std::wstring> ProtectedFolders(WindowsApi& api);

// True when the location is a plain, fully qualified folder that is none of these, nor a
// parent of one: a protected folder; a folder at or below the Windows, system or SysWOW64
// folder or ProgramData\Microsoft; the profiles folder (as the system reports it, and the
// folder holding the running account's profile) or any folder directly in it; in any
// profile, a usual data folder (Desktop, Documents, Downloads, Pictures, Music, Videos,
// AppData and its Local, LocalLow and Roaming, OneDrive) or a data folder the running
// account keeps in its own, by its place there. False also when the system does not say
// where Windows or the profiles are. Judges the name alone; see ProtectedPlaces.
bool IsRemovableInstallLocation(const std::wstring& location, WindowsApi& api);

// What the system says about the protected folders (see IsRemovableInstallLocation).
struct SystemLayout {
    std::map<int, std::wstring> known;  // by CSIDL
    std::vector<std::wstring> folders;  // every protected folder
    std::wstring profilesDirectory;     // as the system reports it, or empty
};

// The protected folders, asked once for a pass. A name can lead elsewhere than it reads (a
// drive letter mapped or substituted onto another folder, a junction above, a share that
// leads back to this computer), so a folder is judged where it really is, and so are the
// protected folders: each is opened for its attributes only, at the first judgement that
// needs it, and taken at its final path; one that cannot be opened is taken by its name.
class ProtectedPlaces {
public:
    explicit ProtectedPlaces(WindowsApi& api);

    // The rule of IsRemovableInstallLocation on the name alone; no file is opened.
    bool AllowsName(const std::wstring& location) const;

    // The rule on a held folder: its name and its real place must both pass it, against the
    // protected folders as named and at their real places. A folder whose real place is
    // unknown fails. A network place fails also on an administrative share (a share name
    // ending in "$"); when its volume serial number is that of one of this PC's own fixed
    // volumes (it is this PC under another name, and no installation lives behind a share
    // back to its own PC), or unknown; and when the held folder, or a folder above it up to
    // the share, has the identity (volume serial number and file index) of a protected
    // folder, or has none: a share may lead back to this computer under names that tell nothing.
    bool AllowsHeld(const std::wstring& name, const HeldFolder& folder);

private:
    // The judgement of the real place (real_place.cpp).
    using Identity = std::pair<DWORD, ULONGLONG>;
    const SystemLayout& RealLayout();
    bool RealPlaceAllows(const std::wstring& named, const std::wstring& real, const HeldFolder& folder);
    bool OnAnotherComputer(const HeldFolder& folder);
    bool NoProtectedIdentityUpTo(const HeldFolder& folder);

    WindowsApi& m_api;
    SystemLayout m_named;
    std::optional<SystemLayout> m_real;
    std::optional<std::set<Identity>> m_identities;
    std::optional<std::set<DWORD>> m_fixedVolumes;  // serial numbers of this PC's own, asked once
};

// Holds the folder a location names, and keeps it held only when it passes AllowsHeld.
HeldFolder HoldJudgedFolder(WindowsApi& api, const std::wstring& location, ProtectedPlaces& places,
                            HoldFor purpose = HoldFor::Removal);

}  // namespace velmora
