#include <gtest/gtest.h>

#include <string>

#include "animation/sound_effects.h"
#include "test_support.h"

namespace {

std::string CallKinds(const FakeSoundPlatform& platform) {
    std::string kinds;
    for (const auto& call : platform.calls) kinds += call.what;
    return kinds;
}

}  // namespace

TEST(SoundSetUp, NonzeroStoredValueMeansOffWithoutAskingForDevices) {
    for (int stored : {1, 2, -1, 99}) {
        FakeSoundPlatform platform;
        SoundEffects sound;
        sound.soundOff = 0;
        SetUpSound(sound, platform, stored);
        EXPECT_EQ(sound.soundOff, 1);
        EXPECT_TRUE(platform.calls.empty()) << "stored " << stored;
        EXPECT_EQ(sound.bank[0], nullptr);
    }
}

TEST(SoundSetUp, NoWaveDeviceMeansOffAndNothingLoaded) {
    FakeSoundPlatform platform;
    platform.devices = 0;
    SoundEffects sound;
    SetUpSound(sound, platform, 0);
    EXPECT_EQ(sound.soundOff, 1);
    EXPECT_EQ(CallKinds(platform), "n");
}

TEST(SoundSetUp, LoadsInThreePassesInCueOrder) {
    FakeSoundPlatform platform;
    SoundEffects sound;
    SetUpSound(sound, platform, 0);
    EXPECT_EQ(sound.soundOff, 0);
    ASSERT_EQ(CallKinds(platform), "nffflllkkk");
    EXPECT_EQ(platform.calls[1].arg, 200);
    EXPECT_EQ(platform.calls[2].arg, 201);
    EXPECT_EQ(platform.calls[3].arg, 202);
    EXPECT_EQ(sound.bank[FallEndCue], platform.images[0]);
    EXPECT_EQ(sound.bank[DreamStartCue], platform.images[1]);
    EXPECT_EQ(sound.bank[FallStartCue], platform.images[2]);
}

TEST(SoundSetUp, MissingSoundsKeepNullImagesAndSoundStaysOn) {
    FakeSoundPlatform platform;
    platform.missing = {201};
    platform.unloadable = {202};
    SoundEffects sound;
    SetUpSound(sound, platform, 0);
    EXPECT_EQ(sound.soundOff, 0);
    EXPECT_EQ(CallKinds(platform), "nffflllkkk");
    EXPECT_EQ(sound.bank[FallEndCue], platform.images[0]);
    EXPECT_EQ(sound.bank[DreamStartCue], nullptr);
    EXPECT_EQ(sound.bank[FallStartCue], nullptr);

    // A cue without an image is still requested: the null request stops what is playing.
    PlayCue(sound, platform, DreamStartCue);
    ASSERT_EQ(platform.played.size(), 1u);
    EXPECT_EQ(platform.played[0], nullptr);
}

TEST(SoundSetUp, NothingLockedWhenNoSoundLoads) {
    FakeSoundPlatform platform;
    platform.missing = {200, 201, 202};
    SoundEffects sound;
    SetUpSound(sound, platform, 0);
    EXPECT_EQ(sound.soundOff, 0);
    EXPECT_EQ(CallKinds(platform), "nffflll");
}

TEST(CueChoice, PriorityIsFallEndThenDreamThenFallStart) {
    EXPECT_EQ(ChooseCue(0), -1);
    EXPECT_EQ(ChooseCue(CueBit(FallStartCue)), FallStartCue);
    EXPECT_EQ(ChooseCue(CueBit(FallStartCue) | CueBit(DreamStartCue)), DreamStartCue);
    EXPECT_EQ(ChooseCue(CueBit(FallStartCue) | CueBit(FallEndCue)), FallEndCue);
    EXPECT_EQ(ChooseCue(CueBit(DreamStartCue) | CueBit(FallEndCue) | CueBit(FallStartCue)), FallEndCue);
    EXPECT_EQ(CueResourceId(FallEndCue), 200);
    EXPECT_EQ(CueResourceId(DreamStartCue), 201);
    EXPECT_EQ(CueResourceId(FallStartCue), 202);
}
