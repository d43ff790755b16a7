// The files the Windows Installer keeps of a product in its own folder, %WINDIR%\Installer:
// the cached package, transforms and patches, and the folder named after the product.
//
// The names come from the registry, so each file is judged where it really is, as folders
// are: opened as itself and held, then judged by its real place (its final path, from the
// handle) against the installer's folder at its real place, and deleted through that
// handle. Nothing else below the Windows folder is ever touched.
#pragma once

#include <set>
#include <string>

#include "folders/held_folder.h"
#include "windows_api.h"

namespace velmora {

class InstallerCache {
public:
    // Holds the installer's folder, the Windows folder's "Installer" as the system names it.
    explicit InstallerCache(WindowsApi& api);

    // Deletes the file the name leads to when it is a plain file (no link) whose real place
    // lies directly in the installer's folder, with the extension .msi, .mst or .msp, and
    // neither its name nor its real place is among `keptNames` (canonical, as
    // CanonicalFolderPath writes them: the files other products' registrations name).
    void DeleteCachedFile(const std::wstring& name, const std::set<std::wstring>& keptNames);

    // Removes the folder "{productCode}" directly in the installer's folder, where it really
    // is that folder, with everything below it.
    void RemoveProductFolder(const std::wstring& productCode);

private:
    WindowsApi& m_api;
    HeldFolder m_folder;       // the installer's folder, held while files in it are judged
    std::wstring m_canonical;  // its real place, canonical; empty when unknown
};

}  // namespace velmora
