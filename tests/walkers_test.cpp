#include <gtest/gtest.h>

#include "animation/atlas_tables.h"
#include "animation/walkers.h"
#include "test_support.h"

namespace {

struct Scripted {
    WalkerPopulation population;
    Scripted(Walker walker, const std::vector<int>& bounds, const std::vector<int>& draws,
             int32_t odds = 10) {
        population.stage = MakeStage(0, 0, 640, 480, 1, odds);
        population.walkers[0] = walker;
        SeedRandom(population.random, StateForDraws(bounds, draws));
    }
    Walker& w() { return population.walkers[0]; }
    CueSet Tick() { return UpdateWalker(population, 0); }
};

}  // namespace

TEST(Stage, MadeFromTheDrawingAreaWithTheCountClamped) {
    const Stage s = MakeStage(0, 0, 640, 480, 3, 25);
    EXPECT_EQ(s.left, -128);
    EXPECT_EQ(s.right, 640);
    EXPECT_EQ(s.bottom, 480);
    EXPECT_EQ(s.eventLeft, 64);
    EXPECT_EQ(s.eventRight, 448);
    EXPECT_EQ(s.count, 3);
    EXPECT_EQ(MakeStage(0, 0, 640, 480, 11, 25).count, 10);
    EXPECT_EQ(MakeStage(0, 0, 640, 480, -2, 25).count, 0);
}

TEST(StartWalkers, CountZeroOnlySeeds) {
    WalkerPopulation population;
    StartWalkers(population, MakeStage(0, 0, 640, 480, 0, 25), 777);
    EXPECT_EQ(population.random.state, 777u);
}

TEST(StartWalkers, DirectionAndRowComeFromTwoDrawsPerWalker) {
    WalkerPopulation population;
    const Stage stage = MakeStage(0, 0, 1024, 768, 3, 25);
    StartWalkers(population, stage, 4242);
    RandomSource dice;
    SeedRandom(dice, 4242);
    for (int i = 0; i < 3; ++i) {
        const Walker& w = population.walkers[i];
        const bool left = RandomUpTo(dice, 9) <= 5;
        const int row = RandomUpTo(dice, 256 - 199);
        EXPECT_EQ(w.y, row + i * 256 + 19);
        EXPECT_EQ(w.state, left ? WalkLeft : WalkRight);
        EXPECT_EQ(w.x, left ? 1024 : -128);
        EXPECT_EQ(w.stepX, left ? -16 : 16);
        EXPECT_EQ(w.frame, left ? 6 : 3);
        EXPECT_EQ(w.loopStart, left ? 207 : 0);
        EXPECT_EQ(w.tick, 7);
        EXPECT_EQ(w.sequenceLength, 8);
        EXPECT_EQ(w.drawnX, w.x + 1);
        EXPECT_EQ(w.drawnY, w.y + 1);
    }
    EXPECT_EQ(population.random.state, dice.state);
}

TEST(StartWalkers, MoreThanTenWalkersShareTheScreenAsTen) {
    WalkerPopulation population;
    StartWalkers(population, MakeStage(0, 0, 1920, 2400, 14, 25), 9);
    EXPECT_EQ(population.stage.count, 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_GE(population.walkers[i].y, i * 240 + 19);
        EXPECT_LE(population.walkers[i].y, i * 240 + 19 + 41);
    }
}

TEST(StartWalkers, NarrowBandsDoNotFault) {
    for (int32_t height : {195, 196, 197, 198, 136}) {
        WalkerPopulation population;
        StartWalkers(population, MakeStage(0, 0, 640, height, 1, 25), 31337);
        const int32_t row = population.walkers[0].y - 19;
        EXPECT_GE(row, 0) << height;
        EXPECT_LE(row, height >= 197 ? 0 : 197 - height) << height;  // r % (band - 198)
    }
}

TEST(Walking, FirstUpdateShowsTheFirstImageOfTheCycle) {
    WalkerPopulation population;
    StartWalkers(population, MakeStage(0, 0, 640, 480, 4, 25), 5);
    for (int i = 0; i < 4; ++i) {
        UpdateWalker(population, i);
        const Walker& w = population.walkers[i];
        EXPECT_EQ(w.frame, w.state == WalkLeft ? 207 : 0);
        EXPECT_EQ(w.tick, 0);
    }
}

TEST(Walking, LeavesAfterFiftyTwoTicksAndReentersFromTheOtherSide) {
    // With a roll bound of 40000 the dice give a scene only for values 1..3 of 32768:
    // this seed never does in these ticks, which the state checks below confirm.
    for (bool startLeft : {true, false}) {
        WalkerPopulation population;
        population.stage = MakeStage(0, 0, 640, 480, 1, 40000);
        Walker& w = population.walkers[0];
        w = Walking(startLeft ? WalkLeft : WalkRight, 0, 100, startLeft ? 207 : 0);
        w.x = startLeft ? 640 : -128;
        w.frame = startLeft ? 6 : 3;
        w.tick = 7;
        SeedRandom(population.random, 2);
        int ticks = 0;
        while (w.state == (startLeft ? WalkLeft : WalkRight)) {
            UpdateWalker(population, 0);
            ++ticks;
            ASSERT_LE(ticks, 60);
        }
        EXPECT_EQ(ticks, 52);
        EXPECT_EQ(w.x, startLeft ? -128 : 640);
        EXPECT_EQ(w.frame, startLeft ? 0 : 207);
        EXPECT_EQ(w.tick, 0);
        EXPECT_EQ(w.sequenceLength, 8);
    }
}

TEST(SceneRoll, OnlyAtRollFramesStrictlyInsideTheEventZone) {
    // At x == eventLeft and x == eventRight no die is cast.
    for (int32_t x : {64, 448}) {
        Scripted s(Walking(WalkRight, x, 100, 3), {}, {});
        const uint32_t before = s.population.random.state;
        s.Tick();
        EXPECT_EQ(s.population.random.state, before) << x;
        EXPECT_EQ(s.w().frame, 4);
    }
    Scripted inside(Walking(WalkRight, 80, 100, 2), {}, {});
    const uint32_t before = inside.population.random.state;
    inside.Tick();  // frame 2 is not a roll frame
    EXPECT_EQ(inside.population.random.state, before);
}

TEST(SceneRoll, ZeroHoldsTheFrameWhileTheWalkerSlides) {
    // Rolls of 0, 0, then 7: frame 3 is held for two ticks, then the cycle resumes at 4.
    Scripted s(Walking(WalkRight, 200, 100, 3), {10, 10, 10}, {0, 0, 7});
    s.Tick();
    EXPECT_EQ(s.w().frame, 3);
    EXPECT_EQ(s.w().x, 200);
    EXPECT_EQ(s.w().tick, 3);
    s.Tick();
    EXPECT_EQ(s.w().frame, 3);
    EXPECT_EQ(s.w().x, 216);
    s.Tick();
    EXPECT_EQ(s.w().frame, 4);
    EXPECT_EQ(s.w().x, 232);
    EXPECT_EQ(s.w().tick, 4);
}

TEST(SceneRoll, HeldFrameStopsRollingOnceOutOfTheZone) {
    Scripted s(Walking(WalkLeft, 80, 100, 212), {10}, {0});
    s.Tick();  // x 80: roll 0, held
    EXPECT_EQ(s.w().frame, 212);
    const uint32_t before = s.population.random.state;
    s.Tick();  // x 64: outside, no roll, the cycle resumes
    EXPECT_EQ(s.population.random.state, before);
    EXPECT_EQ(s.w().frame, 213);
}

TEST(Fall, LeftWalkerShiftsLeftFallsGetsUpAndWalksOnLeft) {
    // Roll 1 (fall), short fall (v 2), middle get-up (v 1).
    Scripted s(Walking(WalkLeft, 300, 100, 212), {10, 2, 2}, {1, 2, 1});
    EXPECT_EQ(s.Tick(), CueBit(FallStartCue));
    EXPECT_EQ(s.w().state, FallLeft);
    EXPECT_EQ(s.w().x, 250);
    EXPECT_EQ(s.w().stepX, 0);
    for (int32_t frame = 32; frame <= 37; ++frame) {
        EXPECT_EQ(s.w().frame, frame);
        if (frame < 37) {
            EXPECT_EQ(s.Tick(), 0u);
        }
    }
    EXPECT_EQ(s.Tick(), CueBit(FallEndCue));
    EXPECT_EQ(s.w().state, GetUpLeft);
    EXPECT_EQ(s.w().frame, 82);
    EXPECT_EQ(s.w().sequenceLength, 7);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(s.Tick(), 0u);
    EXPECT_EQ(s.w().frame, 88);
    s.Tick();
    EXPECT_EQ(s.w().state, StandLeft);
    EXPECT_EQ(s.w().frame, 98);
    EXPECT_EQ(s.w().x, 300);
    s.Tick();
    EXPECT_EQ(s.w().state, WalkLeft);
    EXPECT_EQ(s.w().frame, 208);
    EXPECT_EQ(s.w().tick, 1);
    EXPECT_EQ(s.w().stepX, -16);
    EXPECT_EQ(s.w().x, 300);  // walking resumes from the next tick
}

TEST(Dream, RightWalkerShiftsUpLeftAndBack) {
    // Roll 3 (pause), then the long day-dream (v 0).
    Scripted s(Walking(WalkRight, 200, 100, 3), {10, 2}, {3, 0});
    EXPECT_EQ(s.Tick(), 0u);
    EXPECT_EQ(s.w().state, PauseRight);
    EXPECT_EQ(s.w().frame, 98);
    EXPECT_EQ(s.Tick(), CueBit(DreamStartCue));
    EXPECT_EQ(s.w().state, DreamRight);
    EXPECT_EQ(s.w().frame, 181);
    EXPECT_EQ(s.w().x, 168);
    EXPECT_EQ(s.w().y, 76);
    for (int i = 0; i < 7; ++i) s.Tick();
    EXPECT_EQ(s.w().frame, 188);
    s.Tick();
    EXPECT_EQ(s.w().state, StandRight);
    EXPECT_EQ(s.w().x, 200);
    EXPECT_EQ(s.w().y, 100);
    s.Tick();
    EXPECT_EQ(s.w().state, WalkRight);
    EXPECT_EQ(s.w().frame, 1);
}

TEST(Change, SameFramesBothWaysAndNoSound) {
    for (WalkerState dir : {WalkRight, WalkLeft}) {
        Scripted s(Walking(dir, 200, 100, dir == WalkRight ? 3 : 212), {10, 2}, {2, 1});
        EXPECT_EQ(s.Tick(), 0u);
        EXPECT_EQ(s.w().state, dir == WalkRight ? ChangeRight : ChangeLeft);
        EXPECT_EQ(s.w().frame, 117);
        CueSet cues = 0;
        for (int i = 0; i < 24; ++i) cues |= s.Tick();
        EXPECT_EQ(s.w().frame, 141);
        cues |= s.Tick();
        EXPECT_EQ(cues, 0u);
        EXPECT_EQ(s.w().state, dir);
        EXPECT_EQ(s.w().x, 200);
    }
}

// Over long seeded runs every walker keeps the rules that the drawing depends on.
TEST(WalkerRuns, KeepTheirInvariantsOverLongRuns) {
    struct Range {
        int32_t first, last;
    };
    const Range frames[kStateCount] = {{0, 7},     {207, 214}, {8, 31},   {32, 55}, {56, 76},
                                       {77, 97},   {98, 170},  {98, 170}, {98, 98}, {98, 98},
                                       {171, 188}, {189, 206}, {98, 98},  {98, 98}};
    int scenesSeen[kStateCount] = {};
    for (uint32_t seed : {1u, 99u, 123456u}) {
        WalkerPopulation p;
        const Stage stage = MakeStage(0, 0, 1280, 1024, 5, 10);
        StartWalkers(p, stage, seed);
        Walker before[kMaxWalkers];
        int32_t sceneX[kMaxWalkers] = {}, sceneY[kMaxWalkers] = {}, sceneDir[kMaxWalkers] = {};
        for (int t = 0; t < 20000; ++t) {
            for (int i = 0; i < stage.count; ++i) before[i] = p.walkers[i];
            for (int i = 0; i < stage.count; ++i) {
                const CueSet cues = UpdateWalker(p, i);
                const Walker& was = before[i];
                const Walker& w = p.walkers[i];
                ASSERT_LE(w.frame, 214);
                ASSERT_GE(w.frame, frames[w.state].first);
                ASSERT_LE(w.frame, frames[w.state].last) << "state " << w.state;
                const bool wasWalking = was.state <= WalkLeft;
                const bool walking = w.state <= WalkLeft;
                if (wasWalking && !walking) {  // a scene begins
                    sceneX[i] = was.x + was.stepX;
                    sceneY[i] = was.y;
                    sceneDir[i] = was.state;
                    ++scenesSeen[w.state];
                    EXPECT_EQ(cues == CueBit(FallStartCue),
                              w.state == FallRight || w.state == FallLeft);
                }
                if (!wasWalking && walking) {  // it ends where it began, facing the same way
                    EXPECT_EQ(w.state, sceneDir[i]);
                    EXPECT_EQ(w.x, sceneX[i]);
                    EXPECT_EQ(w.y, sceneY[i]);
                    EXPECT_EQ(w.frame, w.state == WalkRight ? 1 : 208);
                }
                if (!wasWalking && w.state == was.state) {  // a scene shows consecutive frames
                    EXPECT_EQ(w.frame, was.frame + 1);
                }
                if (w.state != was.state && !walking) {
                    EXPECT_EQ(w.frame, w.loopStart);
                    EXPECT_EQ(w.tick, 0);
                }
                if ((w.state == GetUpRight || w.state == GetUpLeft) && w.state != was.state) {
                    EXPECT_EQ(cues, CueBit(FallEndCue));
                }
                if ((w.state == DreamRight || w.state == DreamLeft) && w.state != was.state) {
                    EXPECT_EQ(cues, CueBit(DreamStartCue));
                }
                if (walking && w.state == was.state) {  // rows stay inside the walker's band
                    EXPECT_GE(w.y, i * 204 + 19);
                    EXPECT_LE(w.y, i * 204 + 19 + 5);
                }
            }
        }
    }
    for (WalkerState s : {FallRight, FallLeft, ChangeRight, ChangeLeft, PauseRight, PauseLeft}) {
        EXPECT_GT(scenesSeen[s], 0) << "scene " << s << " never started";
    }
}
