// The animation's window procedure: deferred set-up, the tick timer, painting on the screen or
// scaled into the preview, and releasing the drawing objects when the window closes.
#pragma once
#include <windows.h>

#include "animation/pictures.h"
#include "animation/screen_geometry.h"
#include "animation/sound_effects.h"
#include "animation/walkers.h"
#include "animation/win32/gdi_atlas.h"
#include "settings/settings_store.h"
#include "settings/win32/profile_win32.h"

constexpr UINT MSG_INIT_SAVER = WM_USER + 10;
constexpr UINT MSG_ARM_TIMER = WM_USER + 11;
constexpr UINT_PTR kTickTimerId = 0;
// Full screen: how often the screens are looked at, whatever the speed, so that a change of
// screen leaves the desktop uncovered for no longer than this (plus the system's own delay).
constexpr UINT_PTR kScreenTimerId = 1;
constexpr UINT kScreenCheckMs = 50;

// The monitors in screen pixels (at most `capacity`), where the system can say (Windows 98 and
// 2000 on); 0 where it cannot (Windows 95, NT 4.0).
int ListMonitors(ScreenArea* monitors, int capacity);

// Everything the animation owns for the one saver window of the process. Tests reset it by
// assigning a fresh value (after the previous window has been closed).
struct AnimationState {
    bool initialised = false;  // the first MSG_INIT_SAVER builds everything; later ones do nothing
    SaverSettings settings{};
    // One picture per monitor, each in its own part of the window (the preview: one picture).
    PictureSet pictures{};
    SoundEffects sound{};
    SpriteAtlas atlas{};
    // Preview only: the whole screen drawn off screen, then stretched into the window.
    RECT previewRect{};
    int screenWidth = 0;
    int screenHeight = 0;
    HDC previewDC = nullptr;
    HBITMAP previewBitmap = nullptr;
    HBITMAP previousPreviewBitmap = nullptr;
    // Full screen: where the window is, in screen pixels (the preview: the primary screen)
    ScreenArea covered{};
    // Full screen: screen pixels per sprite pixel on a high-DPI screen; 1 in preview.
    int32_t scale = 1;
    // Sound output; tests put a recorder here.
    SoundPlatform* soundPlatform = nullptr;
    // What the system says about its screens; tests pose as other screens here.
    int(WINAPI* getSystemMetrics)(int) = GetSystemMetrics;
    int (*getScreenDpi)() = ScreenDpi;
    int (*listMonitors)(ScreenArea*, int) = ListMonitors;
};

extern AnimationState Animation;

// The screens through the metrics and DPI sources above; the sizes alone without the DPI.
ScreenMetrics ReadScreenMetrics();
ScreenMetrics ReadScreenSizes();

LRESULT CALLBACK AnimationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
