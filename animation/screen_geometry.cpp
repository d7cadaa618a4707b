#include "animation/screen_geometry.h"

#include <cstdint>

ScreenArea CoveredArea(const ScreenMetrics& metrics) {
    if (metrics.virtualWidth > 0 && metrics.virtualHeight > 0) {
        return {metrics.virtualLeft, metrics.virtualTop, metrics.virtualWidth,
                metrics.virtualHeight};
    }
    return {0, 0, metrics.primaryWidth, metrics.primaryHeight};
}

int32_t PixelScale(int32_t dpi) {
    constexpr int32_t kBaseDpi = 96;
    if (dpi <= 0) return 1;  // unknown
    const int32_t scale = dpi / kBaseDpi + (dpi % kBaseDpi >= kBaseDpi / 2 ? 1 : 0);
    return scale < 1 ? 1 : scale;
}

bool UsableArea(int64_t left, int64_t top, int64_t width, int64_t height) {
    constexpr int64_t kLow = INT32_MIN, kHigh = INT32_MAX;
    const auto within = [](int64_t value) { return value >= kLow && value <= kHigh; };
    return width >= 1 && height >= 1 && width <= kMaxOutputSide && height <= kMaxOutputSide &&
           within(left) && within(top) && within(left + width) && within(top + height);
}
