// Whole sessions in this process, through SaverMain as the system starts them: the window each
// mode makes and the loop that ends when the window goes.
#include <gtest/gtest.h>

#include <string>

#include "animation/win32/animation_window.h"
#include "host/host.h"
#include "host_test_support.h"

namespace {

struct Seen {
    HWND window = nullptr;
    RECT client{};
    RECT frame{};
    LONG_PTR style = 0;
    LONG_PTR exStyle = 0;
    char title[32] = {};
    HWND parent = nullptr;
};
Seen seen;
HWND previewHost = nullptr;

void Record(HWND window) {
    seen.window = window;
    GetClientRect(window, &seen.client);
    GetWindowRect(window, &seen.frame);
    seen.style = GetWindowLongPtrA(window, GWL_STYLE);
    seen.exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    GetWindowTextA(window, seen.title, sizeof seen.title);
    seen.parent = GetParent(window);
}

// Runs from the session's own message loop once the window is up.
void CALLBACK LookThenDestroyHost(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    Record(FindWindowExA(previewHost, nullptr, kSaverClassName, kPreviewTitle));
    DestroyWindow(previewHost);
}

void CALLBACK LookThenPressKey(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    Record(Host.SaverWindow);
    PostMessageA(Host.SaverWindow, WM_KEYDOWN, 'A', 0);
}

class SaverSession : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSaverState();
        seen = Seen{};
        StoreSettings(3, 1, 1, 1);
        // The session registers the class itself.
        UnregisterClassA(kSaverClassName, GetModuleHandleA(nullptr));
    }
    int Run(const std::string& tail) {
        return SaverMain(GetModuleHandleA(nullptr), nullptr, tail.c_str(), SW_SHOWNORMAL);
    }
};

TEST_F(SaverSession, PreviewFillsTheHostAndEndsWhenTheHostGoes) {
    previewHost = CreatePreviewHost(240, 180);
    SetTimer(nullptr, 0, 300, LookThenDestroyHost);
    const std::string tail =
        "/p " + std::to_string(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(previewHost)));
    EXPECT_EQ(Run(tail), 0);
    ASSERT_NE(seen.window, nullptr);
    EXPECT_EQ(seen.parent, previewHost);
    EXPECT_EQ(seen.client.right, 240);
    EXPECT_EQ(seen.client.bottom, 180);
    EXPECT_EQ(static_cast<DWORD>(seen.style) & ~WS_CLIPSIBLINGS,
              static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN));
    EXPECT_EQ(seen.exStyle & WS_EX_TOPMOST, 0);
    EXPECT_STREQ(seen.title, kPreviewTitle);
    EXPECT_EQ(Host.SaverMode, kPreviewMode);
    EXPECT_FALSE(IsWindow(seen.window));
}

TEST_F(SaverSession, FullScreenCoversTheScreenOnTopAndAKeyEndsItWithZero) {
    SetTimer(nullptr, 0, 300, LookThenPressKey);
    EXPECT_EQ(Run("/s"), 0);
    ASSERT_NE(seen.window, nullptr);
    EXPECT_EQ(seen.frame.left, 0);
    EXPECT_EQ(seen.frame.top, 0);
    EXPECT_EQ(seen.frame.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(seen.frame.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(static_cast<DWORD>(seen.style),
              static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    EXPECT_NE(seen.exStyle & WS_EX_TOPMOST, 0);
    EXPECT_STREQ(seen.title, kFullScreenTitle);
    EXPECT_EQ(Host.SaverMode, kFullScreenMode);
    EXPECT_FALSE(IsWindow(seen.window));
}

// Two monitors side by side, the second one left of the primary, at 200 %.
int WINAPI TwoMonitors(int index) {
    switch (index) {
        case SM_CXSCREEN:
            return 1024;
        case SM_CYSCREEN:
            return 768;
        case SM_XVIRTUALSCREEN:
            return -800;
        case SM_YVIRTUALSCREEN:
            return 0;
        case SM_CXVIRTUALSCREEN:
            return 1824;
        case SM_CYVIRTUALSCREEN:
            return 768;
        default:
            return GetSystemMetrics(index);
    }
}
int DoubleDpi() { return 192; }
int TwoMonitorList(ScreenArea* monitors, int capacity) {
    if (capacity < 2) return 0;
    monitors[0] = ScreenArea{-800, 0, 800, 600};
    monitors[1] = ScreenArea{0, 0, 1024, 768};
    return 2;
}

// Windows 95: no virtual screen, no monitor list, and 96 DPI.
int WINAPI NoVirtualScreen(int index) {
    switch (index) {
        case SM_XVIRTUALSCREEN:
        case SM_YVIRTUALSCREEN:
        case SM_CXVIRTUALSCREEN:
        case SM_CYVIRTUALSCREEN:
            return 0;
        default:
            return GetSystemMetrics(index);
    }
}
int NormalDpi() { return 96; }
int NoMonitorList(ScreenArea*, int) { return 0; }

struct Drawn {
    int scale = 0;
    PictureSet pictures{};
    Stage stage{};  // the first picture's
};
Drawn drawn;

void CALLBACK LookAtTheDrawingThenPressKey(HWND, UINT, UINT_PTR timer, DWORD) {
    drawn.scale = Animation.scale;
    drawn.pictures = Animation.pictures;
    drawn.stage = FirstPopulation().stage;
    LookThenPressKey(nullptr, 0, timer, 0);
}

TEST_F(SaverSession, SeveralMonitorsAreCoveredWholeEachWithItsOwnPictureAtAWholeScale) {
    StoreSettings(3, 9, 1, 1);
    Animation.getSystemMetrics = TwoMonitors;
    Animation.getScreenDpi = DoubleDpi;
    Animation.listMonitors = TwoMonitorList;
    drawn = Drawn{};
    SetTimer(nullptr, 0, 300, LookAtTheDrawingThenPressKey);
    EXPECT_EQ(Run("/s"), 0);
    ASSERT_NE(seen.window, nullptr);
    EXPECT_EQ(seen.frame.left, -800);
    EXPECT_EQ(seen.frame.top, 0);
    EXPECT_EQ(seen.frame.right, 1024);
    EXPECT_EQ(seen.frame.bottom, 768);
    EXPECT_EQ(drawn.scale, 2);
    // A picture per monitor, placed in window pixels, its stage and its limit in sprite pixels:
    // 600 / 2 / 195 and 768 / 2 / 195 walkers.
    ASSERT_EQ(drawn.pictures.count, 2);
    const Picture& left = drawn.pictures.pictures[0];
    const Picture& primary = drawn.pictures.pictures[1];
    EXPECT_EQ(left.area.left, 0);
    EXPECT_EQ(primary.area.left, 800);
    EXPECT_EQ(left.population.stage.right, 800 / 2);
    EXPECT_EQ(left.population.stage.bottom, 600 / 2);
    EXPECT_EQ(primary.population.stage.right, 1024 / 2);
    EXPECT_EQ(primary.population.stage.bottom, 768 / 2);
    EXPECT_EQ(left.population.stage.count, 1);
    EXPECT_EQ(primary.population.stage.count, 1);
}

TEST_F(SaverSession, WithoutAVirtualScreenTheSaverCoversThePrimaryScreenAsBefore) {
    StoreSettings(3, 9, 1, 1);
    Animation.getSystemMetrics = NoVirtualScreen;
    Animation.getScreenDpi = NormalDpi;
    Animation.listMonitors = NoMonitorList;
    drawn = Drawn{};
    SetTimer(nullptr, 0, 300, LookAtTheDrawingThenPressKey);
    EXPECT_EQ(Run("/s"), 0);
    EXPECT_EQ(seen.frame.left, 0);
    EXPECT_EQ(seen.frame.top, 0);
    EXPECT_EQ(seen.frame.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(seen.frame.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(drawn.scale, 1);
    EXPECT_EQ(drawn.stage.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(drawn.stage.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(drawn.pictures.count, 1);
    EXPECT_EQ(drawn.stage.count, GetSystemMetrics(SM_CYSCREEN) / 195);
}

}  // namespace
