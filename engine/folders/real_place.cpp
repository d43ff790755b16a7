// The judgement of a held folder's real place, beside the name rule of safe_location.cpp:
// the protected folders at their real places, and on a network place the share's name,
// the identities of the folder and of the folders above it up to the share, and whether
// the share leads back to one of this PC's own volumes.
#include "folders/long_path.h"
#include "folders/safe_location.h"
#include "unique_handle.h"

#include <map>

namespace velmora {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A folder opened for its attributes only, following any link to it.
UniqueFile OpenForAttributes(WindowsApi& api, const std::wstring& path) {
    return UniqueFile(api, api.CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// The layout with every folder at its real place, each opened once.
SystemLayout AtRealPlaces(WindowsApi& api, SystemLayout layout) {
    std::map<std::wstring, std::wstring> places;
    auto real = [&](std::wstring& folder) {
        auto known = places.find(folder);
        if (known == places.end()) {
            const UniqueFile opened = OpenForAttributes(api, folder);
            const std::wstring place = opened ? RealPlaceOf(api, opened) : L"";
            known = places.emplace(folder, place.empty() ? folder : place).first;
        }
        folder = known->second;
    };
    for (auto& entry : layout.known) real(entry.second);
    for (std::wstring& folder : layout.folders) real(folder);
    if (!layout.profilesDirectory.empty()) real(layout.profilesDirectory);
    return layout;
}

bool IsOnAdministrativeShare(const std::wstring& canonical) {
    if (canonical.rfind(L"\\\\", 0) != 0) return false;
    const size_t server = canonical.find(L'\\', 2);
    const size_t shareEnd = canonical.find(L'\\', server + 1);
    return canonical[(shareEnd == std::wstring::npos ? canonical.size() : shareEnd) - 1] == L'$';
}

// Volume serial number and file index; false when the system tells none.
bool IdentityOf(WindowsApi& api, const UniqueFile& file, std::pair<DWORD, ULONGLONG>& identity) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !api.GetFileInformationByHandle(file.get(), &info) || (info.nFileIndexHigh | info.nFileIndexLow) == 0)
        return false;
    identity = {info.dwVolumeSerialNumber, static_cast<ULONGLONG>(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
    return true;
}

// The serial numbers of this PC's own fixed volumes, each asked by its volume GUID path.
std::set<DWORD> FixedVolumeSerials(WindowsApi& api) {
    std::set<DWORD> serials;
    wchar_t volume[MAX_PATH] = {};
    const UniqueVolumeFind find(api, api.FindFirstVolumeW(volume, MAX_PATH));
    if (!find) return serials;
    do {
        DWORD serial = 0;
        if (api.GetDriveTypeW(volume) == DRIVE_FIXED &&
            api.GetVolumeInformationW(volume, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
            serials.insert(serial);
    } while (api.FindNextVolumeW(find.get(), volume, MAX_PATH));
    return serials;
}

}  // namespace

const SystemLayout& ProtectedPlaces::RealLayout() {
    if (!m_real) m_real = AtRealPlaces(m_api, m_named);
    return *m_real;
}

bool ProtectedPlaces::RealPlaceAllows(const std::wstring& named, const std::wstring& real, const HeldFolder& folder) {
    if (IsOnAdministrativeShare(named) || IsOnAdministrativeShare(real)) return false;
    return real.rfind(L"\\\\", 0) != 0 || (OnAnotherComputer(folder) && NoProtectedIdentityUpTo(folder));
}

// A PC always has a fixed volume (the one Windows runs from): when none is listed, no share
// can be told from one back to this PC, and none passes.
bool ProtectedPlaces::OnAnotherComputer(const HeldFolder& folder) {
    if (!m_fixedVolumes) m_fixedVolumes = FixedVolumeSerials(m_api);
    Identity identity;
    return !m_fixedVolumes->empty() && IdentityOf(m_api, folder.handle, identity) &&
           !m_fixedVolumes->count(identity.first);
}

bool ProtectedPlaces::NoProtectedIdentityUpTo(const HeldFolder& folder) {
    if (!m_identities) {
        m_identities.emplace();
        std::vector<std::wstring> folders = m_named.folders;
        folders.push_back(m_named.profilesDirectory);
        Identity identity;
        for (const std::wstring& protectedFolder : folders)
            if (IdentityOf(m_api, OpenForAttributes(m_api, protectedFolder), identity)) m_identities->insert(identity);
    }
    Identity identity;
    if (!IdentityOf(m_api, folder.handle, identity) || m_identities->count(identity)) return false;
    // The folders above it, up to the share itself ("\\server\share").
    const std::wstring& place = folder.realPlace;
    const size_t shareEnd = place.find(L'\\', place.find(L'\\', 2) + 1);
    for (size_t end = place.find_last_of(L'\\'); end != std::wstring::npos && end >= shareEnd;
         end = place.find_last_of(L'\\', end - 1)) {
        if (!IdentityOf(m_api, OpenForAttributes(m_api, ExtendedLengthPath(place.substr(0, end))), identity) ||
            m_identities->count(identity))
            return false;
        if (end == shareEnd) break;
    }
    return true;
}

}  // namespace velmora
