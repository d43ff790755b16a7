#include "system/person_at_pc.h"

#include "unique_handle.h"

namespace velmora {
namespace {

// What GetCurrentProcess returns: a pseudo-handle that stands for the calling process.
const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));

// The SID as the system writes it ("S-1-5-21-..."); empty for no SID or when it will not say.
std::wstring SidText(WindowsApi& api, PSID sid) {
    UniqueLocalText text(api);
    if (!sid || !api.ConvertSidToStringSidW(sid, text.put())) {
        text.release();  // a failed conversion hands out nothing to free
        return {};
    }
    return text.get();
}

}  // namespace

// Opening the shell's process, or its token, is refused when another account started it
// and the caller has no debug privilege enabled, as an elevated technician has not. The
// session's process list tells each process's owner without opening any.
std::wstring ShellOwnerSid(WindowsApi& api) {
    HWND shell = api.GetShellWindow();
    DWORD processId = 0;
    if (!shell || !api.GetWindowThreadProcessId(shell, &processId) || !processId) return {};
    UniqueProcessList processes(api);
    DWORD count = 0;
    if (!api.WTSEnumerateProcessesW(WTS_CURRENT_SERVER_HANDLE, 0, 1, processes.put(), &count)) {
        processes.release();
        return {};
    }
    for (DWORD i = 0; i < count; ++i)
        if (processes.get()[i].ProcessId == processId) return SidText(api, processes.get()[i].pUserSid);
    return {};
}

// This program's own token may always be opened.
std::wstring RunningAccountSid(WindowsApi& api) {
    UniqueProcess token(api);
    if (!api.OpenProcessToken(kCurrentProcess, TOKEN_QUERY, token.put())) {
        token.release();  // a failed open hands out no handle to close
        return {};
    }
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } info{};
    DWORD size = 0;
    if (!api.GetTokenInformation(token.get(), TokenUser, &info, sizeof(info), &size)) return {};
    return SidText(api, info.user.User.Sid);
}

std::wstring OtherShellOwnerSid(WindowsApi& api) {
    const std::wstring owner = ShellOwnerSid(api);
    if (owner.empty()) return {};
    const std::wstring running = RunningAccountSid(api);
    return running.empty() || running == owner ? L"" : owner;
}

}  // namespace velmora
