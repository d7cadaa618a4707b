// Where the full-screen saver goes and how large it draws, decided from what the system reports
// about its screens: the whole virtual screen where there are several monitors, and a
// whole-number pixel scale on a high-DPI screen so the figures keep about their 96-DPI size.
#pragma once
#include <cstdint>

// The system's answers, in physical screen pixels. A system that knows no virtual screen
// (Windows 95) answers 0 for its size.
struct ScreenMetrics {
    int32_t primaryWidth = 0;
    int32_t primaryHeight = 0;
    int32_t virtualLeft = 0;
    int32_t virtualTop = 0;
    int32_t virtualWidth = 0;
    int32_t virtualHeight = 0;
    int32_t dpi = 0;  // logical pixels per inch of the screen; 0 when unknown
};

struct ScreenArea {
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
};

// The area the full-screen window covers: the virtual screen where the system reports one,
// otherwise the primary screen at 0, 0.
ScreenArea CoveredArea(const ScreenMetrics& metrics);

// Screen pixels per sprite pixel: max(1, round(dpi / 96)).
int32_t PixelScale(int32_t dpi);

// A length of the screen in sprite pixels; the screen pixels left over stay black.
inline int32_t ScaledLength(int32_t screenPixels, int32_t scale) { return screenPixels / scale; }

// The largest monitor or output side the saver draws on, in device pixels. Beyond it a size is
// taken for a fault of whoever reported it: a picture of 16384 x 16384 pixels already needs
// 1 GiB, and the arithmetic on such sizes stays far from overflowing.
constexpr int32_t kMaxOutputSide = 16384;

// True for an area 1..kMaxOutputSide pixels a side whose every edge lies within int32_t.
bool UsableArea(int64_t left, int64_t top, int64_t width, int64_t height);
