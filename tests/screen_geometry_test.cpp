#include <gtest/gtest.h>

#include <cstdint>

#include "animation/screen_geometry.h"

namespace {

ScreenMetrics Screens(int32_t primaryWidth, int32_t primaryHeight, int32_t virtualLeft,
                      int32_t virtualTop, int32_t virtualWidth, int32_t virtualHeight) {
    ScreenMetrics m;
    m.primaryWidth = primaryWidth;
    m.primaryHeight = primaryHeight;
    m.virtualLeft = virtualLeft;
    m.virtualTop = virtualTop;
    m.virtualWidth = virtualWidth;
    m.virtualHeight = virtualHeight;
    m.dpi = 96;
    return m;
}

void ExpectArea(const ScreenArea& a, int32_t left, int32_t top, int32_t width, int32_t height) {
    EXPECT_EQ(a.left, left);
    EXPECT_EQ(a.top, top);
    EXPECT_EQ(a.width, width);
    EXPECT_EQ(a.height, height);
}

}  // namespace

TEST(CoveredArea, OneMonitorIsThePrimaryScreenAsBefore) {
    ExpectArea(CoveredArea(Screens(1024, 768, 0, 0, 1024, 768)), 0, 0, 1024, 768);
}

TEST(CoveredArea, SeveralMonitorsAreCoveredWholeWhereverThePrimaryLies) {
    // A second screen to the right, one to the left (negative coordinates), one above and
    // taller than the primary.
    ExpectArea(CoveredArea(Screens(1024, 768, 0, 0, 1824, 768)), 0, 0, 1824, 768);
    ExpectArea(CoveredArea(Screens(1920, 1080, -1280, 0, 3200, 1080)), -1280, 0, 3200, 1080);
    ExpectArea(CoveredArea(Screens(1024, 768, 0, -1200, 1920, 1968)), 0, -1200, 1920, 1968);
}

TEST(CoveredArea, ASystemWithoutAVirtualScreenGetsThePrimaryScreen) {
    // Windows 95 answers 0 for the virtual-screen metrics; a half answer counts as none too.
    ExpectArea(CoveredArea(Screens(800, 600, 0, 0, 0, 0)), 0, 0, 800, 600);
    ExpectArea(CoveredArea(Screens(800, 600, 0, 0, 1600, 0)), 0, 0, 800, 600);
    ExpectArea(CoveredArea(Screens(800, 600, 5, 5, -1, 600)), 0, 0, 800, 600);
}

TEST(PixelScale, RoundsTheDpiToWholeMultiplesOf96AndNeverGoesBelowOne) {
    EXPECT_EQ(PixelScale(96), 1);
    EXPECT_EQ(PixelScale(120), 1);  // 125 %
    EXPECT_EQ(PixelScale(143), 1);
    EXPECT_EQ(PixelScale(144), 2);  // 150 % rounds up
    EXPECT_EQ(PixelScale(192), 2);  // 200 %
    EXPECT_EQ(PixelScale(239), 2);
    EXPECT_EQ(PixelScale(240), 3);  // 250 %
    EXPECT_EQ(PixelScale(288), 3);
    EXPECT_EQ(PixelScale(384), 4);
    EXPECT_EQ(PixelScale(72), 1);
    EXPECT_EQ(PixelScale(47), 1);
}

TEST(PixelScale, AnUnknownOrAbsurdDpiIsSafe) {
    EXPECT_EQ(PixelScale(0), 1);
    EXPECT_EQ(PixelScale(-96), 1);
    EXPECT_EQ(PixelScale(INT32_MAX), INT32_MAX / 96);  // no overflow
}

TEST(ScaledLength, CountsWholeSpritePixels) {
    EXPECT_EQ(ScaledLength(768, 1), 768);
    EXPECT_EQ(ScaledLength(2160, 2), 1080);
    EXPECT_EQ(ScaledLength(1081, 2), 540);  // the odd screen pixel stays black
    // The walker limit from the primary height in sprite pixels: 3840x2160 at 200 % fits 5.
    EXPECT_EQ(ScaledLength(2160, 2) / 195, 5);
}

TEST(UsableArea, LeavesOutAbsurdSizesAndEdgesThatOverflow) {
    EXPECT_TRUE(UsableArea(0, 0, kMaxOutputSide, kMaxOutputSide));
    EXPECT_TRUE(UsableArea(-1920, 0, 1920, 1080));
    EXPECT_FALSE(UsableArea(0, 0, kMaxOutputSide + 1, 1080));
    EXPECT_FALSE(UsableArea(0, 0, 1920, kMaxOutputSide + 1));
    EXPECT_FALSE(UsableArea(0, 0, 0, 1080));
    EXPECT_FALSE(UsableArea(0, 0, 1920, -1));
    EXPECT_FALSE(UsableArea(INT32_MAX - 100, 0, 1920, 1080));  // its right edge would wrap
    EXPECT_FALSE(UsableArea(0, int64_t{INT32_MIN} - 1, 1920, 1080));
}
