// The Windows Installer's records of a product: removed when its uninstall has ended, so
// that where the uninstall failed the installer keeps no record of the product (which
// would leave it an orphan that no uninstall can remove, still counted as a client of its
// components) and loses none of another product's.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "windows_api.h"

namespace velmora {

// How a removal reaches the records: `view` is the flag every key is opened with, by its
// plain path (KEY_WOW64_64KEY on 64-bit Windows, whose installer keys exist in the 64-bit
// view only and whose classes both views share; ignored on 32-bit Windows). Per-user
// records are looked for under HKEY_CURRENT_USER and, where open, in `personsHive`.
struct RecordsReach {
    REGSAM view;
    HKEY personsHive;
};

class InstallerRecords {
public:
    // `runProducts`: the packed codes of every product the run may remove, the clients a
    // scan of the components looks for.
    InstallerRecords(WindowsApi& api, std::vector<std::wstring> runProducts);

    // Whether the installer still has the product: its registration below UserData, for
    // any account, or its published key, for the machine, a user in reach or managed.
    bool StillHas(const std::wstring& productCode, const RecordsReach& reach);

    // Removes every record of exactly this product (names of 32 characters, compared as
    // the registry compares them), reading what names files before anything goes:
    //   keys   its published Products\P and Features\P (machine, per-user, managed), its
    //          registration UserData\<SID>\Products\P for every SID, and its patches' keys
    //          where no other product lists the patch;
    //   values P in every UpgradeCodes key and in its components' keys below UserData; a
    //          key goes when nothing else is left in it, so another product's value and the
    //          system's own client keep it;
    //   files  its cached package, transforms and patches, and %WINDIR%\Installer\{code}
    //          (see InstallerCache), unless another product's registration names the file.
    // The components are those its registration lists (its Features); where none it lists
    // holds the product's value (no registration, an unreadable list), the components are
    // scanned instead, once a run for all the run's products. Where no registration and no published key is left (as
    // after an uninstall that succeeded) nothing more is looked for.
    void Forget(const std::wstring& productCode, const RecordsReach& reach);

private:
    struct Place {
        HKEY root;
        std::wstring path;
    };
    std::vector<Place> PublishedPlaces(const RecordsReach& reach);
    std::vector<std::wstring> Accounts(REGSAM view);
    // Every component key (below UserData: "<SID>\Components\<code>") that lists a run
    // product as its client, by that product's packed code in upper case; scanned once.
    const std::map<std::wstring, std::vector<std::wstring>>& ScannedClients(REGSAM view);

    WindowsApi& m_api;
    std::vector<std::wstring> m_runProducts;
    std::optional<std::map<std::wstring, std::vector<std::wstring>>> m_clients;
};

}  // namespace velmora
