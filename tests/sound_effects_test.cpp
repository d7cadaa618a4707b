#include <gtest/gtest.h>

#include "animation/sound_effects.h"
#include "test_support.h"

TEST(SoundSetUp, NonzeroStoredValueMeansOffWithoutAskingForDevices) {
    for (int stored : {1, 2, -1, 99}) {
        FakeSoundPlatform platform;
        SoundEffects sound;
        sound.on = true;
        SetUpSound(sound, platform, stored);
        EXPECT_FALSE(sound.on);
        EXPECT_EQ(platform.opened, 0) << "stored " << stored;
    }
}

TEST(SoundSetUp, OnOnlyWithADevice) {
    FakeSoundPlatform platform;
    platform.device = false;
    SoundEffects sound;
    SetUpSound(sound, platform, 0);
    EXPECT_FALSE(sound.on);
    platform.device = true;
    SetUpSound(sound, platform, 0);
    EXPECT_TRUE(sound.on);
    EXPECT_EQ(platform.opened, 2);
    EXPECT_TRUE(platform.played.empty());
}

TEST(CueChoice, PriorityIsFallEndThenDreamThenFallStart) {
    EXPECT_EQ(ChooseCue(0), std::nullopt);
    EXPECT_EQ(ChooseCue(CueBit(FallStartCue)), FallStartCue);
    EXPECT_EQ(ChooseCue(CueBit(FallStartCue) | CueBit(DreamStartCue)), DreamStartCue);
    EXPECT_EQ(ChooseCue(CueBit(FallStartCue) | CueBit(FallEndCue)), FallEndCue);
    EXPECT_EQ(ChooseCue(CueBit(DreamStartCue) | CueBit(FallEndCue) | CueBit(FallStartCue)),
              FallEndCue);
}
