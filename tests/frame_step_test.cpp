#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "animation/atlas_tables.h"
#include "animation/frame_step.h"
#include "animation/surface.h"
#include "test_support.h"

// Counts heap allocations so a test can prove that a step allocates nothing.
namespace {
std::atomic<long> allocations{0};
}
void* operator new(size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    std::abort();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

// A walker in the last tick of a scene sequence.
Walker EndingScene(WalkerState state, int32_t x, int32_t y, int32_t frame) {
    Walker w{};
    w.x = w.drawnX = x;
    w.y = w.drawnY = y;
    w.frame = w.loopStart = frame;
    w.tick = 0;
    w.sequenceLength = 1;
    w.state = state;
    return w;
}

struct Step {
    WalkerPopulation population;
    RecordingCanvas canvas;
    FakeSoundPlatform platform;
    SoundEffects sound;

    Step(std::initializer_list<Walker> walkers, const std::vector<int>& bounds = {},
         const std::vector<int>& draws = {}) {
        population.stage = MakeStage(0, 0, 1024, 768, static_cast<int32_t>(walkers.size()), 10);
        int i = 0;
        for (const Walker& w : walkers) population.walkers[i++] = w;
        SeedRandom(population.random, StateForDraws(bounds, draws));
        sound.on = true;
    }
    std::optional<SoundCue> Run() { return RunFrameStep(population, canvas, sound, platform); }
};

constexpr int32_t kPatchX = 704;
constexpr int32_t kPatchY = 636;

}  // namespace

TEST(FrameStep, NoWalkersDrawsAndPlaysNothing) {
    Step step({});
    EXPECT_EQ(step.Run(), std::nullopt);
    EXPECT_TRUE(step.canvas.blits.empty());
    EXPECT_TRUE(step.platform.played.empty());
}

TEST(FrameStep, WalkingErasesTheTrailingStripThenDraws) {
    Step step({Walking(WalkRight, 300, 50, 1), Walking(WalkLeft, 500, 250, 209)});
    step.Run();
    const std::vector<Blit> expected = {
        {284, 50, 16, 136, kPatchX, kPatchY},   // where the right-walker's old image began
        {300, 50, 128, 136, 256, 0},            // frame 2
        {628, 250, 16, 136, kPatchX, kPatchY},  // just right of the left-walker's new image
        {500, 250, 128, 136, 512, 136},         // frame 210
    };
    EXPECT_EQ(step.canvas.blits, expected);
    EXPECT_EQ(step.population.walkers[0].drawnX, 300);
    EXPECT_EQ(step.population.walkers[1].drawnY, 250);
}

TEST(FrameStep, SceneStartErasesNothing) {
    // Roll 1 with the middle fall: the fall image is drawn where the walker has just moved.
    Step step({Walking(WalkLeft, 400, 100, 212)}, {10, 2}, {1, 1});
    EXPECT_EQ(step.Run(), FallStartCue);
    const std::vector<Blit> expected = {{350, 100, 176, 168, 1056, 440}};  // frame 38
    EXPECT_EQ(step.canvas.blits, expected);
}

TEST(FrameStep, StandAfterGetUpErasesTheRowsBelow) {
    Walker right = EndingScene(GetUpRight, 300, 100, 60);
    Walker left = EndingScene(GetUpLeft, 500, 400, 81);
    Step step({right, left});
    step.Run();
    const std::vector<Blit> expected = {
        {300, 236, 128, 32, kPatchX, kPatchY},
        {300, 100, 128, 136, 1024, 0},
        {550, 536, 128, 32, kPatchX, kPatchY},
        {550, 400, 128, 136, 1024, 0},
    };
    EXPECT_EQ(step.canvas.blits, expected);
}

TEST(FrameStep, StandAfterDreamErasesTheTopStripAndTheSide) {
    Walker right = EndingScene(DreamRight, 268, 76, 174);
    Walker left = EndingScene(DreamLeft, 500, 376, 192);
    Step step({right, left});
    step.Run();
    const std::vector<Blit> expected = {
        {268, 76, 128, 24, kPatchX, kPatchY},  {268, 100, 32, 136, kPatchX, kPatchY},
        {300, 100, 128, 136, 1024, 0},         {532, 376, 128, 24, kPatchX, kPatchY},
        {628, 400, 32, 136, kPatchX, kPatchY}, {500, 400, 128, 136, 1024, 0},
    };
    EXPECT_EQ(step.canvas.blits, expected);
}

TEST(FrameStep, OneSoundPerStepByPriority) {
    // Two walkers start falls and a third begins a day-dream in the same step.
    Walker pausing = EndingScene(PauseRight, 600, 500, 98);
    Step step({Walking(WalkRight, 200, 20, 3), Walking(WalkLeft, 300, 220, 212), pausing},
              {10, 2, 10, 2, 2}, {1, -1, 1, -1, -1});
    EXPECT_EQ(step.Run(), DreamStartCue);
    ASSERT_EQ(step.platform.played.size(), 1u);
    EXPECT_EQ(step.platform.played[0], DreamStartCue);
}

TEST(FrameStep, FallEndOutranksEverything) {
    Walker falling = EndingScene(FallRight, 600, 500, 13);
    Step step({Walking(WalkRight, 200, 20, 3), falling}, {10, 2, 2}, {1, -1, -1});
    EXPECT_EQ(step.Run(), FallEndCue);
    ASSERT_EQ(step.platform.played.size(), 1u);
    EXPECT_EQ(step.platform.played[0], FallEndCue);
}

TEST(FrameStep, SoundOffStillReportsTheCueButPlaysNothing) {
    Step step({Walking(WalkRight, 200, 20, 3)}, {10, 2}, {1, -1});
    step.sound.on = false;
    EXPECT_EQ(step.Run(), FallStartCue);
    EXPECT_TRUE(step.platform.played.empty());
}

TEST(FrameStep, LeavingWalkerIsDrawnAtItsReentryPointOffScreen) {
    Walker leaving = Walking(WalkLeft, -192, 100, 210);
    Step step({leaving}, {2}, {-1});
    step.Run();
    ASSERT_EQ(step.canvas.blits.size(), 2u);
    EXPECT_EQ(step.canvas.blits[1].dstX, -128);  // entirely left of the screen
    EXPECT_EQ(step.canvas.blits[1].srcX, 0);     // frame 0
}

TEST(FrameStep, AllocatesNothing) {
    Surface screen(1920, 1080);
    Surface atlas(kSheetWidth, kSheetHeight);
    SoftwareCanvas canvas(screen, atlas);
    struct CountingPlatform final : SoundPlatform {
        bool OpenDevice() override { return true; }
        void Play(SoundCue) override { ++plays; }
        int plays = 0;
    } platform;
    SoundEffects sound;
    sound.on = true;
    WalkerPopulation population;
    StartWalkers(population, MakeStage(0, 0, 1920, 1080, 10, 10), 77);
    const long before = allocations.load();
    for (int i = 0; i < 5000; ++i) RunFrameStep(population, canvas, sound, platform);
    EXPECT_EQ(allocations.load() - before, 0) << "heap allocations during steps";
    EXPECT_GT(platform.plays, 0);
}

TEST(SoftwareCanvas, ClipsAtBothSurfacesEdges) {
    Surface atlas(8, 8);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) atlas.At(x, y) = static_cast<uint32_t>(y * 8 + x + 1);
    Surface screen(6, 4);
    SoftwareCanvas canvas(screen, atlas);
    canvas.CopyFromAtlas(-2, -1, 4, 3, 1, 1);  // partly off the top-left corner
    EXPECT_EQ(screen.At(0, 0), atlas.At(3, 2));
    EXPECT_EQ(screen.At(1, 1), atlas.At(4, 3));
    EXPECT_EQ(screen.At(2, 0), 0u);
    canvas.CopyFromAtlas(4, 2, 5, 5, 6, 6);  // past the right and bottom of both
    EXPECT_EQ(screen.At(4, 2), atlas.At(6, 6));
    EXPECT_EQ(screen.At(5, 3), atlas.At(7, 7));
    Surface untouched = screen;
    canvas.CopyFromAtlas(-1000000000, 5, 128, 136, 0, 0);
    canvas.CopyFromAtlas(2000000000, 2000000000, 128, 136, 0, 0);
    canvas.CopyFromAtlas(0, 0, 128, 136, -200, 900);
    EXPECT_EQ(screen.pixels, untouched.pixels);
}
