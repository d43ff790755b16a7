#include "installer/installer_cache.h"

#include <shlobj.h>

#include "folders/long_path.h"
#include "folders/safe_location.h"
#include "unique_handle.h"

namespace velmora {
namespace {

// A canonical path whose parent is the canonical folder.
bool DirectlyIn(const std::wstring& path, const std::wstring& folder) {
    return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == L'\\' && path.find(L'\\', folder.size() + 1) == std::wstring::npos;
}

bool IsCachedKind(const std::wstring& canonical) {
    const size_t dot = canonical.rfind(L'.');
    const std::wstring extension = dot == std::wstring::npos ? L"" : canonical.substr(dot);
    return extension == L".MSI" || extension == L".MST" || extension == L".MSP";
}

HeldFolder HoldInstallerFolder(WindowsApi& api) {
    wchar_t windows[MAX_PATH] = {};
    if (api.SHGetFolderPathW(nullptr, CSIDL_WINDOWS, nullptr, SHGFP_TYPE_CURRENT, windows) != S_OK || !windows[0])
        return HeldFolder{UniqueFile(api), {}};
    return HoldFolder(api, JoinPath(windows, L"Installer"), HoldFor::LookingInto);
}

}  // namespace

InstallerCache::InstallerCache(WindowsApi& api)
    : m_api(api), m_folder(HoldInstallerFolder(api)), m_canonical(CanonicalFolderPath(m_folder.realPlace)) {}

void InstallerCache::DeleteCachedFile(const std::wstring& name, const std::set<std::wstring>& keptNames) {
    const std::wstring path = ExtendedLengthPath(name);
    if (m_canonical.empty() || path.rfind(L"\\\\?\\", 0) != 0 || keptNames.count(CanonicalFolderPath(name))) return;
    UniqueFile file(m_api,
                    m_api.CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_ATTRIBUTE_TAG_INFO kind{};
    if (!file || !m_api.GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &kind, sizeof(kind)) ||
        (kind.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return;
    const std::wstring real = CanonicalFolderPath(RealPlaceOf(m_api, file));
    if (!DirectlyIn(real, m_canonical) || !IsCachedKind(real) || keptNames.count(real)) return;
    FILE_DISPOSITION_INFO dispose{TRUE};
    m_api.SetFileInformationByHandle(file.get(), FileDispositionInfo, &dispose, sizeof(dispose));
}

void InstallerCache::RemoveProductFolder(const std::wstring& productCode) {
    if (m_canonical.empty()) return;
    const std::wstring name = L"{" + productCode + L"}";
    HeldFolder folder = HoldFolder(m_api, JoinPath(m_folder.realPlace, name));
    if (folder.handle && CanonicalFolderPath(folder.realPlace) == CanonicalFolderPath(JoinPath(m_canonical, name)))
        RemoveHeldFolder(m_api, std::move(folder));
}

}  // namespace velmora
