#include "animation/win32/animation_window.h"

#include "animation/frame_step.h"
#include "animation/random.h"
#include "animation/win32/sound_win32.h"
#include "host/host.h"
#include "resources/resource_ids.h"
#include "settings/win32/profile_win32.h"

AnimationState Animation;

namespace {

// The monitor calls as Windows 98 and 2000 declare them, looked up while the saver runs.
struct MonitorInfo {
    DWORD size;
    RECT monitor;
    RECT work;
    DWORD flags;
};
using MonitorEnumProc = BOOL(CALLBACK*)(HANDLE, HDC, RECT*, LPARAM);
using EnumMonitorsFn = BOOL(WINAPI*)(HDC, const RECT*, MonitorEnumProc, LPARAM);
using MonitorInfoFn = BOOL(WINAPI*)(HANDLE, MonitorInfo*);

struct MonitorList {
    MonitorInfoFn info;
    ScreenArea* areas;
    int capacity;
    int count;
};

BOOL CALLBACK AddMonitor(HANDLE monitor, HDC, RECT*, LPARAM data) {
    MonitorList& list = *reinterpret_cast<MonitorList*>(data);
    MonitorInfo info{};
    info.size = sizeof info;
    if (list.count < list.capacity && list.info(monitor, &info)) {
        const RECT& r = info.monitor;
        list.areas[list.count++] = ScreenArea{r.left, r.top, r.right - r.left, r.bottom - r.top};
    }
    return TRUE;
}

}  // namespace

int ListMonitors(ScreenArea* monitors, int capacity) {
    HMODULE user = GetModuleHandleA("USER32.DLL");
    if (user == nullptr) return 0;
    const auto enumerate = reinterpret_cast<EnumMonitorsFn>(
        reinterpret_cast<void*>(GetProcAddress(user, "EnumDisplayMonitors")));
    const auto info = reinterpret_cast<MonitorInfoFn>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetMonitorInfoA")));
    if (enumerate == nullptr || info == nullptr) return 0;
    MonitorList list{info, monitors, capacity, 0};
    if (!enumerate(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&list))) return 0;
    return list.count;
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
    // Windows ignores DeleteObject on a stock object, so this "delete" is harmless; it stays
    // because the saver has always made the call.
    DeleteObject(black);
}

// The monitors in pixels of a window that covers `covered`; where the system lists none, the
// window's own client area.
int MonitorsInWindow(HWND window, const ScreenArea& covered, ScreenArea* monitors) {
    int count = Animation.listMonitors(monitors, kMaxMonitors);
    for (int i = 0; i < count; ++i) {
        monitors[i].left -= covered.left;
        monitors[i].top -= covered.top;
    }
    if (count == 0) {
        RECT client;
        GetClientRect(window, &client);
        monitors[count++] = ScreenArea{0, 0, client.right, client.bottom};
    }
    return count;
}

// Full screen draws one picture per monitor, in sprite pixels of `scale` screen pixels each:
// every stage, its bands and its walker limit count sprite pixels. The preview shows the
// primary screen as one picture.
void StartStage(HWND window, const ScreenMetrics& screens) {
    const bool preview = Host.SaverMode == kPreviewMode;
    Animation.covered = CoveredArea(screens);
    Animation.scale = preview ? 1 : PixelScale(screens.dpi);
    Animation.settings.walkerCount = BoundedWalkerCount(
        Animation.settings.storedCount, ScaledLength(screens.primaryHeight, Animation.scale));
    ScreenArea monitors[kMaxMonitors];
    int count = 1;
    if (preview) {
        monitors[0] = ScreenArea{0, 0, Animation.screenWidth, Animation.screenHeight};
    } else {
        count = MonitorsInWindow(window, Animation.covered, monitors);
    }
    StartPictures(Animation.pictures, monitors, count, Animation.scale,
                  Animation.settings.storedCount, Animation.settings.eventOdds, ClockSeed());
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
    LoadSheetResource(Animation.atlas, IDB_SHEET);
    CreateAtlasSurface(Animation.atlas, windowDC);
    ReleaseDC(window, windowDC);
}

bool SameArea(const ScreenArea& a, const ScreenArea& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

// True when the pictures were made for these monitors at this scale.
bool PicturesFit(const ScreenArea* monitors, int count, int32_t scale) {
    const PictureSet& set = Animation.pictures;
    if (count != MonitorCount(set) || scale != Animation.scale) return false;
    for (int i = 0; i < count; ++i) {
        if (!SameArea(monitors[i], MonitorArea(set, i))) return false;
    }
    return true;
}

// After a change of resolution, monitors, DPI or work area the full-screen window covers the
// new virtual screen at once: a part of the screen it left uncovered would show the desktop
// and take clicks and keys past the password. Where the screens really changed, the pictures
// start again on the new monitors.
void FollowScreens(HWND window) {
    const ScreenMetrics screens = ReadScreenMetrics();
    const ScreenArea covered = CoveredArea(screens);
    SetWindowPos(window, HWND_TOPMOST, covered.left, covered.top, covered.width, covered.height,
                 SWP_NOACTIVATE);
    ScreenArea monitors[kMaxMonitors];
    const int count = MonitorsInWindow(window, covered, monitors);
    if (SameArea(covered, Animation.covered) &&
        PicturesFit(monitors, count, PixelScale(screens.dpi))) {
        return;
    }
    StartStage(window, screens);
    InvalidateRect(window, nullptr, TRUE);  // the old walkers go with the background
}

// Wine, for one, resizes its screen without telling any window: every tick looks (the sizes
// only, which cost nothing).
bool ScreensMoved() { return !SameArea(CoveredArea(ReadScreenSizes()), Animation.covered); }

// Each monitor's part of the window (or of the preview's picture of the screen).
class GdiMonitors final : public MonitorCanvases {
public:
    GdiMonitors(HDC target, HDC atlas) : target_(target), atlas_(atlas) {}
    Canvas& On(const ScreenArea& monitor, int32_t scale) override {
        canvas_ = GdiCanvas(target_, atlas_, scale, monitor.left, monitor.top);
        return canvas_;
    }

private:
    HDC target_;
    HDC atlas_;
    GdiCanvas canvas_{nullptr, nullptr};
};

// Every paint is one tick, whatever caused it: each picture steps on its own monitor (and on
// those sharing it) in its part of the window, and the tick plays at most one sound for all.
void PaintTick(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HPALETTE previous = SelectPalette(dc, Animation.atlas.palette, FALSE);
    RealizePalette(dc);
    const bool preview = Host.SaverMode == kPreviewMode;
    if (Animation.scale > 1) SetStretchBltMode(dc, COLORONCOLOR);  // hard pixel edges
    GdiMonitors monitors(preview ? Animation.previewDC : dc, Animation.atlas.surfaceDC);
    const CueSet raised = StepPictures(Animation.pictures, monitors);
    PlayStepCue(raised, Animation.sound, Sound());
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
            Animation.pictures.count = 0;
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
