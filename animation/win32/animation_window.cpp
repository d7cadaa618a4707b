#include "animation/win32/animation_window.h"

#include "animation/frame_step.h"
#include "animation/win32/sound_win32.h"
#include "host/host.h"
#include "resources/resource_ids.h"
#include "settings/win32/profile_win32.h"

AnimationState Animation;

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

ScreenMetrics ReadScreenSizes() {
    const auto metric = Animation.getSystemMetrics;
    ScreenMetrics screens;
    screens.primaryWidth = metric(SM_CXSCREEN);
    screens.primaryHeight = metric(SM_CYSCREEN);
    // Systems before Windows 98 and 2000 answer 0 for these.
    screens.virtualLeft = metric(SM_XVIRTUALSCREEN);
    screens.virtualTop = metric(SM_YVIRTUALSCREEN);
    screens.virtualWidth = metric(SM_CXVIRTUALSCREEN);
    screens.virtualHeight = metric(SM_CYVIRTUALSCREEN);
    return screens;
}

ScreenMetrics ReadScreenMetrics() {
    ScreenMetrics screens = ReadScreenSizes();
    screens.dpi = Animation.getScreenDpi();
    return screens;
}

namespace {

constexpr UINT kDpiChangedMessage = 0x02E0;  // WM_DPICHANGED, Windows 8.1 and later

Win32SoundPlatform systemSound;

SoundPlatform& Sound() {
    return Animation.soundPlatform != nullptr ? *Animation.soundPlatform : systemSound;
}

void CreatePreviewSurface(HDC windowDC) {
    Animation.previewDC = CreateCompatibleDC(windowDC);
    Animation.previewBitmap =
        CreateCompatibleBitmap(windowDC, Animation.screenWidth, Animation.screenHeight);
    Animation.previousPreviewBitmap =
        static_cast<HBITMAP>(SelectObject(Animation.previewDC, Animation.previewBitmap));
    const RECT area{0, 0, Animation.screenWidth, Animation.screenHeight};
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    FillRect(Animation.previewDC, &area, black);
    DeleteObject(black);
}

// Full screen draws in sprite pixels of `scale` screen pixels each: the stage, its bands and
// the walker limit all count sprite pixels. The preview shows the primary screen.
void StartStage(HWND window, const ScreenMetrics& screens) {
    const bool preview = Host.SaverMode == kPreviewMode;
    Animation.covered = CoveredArea(screens);
    Animation.scale = preview ? 1 : PixelScale(screens.dpi);
    Animation.settings.walkerCount = BoundedWalkerCount(
        Animation.settings.storedCount, ScaledLength(screens.primaryHeight, Animation.scale));
    RECT area;
    if (preview) {
        area = RECT{0, 0, Animation.screenWidth, Animation.screenHeight};
    } else {
        GetClientRect(window, &area);
        area.right = ScaledLength(area.right, Animation.scale);
        area.bottom = ScaledLength(area.bottom, Animation.scale);
    }
    const Stage stage = MakeStage(area.left, area.top, area.right, area.bottom,
                                  Animation.settings.walkerCount, Animation.settings.eventOdds);
    StartWalkersFromClock(Animation.population, stage);
}

void Initialise(HWND window) {
    const ScreenMetrics screens = ReadScreenMetrics();
    Animation.settings = ReadSaverSettings(screens.primaryHeight);
    SetUpSound(Animation.sound, Sound(), Animation.settings.soundOff);
    HDC windowDC = GetDC(window);
    if (Host.SaverMode == kPreviewMode) {
        GetClientRect(window, &Animation.previewRect);
        Animation.screenWidth = screens.primaryWidth;
        Animation.screenHeight = screens.primaryHeight;
        CreatePreviewSurface(windowDC);
    }
    StartStage(window, screens);
    LoadAtlasImage(Animation.atlas, IDB_SHEET);
    CreateAtlasSurface(Animation.atlas, windowDC);
    ReleaseDC(window, windowDC);
}

bool SameArea(const ScreenArea& a, const ScreenArea& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

// After a change of resolution, monitors, DPI or work area the full-screen window covers the
// new virtual screen at once: a part of the screen it left uncovered would show the desktop
// and take clicks and keys past the password. Where the screens really changed, the walkers
// start again on the new stage.
void FollowScreens(HWND window) {
    const ScreenMetrics screens = ReadScreenMetrics();
    const ScreenArea covered = CoveredArea(screens);
    SetWindowPos(window, HWND_TOPMOST, covered.left, covered.top, covered.width, covered.height,
                 SWP_NOACTIVATE);
    if (SameArea(covered, Animation.covered) && PixelScale(screens.dpi) == Animation.scale) return;
    StartStage(window, screens);
    InvalidateRect(window, nullptr, TRUE);  // the old walkers go with the background
}

// Wine, for one, resizes its screen without telling any window: every tick looks (the sizes
// only, which cost nothing).
bool ScreensMoved() {
    return !SameArea(CoveredArea(ReadScreenSizes()), Animation.covered);
}

// Every paint is one tick, whatever caused it.
void PaintTick(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HPALETTE previous = SelectPalette(dc, Animation.atlas.palette, FALSE);
    RealizePalette(dc);
    const bool preview = Host.SaverMode == kPreviewMode;
    if (Animation.scale > 1) SetStretchBltMode(dc, COLORONCOLOR);  // hard pixel edges
    GdiCanvas canvas(preview ? Animation.previewDC : dc, Animation.atlas.surfaceDC,
                     Animation.scale);
    RunFrameStep(Animation.population, canvas, Animation.sound, Sound());
    if (preview) {
        StretchBlt(dc, 0, 0, Animation.previewRect.right, Animation.previewRect.bottom,
                   Animation.previewDC, 0, 0, Animation.screenWidth, Animation.screenHeight,
                   SRCCOPY);
    }
    SelectPalette(dc, previous, FALSE);
    EndPaint(window, &paint);
}

void ReleaseDrawingObjects() {
    if (Animation.previewDC != nullptr) {
        SelectObject(Animation.previewDC, Animation.previousPreviewBitmap);
        DeleteDC(Animation.previewDC);
        DeleteObject(Animation.previewBitmap);
        Animation.previewDC = nullptr;
        Animation.previewBitmap = nullptr;
    }
    ReleaseAtlas(Animation.atlas);
}

}  // namespace

LRESULT CALLBACK AnimationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            Animation.population.stage.count = 0;
            PostMessageA(window, MSG_INIT_SAVER, 0, 0);
            return 0;
        case MSG_INIT_SAVER:
            // Another program may post it again: building a second set would leak the first.
            if (Animation.initialised) return 0;
            Animation.initialised = true;
            Initialise(window);
            [[fallthrough]];
        case MSG_ARM_TIMER:
            SetTimer(window, kTickTimerId, Animation.settings.timerInterval, nullptr);
            return 0;
        case WM_TIMER:
            if (Host.SaverMode == kFullScreenMode && ScreensMoved()) FollowScreens(window);
            // Re-armed by a posted message, which is served before the paint that draws the tick.
            KillTimer(window, kTickTimerId);
            InvalidateRect(window, nullptr, FALSE);
            PostMessageA(window, MSG_ARM_TIMER, 0, 0);
            return 0;
        case WM_PAINT:
            PaintTick(window);
            return 0;
        case WM_DISPLAYCHANGE:
        case kDpiChangedMessage:
        case WM_SETTINGCHANGE:
            if (Host.SaverMode == kFullScreenMode && Animation.initialised && !Host.CloseApproved) {
                FollowScreens(window);
            }
            return HostDefaultProc(window, message, wParam, lParam);
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            if (Host.SaverMode == kFullScreenMode) PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        case WM_CLOSE:
            // Nothing is released until the host (and its password component) lets the window go.
            if (!ApproveClose(window)) return 0;
            KillTimer(window, kTickTimerId);
            ReleaseDrawingObjects();
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            // A preview also ends when its host window goes away, without a close request.
            KillTimer(window, kTickTimerId);
            ReleaseDrawingObjects();
            PostQuitMessage(0);
            return 0;
        default:
            return HostDefaultProc(window, message, wParam, lParam);
    }
}
