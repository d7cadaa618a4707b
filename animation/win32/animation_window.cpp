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

ScreenMetrics ReadScreenMetrics() {
    const auto metric = Animation.getSystemMetrics;
    ScreenMetrics screens;
    screens.primaryWidth = metric(SM_CXSCREEN);
    screens.primaryHeight = metric(SM_CYSCREEN);
    // Systems before Windows 98 and 2000 answer 0 for these.
    screens.virtualLeft = metric(SM_XVIRTUALSCREEN);
    screens.virtualTop = metric(SM_YVIRTUALSCREEN);
    screens.virtualWidth = metric(SM_CXVIRTUALSCREEN);
    screens.virtualHeight = metric(SM_CYVIRTUALSCREEN);
    screens.dpi = Animation.getScreenDpi();
    return screens;
}

namespace {

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
    // Windows ignores DeleteObject on a stock object, so this "delete" is harmless; it stays
    // because the saver has always made the call.
    DeleteObject(black);
}

void Initialise(HWND window) {
    const ScreenMetrics screens = ReadScreenMetrics();
    const bool preview = Host.SaverMode == kPreviewMode;
    // Full screen draws in sprite pixels of `scale` screen pixels each: the stage, its bands
    // and the walker limit all count sprite pixels. The preview shows the primary screen.
    Animation.scale = preview ? 1 : PixelScale(screens.dpi);
    Animation.settings = ReadSaverSettings(ScaledLength(screens.primaryHeight, Animation.scale));
    SetUpSound(Animation.sound, Sound(), Animation.settings.soundOff);
    HDC windowDC = GetDC(window);
    RECT area;
    if (preview) {
        GetClientRect(window, &Animation.previewRect);
        Animation.screenWidth = screens.primaryWidth;
        Animation.screenHeight = screens.primaryHeight;
        area = RECT{0, 0, Animation.screenWidth, Animation.screenHeight};
        CreatePreviewSurface(windowDC);
    } else {
        GetClientRect(window, &area);
        area.right = ScaledLength(area.right, Animation.scale);
        area.bottom = ScaledLength(area.bottom, Animation.scale);
    }
    const Stage stage = MakeStage(area.left, area.top, area.right, area.bottom,
                                  Animation.settings.walkerCount, Animation.settings.eventOdds);
    StartWalkersFromClock(Animation.population, stage);
    LoadSheetResource(Animation.atlas, IDB_SHEET);
    CreateAtlasSurface(Animation.atlas, windowDC);
    ReleaseDC(window, windowDC);
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
            // Re-armed by a posted message, which is served before the paint that draws the tick.
            KillTimer(window, kTickTimerId);
            InvalidateRect(window, nullptr, FALSE);
            PostMessageA(window, MSG_ARM_TIMER, 0, 0);
            return 0;
        case WM_PAINT:
            PaintTick(window);
            return 0;
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
