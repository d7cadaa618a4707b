#include "linux/present_canvas.h"

#include <gtest/gtest.h>

#include <vector>

#include "animation/atlas_image.h"
#include "animation/frame_step.h"
#include "resources/assets.h"

namespace {

struct Put {
    int32_t x, y, w, h;
    std::vector<uint32_t> pixels;
};

class RecordingSink final : public RectSink {
public:
    std::vector<Put> puts;
    void PutRect(const Surface& pixels, int32_t x, int32_t y) override {
        Put put{x, y, pixels.width, pixels.height, {}};
        for (int32_t row = 0; row < pixels.height; ++row) {
            for (int32_t column = 0; column < pixels.width; ++column) {
                put.pixels.push_back(pixels.At(column, row));
            }
        }
        puts.push_back(put);
    }
};

// Every atlas pixel says where it is: 0x00XXXYYY.
Surface NumberedAtlas(int32_t w, int32_t h) {
    Surface atlas(w, h);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) atlas.At(x, y) = static_cast<uint32_t>(x << 12 | y);
    }
    return atlas;
}

TEST(PresentingCanvas, SendsEachCopyClippedToTheAreaWithTheAtlasPixels) {
    const Surface atlas = NumberedAtlas(300, 200);
    RecordingSink sink;
    PresentingCanvas canvas(atlas, sink);
    canvas.SetArea(100, 80);

    canvas.CopyFromAtlas(10, 20, 4, 3, 50, 60);     // inside
    canvas.CopyFromAtlas(-2, -1, 5, 4, 7, 8);       // over the top-left corner
    canvas.CopyFromAtlas(98, 78, 16, 136, 0, 0);    // over the bottom-right corner
    canvas.CopyFromAtlas(-128, 5, 128, 136, 0, 0);  // waiting left of the area: nothing
    canvas.CopyFromAtlas(100, 5, 16, 16, 0, 0);     // just right of it: nothing
    canvas.CopyFromAtlas(2147483600, 2147483600, 128, 136, 0, 0);  // far away: no wrap
    canvas.CopyFromAtlas(5, 5, 10, 10, 295, 195);  // past the atlas's edge: only what exists

    ASSERT_EQ(sink.puts.size(), 4u);
    const Put& inside = sink.puts[0];
    EXPECT_EQ(inside.x, 10);
    EXPECT_EQ(inside.y, 20);
    EXPECT_EQ(inside.w, 4);
    EXPECT_EQ(inside.h, 3);
    EXPECT_EQ(inside.pixels.front(), static_cast<uint32_t>(50 << 12 | 60));
    EXPECT_EQ(inside.pixels.back(), static_cast<uint32_t>(53 << 12 | 62));

    const Put& corner = sink.puts[1];
    EXPECT_EQ(corner.x, 0);
    EXPECT_EQ(corner.y, 0);
    EXPECT_EQ(corner.w, 3);
    EXPECT_EQ(corner.h, 3);
    EXPECT_EQ(corner.pixels.front(), static_cast<uint32_t>(9 << 12 | 9));  // cut 2 columns, 1 row

    const Put& far = sink.puts[2];
    EXPECT_EQ(far.x, 98);
    EXPECT_EQ(far.y, 78);
    EXPECT_EQ(far.w, 2);
    EXPECT_EQ(far.h, 2);
    EXPECT_EQ(far.pixels[3], static_cast<uint32_t>(1 << 12 | 1));

    const Put& edge = sink.puts[3];
    EXPECT_EQ(edge.w, 5);
    EXPECT_EQ(edge.h, 5);
    EXPECT_EQ(edge.pixels.back(), static_cast<uint32_t>(299 << 12 | 199));

    EXPECT_EQ(canvas.PixelsSent(), 12u + 9u + 4u + 25u);
}

TEST(PresentingCanvas, SmallCopyAfterALargeOneSendsOnlyItsOwnPixels) {
    const Surface atlas = NumberedAtlas(200, 200);
    RecordingSink sink;
    PresentingCanvas canvas(atlas, sink);
    canvas.SetArea(640, 480);
    canvas.CopyFromAtlas(0, 0, 176, 168, 0, 0);
    canvas.CopyFromAtlas(300, 200, 2, 2, 100, 100);
    ASSERT_EQ(sink.puts.size(), 2u);
    EXPECT_EQ(sink.puts[1].pixels, (std::vector<uint32_t>{100 << 12 | 100, 101 << 12 | 100,
                                                          100 << 12 | 101, 101 << 12 | 101}));

    // A smaller area after a resize clips at the new size.
    canvas.SetArea(301, 201);
    canvas.CopyFromAtlas(300, 200, 2, 2, 100, 100);
    ASSERT_EQ(sink.puts.size(), 3u);
    EXPECT_EQ(sink.puts[2].w, 1);
    EXPECT_EQ(sink.puts[2].h, 1);
}

// Paints what it is sent onto a picture of the whole area, as the X server does.
class MirrorSink final : public RectSink {
public:
    explicit MirrorSink(Surface& screen) : screen_(screen) {}
    void PutRect(const Surface& pixels, int32_t x, int32_t y) override {
        for (int32_t row = 0; row < pixels.height; ++row) {
            for (int32_t column = 0; column < pixels.width; ++column) {
                screen_.At(x + column, y + row) = pixels.At(column, row);
            }
        }
        ++puts;
    }
    int puts = 0;

private:
    Surface& screen_;
};

Surface BuiltInSheet() {
    Surface atlas;
    const char* error = nullptr;
    EXPECT_TRUE(DecodeBitmapToSurface(kSheetBmp, kSheetBmpSize, atlas, &error))
        << (error ? error : "");
    return atlas;
}

TEST(PresentingCanvas, TheScreenEndsUpAsAWholePictureDrawnStepByStepWould) {
    const Surface atlas = BuiltInSheet();
    ASSERT_EQ(atlas.width, 1232);
    constexpr int32_t kWidth = 900, kHeight = 620;  // three bands of 206 rows
    const Stage stage = MakeStage(0, 0, kWidth, kHeight, 3, 10);
    SoundEffects sound;
    NullSoundPlatform platform;

    WalkerPopulation reference;
    StartWalkers(reference, stage, 4242);
    Surface whole(kWidth, kHeight);
    SoftwareCanvas wholeCanvas(whole, atlas);

    WalkerPopulation presented;
    StartWalkers(presented, stage, 4242);
    Surface screen(kWidth, kHeight);
    MirrorSink sink(screen);
    PresentingCanvas canvas(atlas, sink);
    canvas.SetArea(kWidth, kHeight);

    // At most the image and two erase patches per walker and step: never the whole area.
    const uint64_t stepBound = 3 * (176 * 168 + 2 * 128 * 136);
    for (int tick = 1; tick <= 3000; ++tick) {
        RunFrameStep(reference, wholeCanvas, sound, platform);
        const uint64_t before = canvas.PixelsSent();
        RunFrameStep(presented, canvas, sound, platform);
        ASSERT_LE(canvas.PixelsSent() - before, stepBound) << "tick " << tick;
        if (tick % 250 == 0) {
            ASSERT_EQ(screen.pixels, whole.pixels) << "tick " << tick;
        }
    }
    EXPECT_GT(sink.puts, 3000);  // something was shown all along
}

}  // namespace
