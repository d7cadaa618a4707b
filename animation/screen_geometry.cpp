#include "animation/screen_geometry.h"

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
