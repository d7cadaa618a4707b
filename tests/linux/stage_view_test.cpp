#include "linux/stage_view.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A view of a 4 x 3 stage at scale 2 on a 9 x 7 buffer (an odd pixel left over on each side)
// with rows of 10 pixels, whose buffers are made here.
struct Fixture {
    Surface atlas{8, 8};
    StageView view;
    std::vector<uint32_t> memory[2];
    Fixture() {
        for (int32_t i = 0; i < 64; ++i) atlas.pixels[i] = 0x100 + static_cast<uint32_t>(i);
        StartPicture(view.picture, {0, 0, 9, 7}, 2, 1, 10, 1);
        view.scale = 2;
        Make(0);
        BeginPicture(view);
    }
    bool Make(int i) {
        memory[i].assign(70, 0xDEAD);
        view.buffers[i].device = {memory[i].data(), 9, 7, 10};
        return true;
    }
    void Draw(bool frameDue) {
        DrawPending(view, frameDue, [this](int i) { return Make(i); });
    }
    void Commit() {
        view.buffers[view.drawing].held = true;
        view.drawing = -1;
        view.damage.clear();
    }
};

// A copy lands as whole 2 x 2 blocks, clipped to the stage; a new picture clears the buffer
// first, the spare pixels and the row padding apart.
TEST(StageView, CopiesAreScaledBlocksOnACleanBuffer) {
    Fixture f;
    ViewCanvas(f.view, f.atlas).CopyFromAtlas(-1, 1, 3, 5, 0, 0);  // clipped to x 0..1, y 1..2
    ASSERT_EQ(f.view.damage.size(), 1u);
    EXPECT_EQ(f.view.damage[0].y, 0);  // the whole new picture
    f.Draw(false);
    for (int32_t y = 0; y < 7; ++y) {
        for (int32_t x = 0; x < 10; ++x) {
            const int32_t sx = x / 2, sy = y / 2;
            const uint32_t want = x == 9                     ? 0xDEAD
                                  : x < 4 && y >= 2 && y < 6 ? f.atlas.At(sx + 1, sy - 1)
                                                             : 0;
            EXPECT_EQ(f.memory[0][static_cast<size_t>(y) * 10 + x], want) << x << "," << y;
        }
    }
}

// One buffer while the compositor gives it back by the next frame; a second one when it still
// holds it then; a buffer that comes back gets what it missed and nothing else.
TEST(StageView, SecondBufferOnlyWhenHeldAndMissedRectanglesOnly) {
    Fixture f;
    ViewCanvas canvas(f.view, f.atlas);
    f.Draw(true);
    f.Commit();
    canvas.CopyFromAtlas(0, 0, 1, 1, 5, 0);
    f.Draw(false);  // held, and no frame yet: waits
    EXPECT_EQ(f.view.drawing, -1);
    EXPECT_TRUE(f.memory[1].empty());
    f.Draw(true);  // still held at the frame: a second buffer, brought up to date
    ASSERT_EQ(f.view.drawing, 1);
    f.Commit();
    f.view.buffers[0].held = false;
    EXPECT_EQ(f.memory[0][0], 0u);
    f.memory[0][6] = 0xBAD;  // stage pixel (3, 0): neither drawn nor missed
    canvas.CopyFromAtlas(2, 2, 1, 1, 6, 0);
    f.Draw(false);
    EXPECT_EQ(f.view.drawing, 0);
    EXPECT_EQ(f.memory[0][11], f.atlas.At(5, 0));  // missed, copied from the other buffer
    EXPECT_EQ(f.memory[0][44], f.atlas.At(6, 0));  // drawn now
    EXPECT_EQ(f.memory[0][6], 0xBADu);
}

// Sides up to 16384 device pixels, whatever the scale; beyond, or overflowing, refused.
TEST(StageView, DeviceSizesAreBounded) {
    int32_t w = 0, h = 0, s = 0;
    EXPECT_TRUE(DeviceSize(8192, 4096, 2, false, w, h, s));
    EXPECT_EQ(w, 16384);
    EXPECT_TRUE(DeviceSize(1280, 720, 180, true, w, h, s));  // 1.5: stage pixels of 2
    EXPECT_EQ(w * 1000 + h * 10 + s, 1920 * 1000 + 1080 * 10 + 2);
    EXPECT_FALSE(DeviceSize(8193, 10, 2, false, w, h, s));
    EXPECT_FALSE(DeviceSize(1, 1, INT32_MAX, false, w, h, s));
    EXPECT_FALSE(DeviceSize(INT32_MAX, INT32_MAX, UINT32_MAX, true, w, h, s));
    EXPECT_FALSE(DeviceSize(0, 10, 1, false, w, h, s));
    EXPECT_EQ(w, 1920);  // refusals leave it alone
}

// Rectangles that mostly overlap become one, and a long list becomes its bounding box.
TEST(StageView, LongRectangleListsCollapse) {
    std::vector<StageRect> rects;
    AddRects(rects, {{0, 3, 3, 2}, {1, 2, 3, 3}});
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].w * 10 + rects[0].h, 43);
    rects.clear();
    for (int32_t i = 0; i < 64; ++i) AddRects(rects, {{i, 2 * i, 1, 1}});
    EXPECT_EQ(rects.size(), 64u);
    AddRects(rects, {{-5, 0, 1, 1}});
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].x, -5);
    EXPECT_EQ(rects[0].w * 1000 + rects[0].h, 69 * 1000 + 127);
}

}  // namespace
