// Message routing: the framework's lookup and dispatch through chained class maps, and
// the maps of the application's own classes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "about_dlg.h"
#include "framework.h"
#include "velmora_app.h"
#include "velmora_dlg.h"

namespace {

constexpr UINT kApplyId = 1234;
const HCURSOR kProbeCursor = reinterpret_cast<HCURSOR>(static_cast<INT_PTR>(0x5150));

// A dialog whose handlers only record what reached them. Default processing is recorded
// too instead of reaching a window.
class RouteProbeDlg : public CDialogEx {
public:
    RouteProbeDlg() : CDialogEx(1) {}

    void OnPaint() { log.push_back("OnPaint"); }
    void OnSysCommand(UINT nID, LPARAM lParam) {
        log.push_back("OnSysCommand " + std::to_string(nID) + " " + std::to_string(lParam));
        if (nID == SC_CLOSE) Default();
    }
    HCURSOR OnQueryDragIcon() {
        log.push_back("OnQueryDragIcon");
        return kProbeCursor;
    }
    void OnApply() {
        log.push_back("OnApply");
        // A nested message handled while this handler runs must not change what Default()
        // hands on for this one.
        LRESULT ignored = 0;
        OnWndMsg(WM_SYSCOMMAND, SC_MINIMIZE, 7, ignored);
        Default();
    }
    void OnOK() override { log.push_back("OnOK"); }
    void OnCancel() override { log.push_back("OnCancel"); }

    std::vector<std::string> log;

protected:
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        log.push_back("Default " + std::to_string(message) + " " + std::to_string(wParam) + " " +
                      std::to_string(lParam));
        return 99;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(RouteProbeDlg, CDialogEx)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(kApplyId, &RouteProbeDlg::OnApply)
END_MESSAGE_MAP()

// An application object that counts help requests instead of opening help.
class HelpCountingApp : public CVelmoraApp {
public:
    void OnHelp() override { ++helpRequests; }
    int helpRequests = 0;
};

std::vector<const afx::MessageMapEntry*> OwnEntries(const afx::MessageMap* map) {
    std::vector<const afx::MessageMapEntry*> entries;
    for (const afx::MessageMapEntry* entry = map->entries; entry->handler; ++entry) entries.push_back(entry);
    return entries;
}

LRESULT Dispatch(CCmdTarget& target, UINT message, WPARAM wParam, LPARAM lParam, bool* handled = nullptr) {
    LRESULT result = -1;
    const bool took = target.OnWndMsg(message, wParam, lParam, result);
    if (handled) *handled = took;
    return result;
}

}  // namespace

TEST(MessageDispatch, MessagesReachTheirHandlersWithTheirParameters) {
    RouteProbeDlg dlg;
    Dispatch(dlg, WM_PAINT, 0, 0);
    Dispatch(dlg, WM_SYSCOMMAND, SC_MAXIMIZE, 42);
    EXPECT_EQ(Dispatch(dlg, WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(kProbeCursor));
    EXPECT_EQ(dlg.log, (std::vector<std::string>{"OnPaint", "OnSysCommand " + std::to_string(SC_MAXIMIZE) + " 42",
                                                 "OnQueryDragIcon"}));
}

TEST(MessageDispatch, ButtonClicksMatchTheControlIdAndTheNotificationCode) {
    RouteProbeDlg dlg;
    bool handled = false;
    Dispatch(dlg, WM_COMMAND, MAKEWPARAM(kApplyId, BN_CLICKED), 0, &handled);
    EXPECT_TRUE(handled);
    Dispatch(dlg, WM_COMMAND, MAKEWPARAM(kApplyId, BN_DOUBLECLICKED), 0, &handled);
    EXPECT_FALSE(handled);
    Dispatch(dlg, WM_COMMAND, MAKEWPARAM(kApplyId + 1, BN_CLICKED), 0, &handled);
    EXPECT_FALSE(handled);
    ASSERT_FALSE(dlg.log.empty());
    EXPECT_EQ(dlg.log.front(), "OnApply");
}

TEST(MessageDispatch, CommandsWithoutAnEntryOfTheirOwnFallToTheBaseDialogMap) {
    RouteProbeDlg dlg;
    Dispatch(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    Dispatch(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(dlg.log, (std::vector<std::string>{"OnOK", "OnCancel"}));
}

TEST(MessageDispatch, UnmappedMessagesAreLeftToTheDefaultProcessing) {
    RouteProbeDlg dlg;
    for (UINT message : {UINT{WM_CLOSE}, UINT{WM_TIMER}, UINT{WM_SIZE}, UINT{WM_LBUTTONDOWN}}) {
        bool handled = true;
        Dispatch(dlg, message, 0, 0, &handled);
        EXPECT_FALSE(handled) << "message " << message;
    }
    EXPECT_TRUE(dlg.log.empty());
}

TEST(MessageDispatch, DefaultHandsOnTheRunningHandlersOwnMessage) {
    RouteProbeDlg dlg;
    Dispatch(dlg, WM_SYSCOMMAND, SC_CLOSE, 5);
    Dispatch(dlg, WM_COMMAND, MAKEWPARAM(kApplyId, BN_CLICKED), 77);
    EXPECT_EQ(dlg.log, (std::vector<std::string>{
                           "OnSysCommand " + std::to_string(SC_CLOSE) + " 5",
                           "Default " + std::to_string(WM_SYSCOMMAND) + " " + std::to_string(SC_CLOSE) + " 5",
                           "OnApply",
                           "OnSysCommand " + std::to_string(SC_MINIMIZE) + " 7",
                           "Default " + std::to_string(WM_COMMAND) + " " + std::to_string(MAKEWPARAM(kApplyId, BN_CLICKED)) +
                               " 77",
                       }));
}

TEST(MessageDispatch, HelpCommandGoesFromTheDialogToTheApplication) {
    HelpCountingApp app;
    RouteProbeDlg dlg;
    bool handled = false;
    Dispatch(dlg, WM_COMMAND, MAKEWPARAM(ID_HELP, 0), 0, &handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(app.helpRequests, 1);
    Dispatch(dlg, WM_COMMAND, MAKEWPARAM(ID_HELP + 1, 0), 0, &handled);
    EXPECT_FALSE(handled);
    EXPECT_EQ(app.helpRequests, 1);
}

TEST(VelmoraDlgMap, BindsItsFourEntriesInOrder) {
    const auto entries = OwnEntries(CVelmoraDlg::GetThisMessageMap());
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0]->message, static_cast<UINT>(WM_SYSCOMMAND));
    EXPECT_EQ(entries[0]->handler, (&afx::CallSysCommand<CVelmoraDlg, &CVelmoraDlg::OnSysCommand>));
    EXPECT_EQ(entries[1]->message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(entries[1]->handler, (&afx::CallVoid<CVelmoraDlg, &CVelmoraDlg::OnPaint>));
    EXPECT_EQ(entries[2]->message, static_cast<UINT>(WM_QUERYDRAGICON));
    EXPECT_EQ(entries[2]->handler, (&afx::CallQueryDragIcon<CVelmoraDlg, &CVelmoraDlg::OnQueryDragIcon>));
    EXPECT_EQ(entries[3]->message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(entries[3]->id, static_cast<UINT>(IDOK));
    EXPECT_EQ(entries[3]->notifyCode, static_cast<UINT>(BN_CLICKED));
    EXPECT_EQ(entries[3]->handler, (&afx::CallVoid<CVelmoraDlg, &CVelmoraDlg::OnCleanUp>));
}

TEST(VelmoraDlgMap, CleanUpButtonAndEnterReachOnCleanUpNotTheFrameworksOnOK) {
    const afx::MessageMapEntry* entry =
        afx::FindMessageEntry(CVelmoraDlg::GetThisMessageMap(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->handler, (&afx::CallVoid<CVelmoraDlg, &CVelmoraDlg::OnCleanUp>));
}

TEST(VelmoraDlgMap, CancelFallsToTheFrameworksDialogMap) {
    const afx::MessageMapEntry* entry =
        afx::FindMessageEntry(CVelmoraDlg::GetThisMessageMap(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->handler, (&afx::CallVoid<CDialog, &CDialog::OnCancel>));
}

TEST(VelmoraDlgMap, OtherMessagesHaveNoEntry) {
    for (UINT message : {UINT{WM_CLOSE}, UINT{WM_TIMER}, UINT{WM_ERASEBKGND}, UINT{WM_HELP}}) {
        EXPECT_EQ(afx::FindMessageEntry(CVelmoraDlg::GetThisMessageMap(), message, 0), nullptr) << message;
    }
}

TEST(VelmoraDlgMap, DragIconQueryAnswersWithTheDialogIcon) {
    CVelmoraDlg dlg;
    dlg.m_hIcon = reinterpret_cast<HICON>(static_cast<INT_PTR>(0x2468));
    bool handled = false;
    EXPECT_EQ(Dispatch(dlg, WM_QUERYDRAGICON, 0, 0, &handled), 0x2468);
    EXPECT_TRUE(handled);
}

TEST(AboutDlgMap, HasNoEntriesAndItsOkButtonEndsItThroughTheFramework) {
    EXPECT_TRUE(OwnEntries(CAboutDlg::GetThisMessageMap()).empty());
    const afx::MessageMapEntry* entry =
        afx::FindMessageEntry(CAboutDlg::GetThisMessageMap(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->handler, (&afx::CallVoid<CDialog, &CDialog::OnOK>));
}

TEST(VelmoraAppMap, RoutesOnlyTheHelpCommandToOnHelp) {
    const auto entries = OwnEntries(CVelmoraApp::GetThisMessageMap());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(entries[0]->id, 0xE146u);
    EXPECT_EQ(entries[0]->notifyCode, 0u);
    EXPECT_EQ(entries[0]->handler, (&afx::CallVoid<CVelmoraApp, &CWinApp::OnHelp>));
}

TEST(VelmoraApp, DeclaresRestartSupportAndTakesItsNameFromTheExecutable) {
    CVelmoraApp app;
    EXPECT_EQ(app.m_dwRestartManagerSupportFlags, 1u);
    EXPECT_TRUE(app.m_strAppName.empty());
    EXPECT_EQ(AfxGetApp(), &app);
    EXPECT_EQ(AfxGetAppName(), L"velmora_app_unit_tests");
}
