// The class procedure's own share: refused system commands and titles, the timer cycle, preview
// help, and what stops reaching the animation once a close has been approved.
#include <gtest/gtest.h>

#include <algorithm>

#include "animation/win32/animation_window.h"
#include "host/host.h"
#include "host_test_support.h"

namespace {

class HostWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSaverState();
        StoreSettings(6, 2, 1, 1);  // 1 ms ticks
        UseFakeCursorAndClock();
    }
    void TearDown() override {
        Host.CloseApproved = 0;
        DisposeWindow(window);
        DisposeWindow(previewHost);
    }
    HWND window = nullptr;
    HWND previewHost = nullptr;
};

bool Queued(HWND window, UINT message) {
    MSG queued;
    return PeekMessageA(&queued, window, message, message, PM_NOREMOVE) != 0;
}

// Wine's default handling answers SC_SCREENSAVE + 1 (its "about" command) by opening a window;
// a CBT hook notices the attempt and stops it, so the test sees the command reach the default
// handling without a dialog blocking it.
int windowsAttempted = 0;
LRESULT CALLBACK StopNewWindows(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        ++windowsAttempted;
        return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int WindowsOpenedBy(HWND window, WPARAM command) {
    windowsAttempted = 0;
    HHOOK hook = SetWindowsHookExA(WH_CBT, StopNewWindows, nullptr, GetCurrentThreadId());
    SendMessageA(window, WM_SYSCOMMAND, command, 0);
    UnhookWindowsHookEx(hook);
    return windowsAttempted;
}

TEST_F(HostWindow, FullScreenRefusesTheScreenSaveAndWindowSwitchCommandsOnly) {
    window = CreateSaverWindow();
    for (WPARAM command : {SC_SCREENSAVE, SC_NEXTWINDOW, SC_PREVWINDOW}) {
        EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, command, 0), 0) << command;
        EXPECT_EQ(WindowsOpenedBy(window, command), 0) << command;
    }
    // A low bit set makes another command: it goes on to the default handling.
    EXPECT_GT(WindowsOpenedBy(window, SC_SCREENSAVE + 1), 0);
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window));
}

// Minimise, maximise, restore, move and size would uncover the desktop (move and size would
// also start a modal loop that waits for the mouse). With the low bits the system adds for the
// keyboard and the mouse they are the same commands.
TEST_F(HostWindow, FullScreenRefusesCommandsThatWouldUncoverTheDesktop) {
    window = CreateSaverWindow();
    RECT before;
    GetWindowRect(window, &before);
    for (WPARAM command : {SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE, SC_MOVE, SC_SIZE, SC_MOVE | 2,
                           SC_SIZE | 8, SC_MINIMIZE | 1}) {
        EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, command, 0), 0) << command;
        Pump();
        RECT now;
        GetWindowRect(window, &now);
        EXPECT_TRUE(EqualRect(&now, &before)) << command;
        EXPECT_FALSE(IsIconic(window)) << command;
        EXPECT_FALSE(IsZoomed(window)) << command;
        EXPECT_TRUE(IsWindowVisible(window)) << command;
    }
}

TEST_F(HostWindow, PreviewPassesEverySystemCommandOn) {
    previewHost = CreatePreviewHost(200, 150);
    window = CreateSaverWindow(previewHost);
    EXPECT_GT(WindowsOpenedBy(window, SC_SCREENSAVE + 1), 0);
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(HostWindow, TitleChangesAreRefusedInBothModes) {
    window = CreateSaverWindow();
    EXPECT_EQ(SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("changed")), 0);
    char title[32] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, kFullScreenTitle);
    DisposeWindow(window);

    ResetSaverState();
    previewHost = CreatePreviewHost(200, 150);
    window = CreateSaverWindow(previewHost);
    EXPECT_EQ(SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("changed")), 0);
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, kPreviewTitle);
}

TEST_F(HostWindow, ATickKillsTheTimerInvalidatesAndRearmsBeforeThePaint) {
    window = CreateSaverWindow();
    KillTimer(window, kScreenTimerId);  // only the tick's timer is watched here
    Pump();
    ValidateRect(window, nullptr);
    EXPECT_EQ(SendMessageA(window, WM_TIMER, kTickTimerId, 0), 0);
    RECT dirty;
    ASSERT_TRUE(GetUpdateRect(window, &dirty, FALSE));
    EXPECT_EQ(dirty.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(dirty.bottom, GetSystemMetrics(SM_CYSCREEN));
    ASSERT_TRUE(Queued(window, MSG_ARM_TIMER));
    Sleep(40);  // four 1 ms intervals (ten at the platform's floor): a live timer would be due
    EXPECT_FALSE(Queued(window, WM_TIMER));

    const std::vector<UINT> order = PumpRecording(window);
    const auto arm = std::find(order.begin(), order.end(), MSG_ARM_TIMER);
    const auto paint = std::find(order.begin(), order.end(), static_cast<UINT>(WM_PAINT));
    ASSERT_NE(arm, order.end());
    ASSERT_NE(paint, order.end());
    EXPECT_LT(arm - order.begin(), paint - order.begin());
    EXPECT_TRUE(QueuedWithinDeadline(window, WM_TIMER));  // re-armed
}

TEST_F(HostWindow, AfterApprovalNoTimerPaintOrInputReachesTheAnimation) {
    window = CreateSaverWindow();
    Pump();
    Host.CloseApproved = 1;
    const Walker before = FirstPopulation().walkers[0];
    KillTimer(window, kTickTimerId);
    ValidateRect(window, nullptr);

    EXPECT_EQ(SendMessageA(window, WM_TIMER, kTickTimerId, 0), 0);
    EXPECT_FALSE(Queued(window, MSG_ARM_TIMER));
    RECT dirty;
    EXPECT_FALSE(GetUpdateRect(window, &dirty, FALSE));

    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    for (UINT input : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
        SendMessageA(window, input, 0, 0);
    }
    FakeCursor = POINT{900, 700};
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_FALSE(Queued(window, WM_CLOSE));
    const Walker& after = FirstPopulation().walkers[0];
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.tick, before.tick);
    EXPECT_EQ(after.frame, before.frame);
}

TEST_F(HostWindow, PreviewHelpGoesToTheHostWindow) {
    previewHost = CreatePreviewHost(200, 150);
    window = CreateSaverWindow(previewHost);
    Pump();
    EXPECT_EQ(SendMessageA(window, WM_CONTEXTMENU, 0, MAKELPARAM(10, 20)), 1);
    MSG forwarded;
    ASSERT_TRUE(PeekMessageA(&forwarded, previewHost, WM_CONTEXTMENU, WM_CONTEXTMENU, PM_REMOVE));
    EXPECT_EQ(forwarded.wParam, reinterpret_cast<WPARAM>(previewHost));
    EXPECT_EQ(forwarded.lParam, MAKELPARAM(10, 20));
}

TEST_F(HostWindow, DestroyPostsQuitWithCodeZero) {
    window = CreateSaverWindow();
    Pump();
    DestroyWindow(window);
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

}  // namespace
