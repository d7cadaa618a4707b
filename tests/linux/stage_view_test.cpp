#include "linux/stage_view.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Each stage pixel becomes a scale x scale block at its place in the device buffer, rectangles
// are clipped to the stage and the buffer, and the rest of the buffer is left alone.
TEST(StageView, ScaledCopiesAreWholeBlocksInsideBothSurfaces) {
    Surface stage(4, 3);
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 4; ++x) stage.At(x, y) = static_cast<uint32_t>(0x100 * y + x + 1);
    }
    const int32_t width = 9, height = 7, stride = 10;  // an odd pixel left over on each side
    std::vector<uint32_t> device(static_cast<size_t>(stride) * height, 0xDEAD);
    ScaleRectsInto(stage, {{1, 1, 2, 1}, {3, -2, 9, 9}}, 2, device.data(), width, height, stride);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < stride; ++x) {
            const int32_t sx = x / 2, sy = y / 2;
            const bool copied = x < 8 && y < 6 && ((sy == 1 && (sx == 1 || sx == 2)) || sx == 3);
            const uint32_t want = copied ? stage.At(sx, sy) : 0xDEAD;
            EXPECT_EQ(device[static_cast<size_t>(y) * stride + x], want) << x << "," << y;
        }
    }
}

// What a step draws lands in the stage surface and in its list of changed rectangles, clipped;
// rectangles that mostly overlap become one, and a long list becomes its bounding box.
TEST(StageView, CanvasRecordsClippedDamageAndLongListsCollapse) {
    Surface atlas(8, 8);
    atlas.At(3, 1) = 0x123456;
    StageView view;
    view.stage = Surface(5, 5);
    ViewCanvas canvas(view, atlas);
    canvas.CopyFromAtlas(-1, 3, 4, 4, 1, 0);  // clipped to x 0..2, y 3..4
    canvas.CopyFromAtlas(9, 9, 2, 2, 0, 0);   // wholly outside: nothing
    ASSERT_EQ(view.damage.size(), 1u);
    EXPECT_EQ(view.damage[0].x, 0);
    EXPECT_EQ(view.damage[0].y, 3);
    EXPECT_EQ(view.damage[0].w, 3);
    EXPECT_EQ(view.damage[0].h, 2);
    EXPECT_EQ(view.stage.At(1, 4), 0x123456u);  // atlas (3, 1) through the clipped copy
    EXPECT_EQ(view.stage.At(3, 4), 0u);

    canvas.CopyFromAtlas(1, 2, 3, 3, 0, 0);  // overlaps the first: one rectangle covers both
    ASSERT_EQ(view.damage.size(), 1u);
    EXPECT_EQ(view.damage[0].x, 0);
    EXPECT_EQ(view.damage[0].y, 2);
    EXPECT_EQ(view.damage[0].w, 4);
    EXPECT_EQ(view.damage[0].h, 3);

    std::vector<StageRect> rects;
    for (int32_t i = 0; i < 64; ++i) AddRects(rects, {{i, 2 * i, 1, 1}});
    EXPECT_EQ(rects.size(), 64u);
    AddRects(rects, {{-5, 0, 1, 1}});
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].x, -5);
    EXPECT_EQ(rects[0].y, 0);
    EXPECT_EQ(rects[0].w, 69);
    EXPECT_EQ(rects[0].h, 127);
}

}  // namespace
