#include <gtest/gtest.h>

#include "sim_windows.h"
#include "system/system_services.h"

using velmora::sim::SimWindows;

namespace {

TEST(Is64BitSystem, AnswersFromTheNativeArchitecture) {
    struct Case {
        WORD architecture;
        int expected;
    };
    const Case cases[] = {{PROCESSOR_ARCHITECTURE_AMD64, 1}, {PROCESSOR_ARCHITECTURE_IA64, 1},
                          {PROCESSOR_ARCHITECTURE_INTEL, 0}, {12 /* ARM64 */, 0},
                          {PROCESSOR_ARCHITECTURE_UNKNOWN, 0}};
    for (const Case& c : cases) {
        SimWindows windows;
        windows.SetNativeArchitecture(c.architecture);
        EXPECT_EQ(Is64BitSystem(windows), c.expected) << "architecture " << c.architecture;
        EXPECT_EQ(windows.log, (std::vector<std::wstring>{L"GetModuleHandleW(kernel32.dll)",
                                                         L"GetProcAddress(GetNativeSystemInfo)",
                                                         L"GetNativeSystemInfo()"}));
    }
}

TEST(Is64BitSystem, WithoutGetNativeSystemInfoAsksGetSystemInfo) {
    SimWindows windows;
    windows.SetNativeArchitecture(PROCESSOR_ARCHITECTURE_INTEL);
    windows.SetHasGetNativeSystemInfo(false);
    EXPECT_EQ(Is64BitSystem(windows), 0);
    EXPECT_EQ(windows.log.back(), L"GetSystemInfo()");
}

TEST(Is64BitSystem, ARecordTheSystemDoesNotFillReadsAsZero) {
    SimWindows windows;
    windows.FailEvery(L"GetNativeSystemInfo");
    EXPECT_EQ(Is64BitSystem(windows), 0);
}

class WaitWithMessagePumpTest : public testing::Test {
protected:
    HANDLE Launch() {
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.lpFile = L"C:\\Windows\\system32\\msiexec.exe";
        windows.ShellExecuteExW(&info);
        windows.log.clear();
        return info.hProcess;
    }
    SimWindows windows;
};

TEST_F(WaitWithMessagePumpTest, EndedProcessReturnsAtOnceAndLeavesQueuedMessages) {
    HANDLE process = Launch();
    windows.EndProcess(process);
    windows.Post(WM_PAINT);
    WaitWithMessagePump(process, windows);
    EXPECT_EQ(windows.log, std::vector<std::wstring>{L"MsgWaitForMultipleObjects(1, #p1, 0, INFINITE, 0x4ff)"});
    EXPECT_TRUE(windows.dispatched.empty());
    EXPECT_TRUE(windows.IsProcessRunning(process) == false);
}

TEST_F(WaitWithMessagePumpTest, NullHandleDispatchesQueuedMessagesAndReturns) {
    windows.Post(WM_PAINT);
    windows.Post(WM_TIMER);
    WaitWithMessagePump(nullptr, windows);
    EXPECT_EQ(windows.log, (std::vector<std::wstring>{
                               L"MsgWaitForMultipleObjects(1, null, 0, INFINITE, 0x4ff)",
                               L"PeekMessageW(null, 0, 0, 1)", L"TranslateMessage(0xf)", L"DispatchMessageW(0xf)",
                               L"PeekMessageW(null, 0, 0, 1)", L"TranslateMessage(0x113)",
                               L"DispatchMessageW(0x113)", L"PeekMessageW(null, 0, 0, 1)"}));
}

TEST_F(WaitWithMessagePumpTest, MessagesArrivingDuringTheWaitAreDispatchedUntilTheProcessEnds) {
    HANDLE process = Launch();
    windows.whileWaiting.push_back([&] { windows.Post(WM_PAINT); });
    windows.whileWaiting.push_back([&] {
        windows.Post(WM_LBUTTONDOWN);
        windows.Post(WM_LBUTTONUP);
    });
    WaitWithMessagePump(process, windows);
    ASSERT_EQ(windows.dispatched.size(), 3u);
    EXPECT_EQ(windows.dispatched[0].message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(windows.dispatched[2].message, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_FALSE(windows.IsProcessRunning(process));
    EXPECT_EQ(windows.Calls({L"MsgWaitForMultipleObjects"}).size(), 3u);
    // Each message is translated before it is dispatched.
    EXPECT_EQ(windows.Calls({L"TranslateMessage", L"DispatchMessageW"}).front(), L"TranslateMessage(0xf)");
}

TEST_F(WaitWithMessagePumpTest, QuitMessageIsDispatchedAndDoesNotEndTheWait) {
    HANDLE process = Launch();
    windows.whileWaiting.push_back([&] { windows.Post(WM_QUIT); });
    windows.whileWaiting.push_back([&] { windows.Post(WM_PAINT); });
    WaitWithMessagePump(process, windows);
    ASSERT_EQ(windows.dispatched.size(), 2u);
    EXPECT_EQ(windows.dispatched[0].message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(windows.dispatched[1].message, static_cast<UINT>(WM_PAINT));
    EXPECT_FALSE(windows.IsProcessRunning(process));
}

TEST_F(WaitWithMessagePumpTest, DoesNotCloseTheHandle) {
    HANDLE process = Launch();
    WaitWithMessagePump(process, windows);
    EXPECT_EQ(windows.OpenHandleCount(), 1u);
    EXPECT_TRUE(windows.Calls({L"CloseHandle"}).empty());
}

}  // namespace
