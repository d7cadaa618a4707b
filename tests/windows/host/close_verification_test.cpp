// The host's close rules on a real full-screen saver window: mouse movement, the password
// question with its throttle and its in-progress guard, and what a refused or approved close
// leaves behind.
#include <gtest/gtest.h>

#include "animation/win32/animation_window.h"
#include "host/host.h"
#include "host_test_support.h"

namespace {

struct Component {
    BOOL answer = FALSE;
    int calls = 0;
    HWND askedFor = nullptr;
    // Run while the "dialog" is open, as the component's own message loop would.
    void (*whileOpen)(HWND) = nullptr;
};
Component component;

BOOL WINAPI TestVerifyScreenSavePwd(HWND window) {
    ++component.calls;
    component.askedFor = window;
    if (component.whileOpen != nullptr) component.whileOpen(window);
    return component.answer;
}

class CloseVerification : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSaverState();
        component = Component{};
        StoreSettings(1, 2, 1, 1);
        UseFakeCursorAndClock();
        FakeCursor = POINT{500, 400};
        window = CreateSaverWindow();
        ASSERT_NE(window, nullptr);
        TakeQueuedClose(window);  // a move reported at creation may have asked already
        Host.MouseReferencePoint = POINT{500, 400};
    }
    void TearDown() override {
        Host.VerifyPwdEntry = nullptr;
        DisposeWindow(window);
    }

    void MoveTo(LONG x, LONG y) {
        FakeCursor = POINT{x, y};
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    }
    void RequestClose() {
        PostMessageA(window, WM_CLOSE, 0, 0);
        Pump();
    }
    void WithPassword(BOOL answer) {
        component.answer = answer;
        Host.VerifyPwdEntry = TestVerifyScreenSavePwd;
    }

    HWND window = nullptr;
};

TEST_F(CloseVerification, MouseMovementOfFourPixelsKeepsItRunningAndFiveCloses) {
    MoveTo(502, 402);  // 2 + 2
    EXPECT_FALSE(TakeQueuedClose(window));
    MoveTo(498, 402);  // still 4 in total from the reference point
    EXPECT_FALSE(TakeQueuedClose(window));
    MoveTo(503, 402);  // 3 + 2
    EXPECT_TRUE(TakeQueuedClose(window));
    EXPECT_EQ(Host.MouseReferencePoint.x, 503);
    EXPECT_EQ(Host.MouseReferencePoint.y, 402);
}

TEST_F(CloseVerification, SmallMovesAddUpUntilTheFifthPixel) {
    for (LONG step = 1; step <= 4; ++step) {
        MoveTo(500 + step, 400);
        EXPECT_FALSE(TakeQueuedClose(window)) << "after " << step << " pixels";
    }
    MoveTo(505, 400);
    EXPECT_TRUE(TakeQueuedClose(window));
    // The reference moved with the close request: the next 4 pixels are free again.
    MoveTo(505, 404);
    EXPECT_FALSE(TakeQueuedClose(window));
}

TEST_F(CloseVerification, KeysClicksAndSystemKeysRequestAClose) {
    for (UINT message :
         {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
        SendMessageA(window, message, 0, 0);
        EXPECT_TRUE(TakeQueuedClose(window)) << "message " << message;
    }
}

TEST_F(CloseVerification, WithoutPasswordTheFirstRequestClosesAndReleasesEverything) {
    const HPALETTE palette = Animation.atlas.palette;
    const HDC surface = Animation.atlas.surfaceDC;
    ASSERT_NE(GetObjectType(palette), 0u);
    SendMessageA(window, WM_KEYDOWN, 'A', 0);
    Pump();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_NE(Host.CloseApproved, 0);
    EXPECT_EQ(GetObjectType(palette), 0u);
    EXPECT_EQ(GetObjectType(surface), 0u);
}

TEST_F(CloseVerification, ApprovedPasswordClosesTheWindow) {
    WithPassword(TRUE);
    const HPALETTE palette = Animation.atlas.palette;
    RequestClose();
    EXPECT_EQ(component.calls, 1);
    EXPECT_EQ(component.askedFor, window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(GetObjectType(palette), 0u);
}

TEST_F(CloseVerification, RefusedPasswordKeepsTheSaverRunningAndDrawing) {
    WithPassword(FALSE);
    FakeTick = 5000;
    FakeCursor = POINT{620, 300};
    SendMessageA(window, WM_LBUTTONDOWN, 0, 0);
    Pump();
    ASSERT_EQ(component.calls, 1);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(Host.CloseApproved, 0);
    EXPECT_EQ(Host.LastVerifyTick, 5000u);
    // The cursor is the new reference point.
    EXPECT_EQ(Host.MouseReferencePoint.x, 620);
    EXPECT_EQ(Host.MouseReferencePoint.y, 300);
    // Nothing was released, and the walkers still move.
    EXPECT_EQ(GetObjectType(Animation.atlas.palette), static_cast<DWORD>(OBJ_PAL));
    EXPECT_EQ(GetObjectType(Animation.atlas.surfaceDC), static_cast<DWORD>(OBJ_MEMDC));
    const Walker before = FirstPopulation().walkers[0];
    Tick(window);
    const Walker& after = FirstPopulation().walkers[0];
    EXPECT_TRUE(after.x != before.x || after.frame != before.frame || after.state != before.state);
}

TEST_F(CloseVerification, RequestsWithin200msOfARefusalAreRefusedWithoutAsking) {
    WithPassword(FALSE);
    FakeTick = 0xFFFFFF00;  // the gap is measured modulo 2^32
    RequestClose();
    ASSERT_EQ(component.calls, 1);
    FakeTick = 0xFFFFFF00 + 199;
    RequestClose();
    EXPECT_EQ(component.calls, 1);
    EXPECT_TRUE(IsWindow(window));
    FakeTick = 0xFFFFFF00 + 200;
    component.answer = TRUE;
    RequestClose();
    EXPECT_EQ(component.calls, 2);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(CloseVerification, ACloseWhileTheComponentAsksIsRefusedAndNotAskedAgain) {
    WithPassword(FALSE);
    static int nestedAnswer = -1;
    static bool stillRunningInside = false;
    component.whileOpen = [](HWND w) {
        // A WM_CLOSE from elsewhere and user input while the dialog is up.
        nestedAnswer = static_cast<int>(SendMessageA(w, WM_CLOSE, 0, 0));
        PostMessageA(w, WM_CLOSE, 0, 0);
        SendMessageA(w, WM_KEYDOWN, 'A', 0);
        Pump();
        stillRunningInside = IsWindow(w) != FALSE;
    };
    FakeTick = 1000;
    RequestClose();
    EXPECT_EQ(component.calls, 1);
    EXPECT_EQ(nestedAnswer, 0);
    EXPECT_TRUE(stillRunningInside);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(Host.VerifyInProgress, 0);
}

TEST_F(CloseVerification, QueuedTicksAreDroppedBeforeTheQuestion) {
    WithPassword(FALSE);
    static int timersWhileAsking = -1;
    component.whileOpen = [](HWND w) {
        MSG message;
        timersWhileAsking = PeekMessageA(&message, w, WM_TIMER, WM_TIMER, PM_NOREMOVE) ? 1 : 0;
    };
    KillTimer(window, kTickTimerId);
    SetTimer(window, kTickTimerId, 1, nullptr);
    ASSERT_TRUE(QueuedWithinDeadline(window, WM_TIMER));
    KillTimer(window, kTickTimerId);
    SetTimer(window, kTickTimerId, 10000, nullptr);  // nothing else comes due while asking
    EXPECT_EQ(VerifyClose(window), 0);
    EXPECT_EQ(timersWhileAsking, 0);
}

TEST_F(CloseVerification, PreviewIgnoresInputAndHasNoPasswordQuestion) {
    Host.SaverMode = kPreviewMode;
    Host.VerifyPwdEntry = TestVerifyScreenSavePwd;
    FakeCursor = POINT{900, 700};
    EXPECT_EQ(HostDefaultProc(window, WM_MOUSEMOVE, 0, 0), 0);
    EXPECT_EQ(HostDefaultProc(window, WM_KEYDOWN, 'A', 0), 0);
    EXPECT_FALSE(TakeQueuedClose(window));
    EXPECT_EQ(HostDefaultProc(window, MSG_VERIFY_PASSWORD, 0, 0), 0);  // DefWindowProcA's answer
    EXPECT_EQ(component.calls, 0);
    Host.SaverMode = kFullScreenMode;
}

}  // namespace
