#include "win_app.h"

#include "wnd.h"

namespace {

CWinApp* g_app = nullptr;

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace

CWinApp::CWinApp(LPCWSTR appName) : m_strAppName(appName ? appName : L"") { g_app = this; }

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance() { return 0; }

CWinApp* AfxGetApp() { return g_app; }

CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

std::wstring AfxGetAppName() {
    if (g_app && !g_app->m_strAppName.empty()) return g_app->m_strAppName;
    return AppNameFromModulePath(ModulePath(nullptr));
}

HINSTANCE AfxGetResourceHandle() {
    return g_app && g_app->m_hInstance ? g_app->m_hInstance : ::GetModuleHandleW(nullptr);
}

HWND AfxGetSafeOwner(CWnd* parent, const CWnd* self) {
    HWND owner = nullptr;
    if (parent) {
        owner = parent->m_hWnd;
    } else if (CWnd* main = AfxGetMainWnd(); main && main != self) {
        owner = main->m_hWnd;
    }
    if (!owner || !::IsWindow(owner)) return nullptr;
    return ::GetLastActivePopup(::GetAncestor(owner, GA_ROOT));
}

std::wstring AppNameFromModulePath(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0) name.erase(dot);
    return name;
}

int AfxWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->m_hInstance = instance;
    if (app->m_strAppName.empty()) app->m_strAppName = AppNameFromModulePath(ModulePath(instance));
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
