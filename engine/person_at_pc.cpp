#include "person_at_pc.h"

#include "install_cleaner.h"

#include "unique_handle.h"

namespace velmora {
namespace {

// What GetCurrentProcess returns: a pseudo-handle that stands for the calling process.
const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));

// "S-<revision>-<authority>-<sub authority>-...". The authority is written in decimal, as
// for every account's SID; only authorities of 2^32 and above would be written otherwise.
std::wstring SidText(const SID& sid) {
    unsigned long long authority = 0;
    for (BYTE part : sid.IdentifierAuthority.Value) authority = authority << 8 | part;
    std::wstring text = L"S-" + std::to_wstring(sid.Revision) + L"-" + std::to_wstring(authority);
    for (BYTE i = 0; i < sid.SubAuthorityCount; ++i) text += L"-" + std::to_wstring(sid.SubAuthority[i]);
    return text;
}

std::wstring TokenUserSid(WindowsApi& api, HANDLE process) {
    UniqueProcess token(api);
    if (!api.OpenProcessToken(process, TOKEN_QUERY, token.put())) {
        token.release();  // a failed open hands out no handle to close
        return {};
    }
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } info{};
    DWORD size = 0;
    if (!api.GetTokenInformation(token.get(), TokenUser, &info, sizeof(info), &size) || !info.user.User.Sid) return {};
    return SidText(*static_cast<const SID*>(info.user.User.Sid));
}

}  // namespace

std::wstring ShellOwnerSid(WindowsApi& api) {
    HWND shell = api.GetShellWindow();
    DWORD processId = 0;
    if (!shell || !api.GetWindowThreadProcessId(shell, &processId) || !processId) return {};
    UniqueProcess process(api, api.OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    return process ? TokenUserSid(api, process.get()) : L"";
}

std::wstring RunningAccountSid(WindowsApi& api) { return TokenUserSid(api, kCurrentProcess); }

std::wstring OtherShellOwnerSid(WindowsApi& api) {
    const std::wstring owner = ShellOwnerSid(api);
    if (owner.empty()) return {};
    const std::wstring running = RunningAccountSid(api);
    return running.empty() || running == owner ? L"" : owner;
}

}  // namespace velmora

velmora::UniqueKey CInstallCleaner::OpenPersonsHive(REGSAM view) {
    if (!m_bPersonAsked) m_personSid = velmora::OtherShellOwnerSid(m_api), m_bPersonAsked = true;
    velmora::UniqueKey hive(m_api);
    // The rights RegDeleteTreeW needs on the key its paths start from.
    const REGSAM access = DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view;
    if (!m_personSid.empty() &&
        m_api.RegOpenKeyExW(HKEY_USERS, m_personSid.c_str(), 0, access, hive.put()) != ERROR_SUCCESS)
        hive.release();
    return hive;
}
