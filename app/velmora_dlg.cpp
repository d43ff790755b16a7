#include "velmora_dlg.h"

#include "about_command.h"
#include "about_dlg.h"
#include "catalog/language_table.h"
#include "catalog/text_format.h"
#include "icon_position.h"
#include "passes/install_cleaner.h"
#include "resource.h"
#include "system/system_services.h"

namespace {

const wchar_t kConfirmAllEditions[] = L"Do you really want to clean up all version of VARNO installed on your computer?";

}  // namespace

CVelmoraDlg::CVelmoraDlg(CWnd* pParent)
    : CDialogEx(IDD_CLEANUP_DIALOG, pParent),
      m_hIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_APP_ICON))) {}

// The icon is a shared one that the system owns: nothing to free.
CVelmoraDlg::~CVelmoraDlg() = default;

BEGIN_MESSAGE_MAP(CVelmoraDlg, CDialogEx)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDOK, &CVelmoraDlg::OnCleanUp)
END_MESSAGE_MAP()

void CVelmoraDlg::DoDataExchange(CDataExchange* pDX) {
    CDialogEx::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_LANGUAGE_LIST, m_languageCombo);
}

BOOL CVelmoraDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();

    if (HMENU systemMenu = GetSystemMenu(FALSE)) {
        const std::wstring aboutText = LoadResourceString(IDS_ABOUT_MENU);
        if (!aboutText.empty()) {
            ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUT, aboutText.c_str());
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    // Inserting at explicit positions keeps the table's order in the sorted list, so a
    // list position is the table row it shows.
    for (int row = 0; row < kLanguageRowCount; ++row) {
        const LanguageEntry& entry = g_languageTable[row];
        const std::wstring text = FormatText(L"%s - %s", {entry.displayName, entry.shortCode});
        m_languageCombo.InsertString(row, text.c_str());
    }
    m_languageCombo.SetCurSel(0);
    m_languageCombo.EnableWindow(FALSE);

    m_bIs64BitSystem = Is64BitSystem();
    if (m_bIs64BitSystem) {
        GetDlgItem(IDC_VIEW_64BIT).SendMessage(BM_SETCHECK, BST_CHECKED);
    } else {
        GetDlgItem(IDC_VIEW_64BIT).ShowWindow(SW_HIDE);
        GetDlgItem(IDC_VIEW_32BIT).SendMessage(BM_SETCHECK, BST_CHECKED);
    }
    return TRUE;
}

void CVelmoraDlg::OnSysCommand(UINT nID, LPARAM /*lParam*/) {
    if (IsAboutCommand(nID)) {
        CAboutDlg about;
        about.DoModal();
    } else {
        Default();
    }
}

void CVelmoraDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        RECT client{};
        GetClientRect(&client);
        const POINT at = MinimizedIconPosition(client, ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
        dc.DrawIcon(at.x, at.y, m_hIcon);
    } else {
        CDialogEx::OnPaint();
    }
}

HCURSOR CVelmoraDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CVelmoraDlg::OnCleanUp() {
    CleanupChoice choice;
    choice.is64BitSystem = m_bIs64BitSystem;
    if (m_bIs64BitSystem) {
        choice.check32BitView = GetDlgItem(IDC_VIEW_32BIT).SendMessage(BM_GETCHECK);
        choice.check64BitView = GetDlgItem(IDC_VIEW_64BIT).SendMessage(BM_GETCHECK);
    }
    choice.selectedIndex = m_languageCombo.GetCurSel();

    CInstallCleaner cleaner;
    const CleanupSteps steps{
        [] { return ConfirmsCleanup(AfxMessageBox(kConfirmAllEditions, MB_YESNO, 0)); },
        [&cleaner](int row, BOOL use32BitView) { cleaner.CleanLanguage(row, use32BitView); },
        [&cleaner](BOOL use32BitView) { cleaner.CleanShared(use32BitView); },
    };
    if (m_cleanup.Execute(choice, steps, m_bUse32BitView)) CDialogEx::OnOK();
}

void CVelmoraDlg::OnCancel() {
    if (m_cleanup.AcceptsCancel()) CDialogEx::OnCancel();
}
