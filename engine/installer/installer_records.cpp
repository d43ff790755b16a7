#include "installer/installer_records.h"

#include <cwctype>
#include <set>

#include "catalog/product_codes.h"
#include "folders/safe_location.h"
#include "installer/component_list.h"
#include "installer/installer_cache.h"
#include "installer/installer_places.h"
#include "registry/registry_tree.h"
#include "unique_handle.h"

namespace velmora {
namespace {

constexpr DWORD kNameCapacity = 256;  // a key name's limit; client and code names have 32 characters
constexpr REGSAM kClientAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS;
std::wstring Join(const std::wstring& key, const std::wstring& name) { return key + L"\\" + name; }

// A key below UserData: "<SID>\Products\<code>", "<SID>\Components", ...
std::wstring UserData(const std::wstring& below) { return Join(Join(kInstallerDataKey, L"UserData"), below); }
std::wstring Registration(const std::wstring& sid, const std::wstring& product) {
    return UserData(sid + L"\\Products\\" + product);
}

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

UniqueKey Open(WindowsApi& api, HKEY root, const std::wstring& path, REGSAM access) {
    UniqueKey key(api);
    if (api.RegOpenKeyExW(root, path.c_str(), 0, access, key.put()) != ERROR_SUCCESS) key.release();
    return key;
}

bool Exists(WindowsApi& api, HKEY root, const std::wstring& path, REGSAM view) {
    return static_cast<bool>(Open(api, root, path, KEY_QUERY_VALUE | view));
}

std::vector<std::wstring> SubkeysOf(WindowsApi& api, HKEY root, const std::wstring& path, REGSAM view) {
    const UniqueKey key = Open(api, root, path, KEY_ENUMERATE_SUB_KEYS | view);
    return key ? SubkeyNames(api, key.get()) : std::vector<std::wstring>{};
}

// A text value of an open key as stored (REG_SZ only: nothing in it is expanded), up to its
// first zero; empty when it is missing.
std::wstring ReadText(WindowsApi& api, HKEY key, const wchar_t* name) {
    DWORD type = REG_NONE, size = 0;
    if (api.RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ ||
        size > 65536)
        return {};
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    if (api.RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(text.data()), &size) != ERROR_SUCCESS)
        return {};
    return text.data();
}

std::wstring ReadText(WindowsApi& api, HKEY root, const std::wstring& path, const wchar_t* name, REGSAM view) {
    const UniqueKey key = Open(api, root, path, KEY_QUERY_VALUE | view);
    return key ? ReadText(api, key.get(), name) : L"";
}

// Empties the key and deletes it, each child opened as itself in the view.
void DeleteTree(WindowsApi& api, HKEY root, const std::wstring& path, REGSAM view) {
    const UniqueKey key = Open(api, root, path, kEmptyingAccess | view);
    if (!key) return;
    api.RegDeleteTreeW(key.get(), nullptr);
    api.RegDeleteKeyExW(root, path.c_str(), view, 0);
}

bool HoldsNothing(WindowsApi& api, HKEY key) {
    wchar_t name[kNameCapacity];
    DWORD length = kNameCapacity;
    if (api.RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_NO_MORE_ITEMS)
        return false;
    length = kNameCapacity;
    return api.RegEnumValueW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_NO_MORE_ITEMS;
}

// Deletes the value `client` of the key parent\name, then the key if nothing is left in it.
// True when the value was there.
bool RemoveClient(WindowsApi& api, HKEY parent, const std::wstring& name, const std::wstring& client, REGSAM view) {
    const UniqueKey key = Open(api, parent, name, kClientAccess | view);
    if (!key || api.RegDeleteValueW(key.get(), client.c_str()) != ERROR_SUCCESS) return false;
    if (HoldsNothing(api, key.get())) api.RegDeleteKeyExW(parent, name.c_str(), view, 0);
    return true;
}

// The value `client` goes from every subkey of root\path that holds it.
void RemoveClientFromEach(WindowsApi& api, HKEY root, const std::wstring& path, const std::wstring& client,
                          REGSAM view) {
    const UniqueKey parent = Open(api, root, path, KEY_ENUMERATE_SUB_KEYS | view);
    if (!parent) return;
    for (const std::wstring& name : SubkeyNames(api, parent.get())) RemoveClient(api, parent.get(), name, client, view);
}

// The files a Transforms value names: ";"-separated, a leading "@" or "|" (secure
// transforms) dropped, ":" (embedded in the package) no file.
std::vector<std::wstring> TransformFiles(const std::wstring& list) {
    std::vector<std::wstring> files;
    for (size_t start = 0; start <= list.size();) {
        const size_t end = std::min(list.find(L';', start), list.size());
        std::wstring entry = list.substr(start, end - start);
        if (!entry.empty() && (entry[0] == L'@' || entry[0] == L'|')) entry.erase(0, 1);
        if (!entry.empty() && entry[0] != L':') files.push_back(entry);
        start = end + 1;
    }
    return files;
}

constexpr const wchar_t* kPackageValues[] = {L"LocalPackage", L"ManagedLocalPackage"};

}  // namespace

InstallerRecords::InstallerRecords(WindowsApi& api, std::vector<std::wstring> runProducts)
    : m_api(api), m_runProducts(std::move(runProducts)) {}

std::vector<std::wstring> InstallerRecords::Accounts(REGSAM view) {
    return SubkeysOf(m_api, HKEY_LOCAL_MACHINE, Join(kInstallerDataKey, L"UserData"), view);
}

std::vector<InstallerRecords::Place> InstallerRecords::PublishedPlaces(const RecordsReach& reach) {
    std::vector<Place> places{{HKEY_LOCAL_MACHINE, kMachinePublishedKey}, {HKEY_CURRENT_USER, kUserPublishedKey}};
    if (reach.personsHive) places.push_back({reach.personsHive, kUserPublishedKey});
    const std::wstring managed = Join(kInstallerDataKey, L"Managed");
    for (const std::wstring& sid : SubkeysOf(m_api, HKEY_LOCAL_MACHINE, managed, reach.view))
        places.push_back({HKEY_LOCAL_MACHINE, Join(Join(managed, sid), L"Installer")});
    return places;
}

bool InstallerRecords::StillHas(const std::wstring& productCode, const RecordsReach& reach) {
    const std::wstring packed = PackProductCode(productCode);
    for (const std::wstring& sid : Accounts(reach.view))
        if (Exists(m_api, HKEY_LOCAL_MACHINE, Registration(sid, packed), reach.view)) return true;
    for (const Place& place : PublishedPlaces(reach))
        if (Exists(m_api, place.root, Join(place.path, L"Products\\" + packed), reach.view)) return true;
    return false;
}

void InstallerRecords::Forget(const std::wstring& productCode, const RecordsReach& reach) {
    const std::wstring packed = PackProductCode(productCode);
    const REGSAM view = reach.view;
    if (packed.empty()) return;
    const std::vector<std::wstring> accounts = Accounts(view);
    const std::vector<Place> published = PublishedPlaces(reach);
    std::vector<std::wstring> registrations;  // UserData\<SID>\Products\P, for each SID that has it
    for (const std::wstring& sid : accounts)
        if (Exists(m_api, HKEY_LOCAL_MACHINE, Registration(sid, packed), view)) registrations.push_back(sid);
    // What names files, the patches and the components: read before anything goes.
    std::vector<std::wstring> files, patches, components;  // components: "<SID>\Components\<code>"
    bool left = !registrations.empty();
    for (const Place& place : published) {
        if (const UniqueKey key =
                Open(m_api, place.root, Join(place.path, L"Products\\" + packed), KEY_QUERY_VALUE | view)) {
            left = true;
            for (const std::wstring& file : TransformFiles(ReadText(m_api, key.get(), L"Transforms")))
                files.push_back(file);
        }
        left = left || Exists(m_api, place.root, Join(place.path, L"Features\\" + packed), view);
    }
    if (!left) return;  // an uninstall that succeeded removed them all
    for (const std::wstring& sid : registrations) {
        const std::wstring product = Registration(sid, packed);
        for (const wchar_t* value : kPackageValues)
            files.push_back(ReadText(m_api, HKEY_LOCAL_MACHINE, Join(product, L"InstallProperties"), value, view));
        for (const std::wstring& patch : SubkeysOf(m_api, HKEY_LOCAL_MACHINE, Join(product, L"Patches"), view))
            patches.push_back(patch);
        const UniqueKey features = Open(m_api, HKEY_LOCAL_MACHINE, Join(product, L"Features"), KEY_QUERY_VALUE | view);
        if (!features) continue;
        for (const std::wstring& feature : ValueNames(m_api, features.get()))
            for (const std::wstring& component : FeatureComponents(ReadText(m_api, features.get(), feature.c_str())))
                components.push_back(sid + L"\\Components\\" + component);
    }
    // A patch goes with the product only where no other product lists it.
    std::vector<std::wstring> lonePatches;
    for (const std::wstring& patch : patches) {
        bool listed = false;
        for (const std::wstring& sid : accounts)
            for (const std::wstring& other : SubkeysOf(m_api, HKEY_LOCAL_MACHINE, UserData(sid + L"\\Products"), view))
                listed = listed || (Upper(other) != Upper(packed) &&
                                    Exists(m_api, HKEY_LOCAL_MACHINE,
                                           Join(Registration(sid, other), L"Patches\\" + patch), view));
        if (listed) continue;
        lonePatches.push_back(patch);
        for (const std::wstring& sid : accounts)
            files.push_back(
                ReadText(m_api, HKEY_LOCAL_MACHINE, UserData(sid + L"\\Patches\\" + patch), L"LocalPackage", view));
    }

    // The keys.
    for (const Place& place : published)
        for (const wchar_t* kind : {L"Products\\", L"Features\\"})
            DeleteTree(m_api, place.root, Join(place.path, kind + packed), view);
    for (const std::wstring& sid : registrations)
        DeleteTree(m_api, HKEY_LOCAL_MACHINE, Registration(sid, packed), view);
    for (const std::wstring& patch : lonePatches) {
        DeleteTree(m_api, HKEY_LOCAL_MACHINE, Join(kMachinePublishedKey, L"Patches\\" + patch), view);
        for (const std::wstring& sid : accounts)
            DeleteTree(m_api, HKEY_LOCAL_MACHINE, UserData(sid + L"\\Patches\\" + patch), view);
    }

    // The product's value among others': its upgrade codes and its components.
    RemoveClientFromEach(m_api, HKEY_LOCAL_MACHINE, Join(kInstallerDataKey, L"UpgradeCodes"), packed, view);
    for (const Place& place : published)
        RemoveClientFromEach(m_api, place.root, Join(place.path, L"UpgradeCodes"), packed, view);
    bool listedHeldIt = false;
    for (const std::wstring& component : components)
        listedHeldIt = RemoveClient(m_api, HKEY_LOCAL_MACHINE, UserData(component), packed, view) || listedHeldIt;
    if (!listedHeldIt) {
        const auto& scanned = ScannedClients(view);
        const auto found = scanned.find(Upper(packed));
        if (found != scanned.end())
            for (const std::wstring& component : found->second)
                RemoveClient(m_api, HKEY_LOCAL_MACHINE, UserData(component), packed, view);
    }

    // The files, unless a registration of another product names them.
    std::set<std::wstring> keptNames;
    for (const std::wstring& sid : accounts)
        for (const std::wstring& other : SubkeysOf(m_api, HKEY_LOCAL_MACHINE, UserData(sid + L"\\Products"), view))
            for (const wchar_t* value : kPackageValues)
                keptNames.insert(CanonicalFolderPath(ReadText(
                    m_api, HKEY_LOCAL_MACHINE, Join(Registration(sid, other), L"InstallProperties"), value, view)));
    keptNames.erase(L"");
    InstallerCache cache(m_api);
    for (const std::wstring& file : files)
        if (!file.empty()) cache.DeleteCachedFile(file, keptNames);
    cache.RemoveProductFolder(productCode);
}

const std::map<std::wstring, std::vector<std::wstring>>& InstallerRecords::ScannedClients(REGSAM view) {
    if (m_clients) return *m_clients;
    m_clients.emplace();
    std::set<std::wstring> wanted;
    for (const std::wstring& code : m_runProducts) wanted.insert(Upper(code));
    for (const std::wstring& sid : Accounts(view)) {
        const UniqueKey parent =
            Open(m_api, HKEY_LOCAL_MACHINE, UserData(sid + L"\\Components"), KEY_ENUMERATE_SUB_KEYS | view);
        wchar_t name[kNameCapacity];
        for (DWORD index = 0; parent; ++index) {
            DWORD length = kNameCapacity;
            if (m_api.RegEnumKeyExW(parent.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            const UniqueKey component = Open(m_api, parent.get(), name, KEY_QUERY_VALUE | view);
            wchar_t client[kNameCapacity];
            for (DWORD at = 0; component; ++at) {
                DWORD clientLength = kNameCapacity;
                const LONG listed =
                    m_api.RegEnumValueW(component.get(), at, client, &clientLength, nullptr, nullptr, nullptr, nullptr);
                if (listed == ERROR_MORE_DATA) continue;  // a name longer than any code
                if (listed != ERROR_SUCCESS) break;
                const std::wstring code = Upper(client);
                if (wanted.count(code)) (*m_clients)[code].push_back(sid + L"\\Components\\" + name);
            }
        }
    }
    return *m_clients;
}

}  // namespace velmora
