#include <gtest/gtest.h>

#include <map>

#include "animation/pictures.h"
#include "test_support.h"

namespace {

TEST(Pictures, EachMonitorGetsItsOwnStageAndCountBoundedByItsHeight) {
    const ScreenArea monitors[] = {{0, 0, 800, 600}, {800, 0, 1280, 1024}, {0, 600, 320, 150}};
    PictureSet set;
    StartPictures(set, monitors, 3, 1, 5, 25, 7);
    ASSERT_EQ(set.count, 3);
    EXPECT_EQ(set.pictures[0].population.stage.count, 3);  // 600 / 195
    EXPECT_EQ(set.pictures[1].population.stage.count, 5);
    EXPECT_EQ(set.pictures[2].population.stage.count, 1);  // lower than one band: still one
    EXPECT_EQ(set.pictures[1].population.stage.right, 1280);
    EXPECT_EQ(set.pictures[1].population.stage.bottom, 1024);

    // One monitor walks exactly as the single stage of the same seed.
    WalkerPopulation single;
    StartWalkers(single, MakeStage(0, 0, 800, 600, 3, 25), 7);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(set.pictures[0].population.walkers[i].y, single.walkers[i].y);

    // At scale 2 the stage counts sprite pixels: 1024 / 2 = 512 high holds 2.
    StartPictures(set, monitors + 1, 1, 2, 5, 25, 7);
    EXPECT_EQ(set.pictures[0].population.stage.bottom, 512);
    EXPECT_EQ(set.pictures[0].population.stage.count, 2);
}

// Records each monitor's copies, by the monitor's left edge.
struct RecordingMonitors final : MonitorCanvases {
    std::map<int32_t, RecordingCanvas> byLeft;
    Canvas& On(const ScreenArea& monitor, int32_t) override { return byLeft[monitor.left]; }
};

TEST(Pictures, MonitorsBeyondTheSixteenthShareThePictureNearestInSize) {
    ScreenArea many[kMaxMonitors + 2];
    for (int i = 0; i < kMaxMonitors + 2; ++i) many[i] = {i * 2000, 0, 640, 480};
    many[3].width = 1280;
    many[3].height = 1024;
    many[kMaxPictures].width = 1280;  // nearest to monitor 3
    many[kMaxPictures].height = 1000;
    PictureSet set;
    StartPictures(set, many, kMaxMonitors + 2, 1, 1, 10, 1);
    EXPECT_EQ(set.count, kMaxPictures);
    EXPECT_EQ(MonitorCount(set), kMaxMonitors);  // longer lists are cut, not overrun
    EXPECT_EQ(set.shared[0].picture, 3);
    EXPECT_EQ(set.shared[1].picture, 0);  // the first of equals
    EXPECT_EQ(MonitorArea(set, kMaxPictures).left, many[kMaxPictures].left);

    // A shared picture is drawn on both monitors alike, each from its own corner.
    RecordingMonitors monitors;
    for (int tick = 0; tick < 200; ++tick) StepPictures(set, monitors);
    const auto& own = monitors.byLeft[many[3].left].blits;
    EXPECT_FALSE(own.empty());
    EXPECT_EQ(monitors.byLeft[many[kMaxPictures].left].blits, own);
    EXPECT_FALSE(monitors.byLeft[many[kMaxMonitors - 1].left].blits.empty());
}

TEST(Pictures, ClippedCanvasKeepsCopiesInsideItsPicture) {
    RecordingCanvas inner;
    ClippedCanvas clipped(inner, 100, 50);
    clipped.CopyFromAtlas(-128, 10, 136, 20, 300, 400);      // walker entering from the left
    clipped.CopyFromAtlas(90, 45, 20, 20, 0, 0);             // over the bottom-right corner
    clipped.CopyFromAtlas(100, 0, 10, 10, 0, 0);             // wholly right of it
    clipped.CopyFromAtlas(INT32_MIN + 5, 0, 200, 10, 0, 0);  // far away: no wrap into view
    ASSERT_EQ(inner.blits.size(), 2u);
    EXPECT_EQ(inner.blits[0], (Blit{0, 10, 8, 20, 428, 400}));
    EXPECT_EQ(inner.blits[1], (Blit{90, 45, 10, 5, 0, 0}));
}

}  // namespace
