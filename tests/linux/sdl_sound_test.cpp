#include "linux/sdl_sound.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "resources/assets.h"

namespace {

const WaveImage kBuiltInSounds[kSoundCueCount] = {{kFallEndWav, kFallEndWavSize},
                                                  {kDreamStartWav, kDreamStartWavSize},
                                                  {kFallStartWav, kFallStartWavSize}};

std::vector<uint8_t> MakeWave(uint16_t channels, uint32_t rate, uint16_t bits, uint32_t dataBytes,
                              bool withListChunk = false) {
    std::vector<uint8_t> wave;
    const auto put = [&](const void* p, size_t n) {
        const auto* bytes = static_cast<const uint8_t*>(p);
        wave.insert(wave.end(), bytes, bytes + n);
    };
    const auto put32 = [&](uint32_t v) { put(&v, 4); };
    const auto put16 = [&](uint16_t v) { put(&v, 2); };
    put("RIFF", 4);
    put32(0);  // fixed below
    put("WAVE", 4);
    if (withListChunk) {
        put("LIST", 4);
        put32(3);
        put("abc\0", 4);  // odd length, padded
    }
    put("fmt ", 4);
    put32(16);
    put16(1);
    put16(channels);
    put32(rate);
    put32(rate * channels * bits / 8);
    put16(static_cast<uint16_t>(channels * bits / 8));
    put16(bits);
    put("data", 4);
    put32(dataBytes);
    for (uint32_t i = 0; i < dataBytes; ++i) wave.push_back(static_cast<uint8_t>(i));
    const uint32_t riff = static_cast<uint32_t>(wave.size() - 8);
    std::memcpy(&wave[4], &riff, 4);
    return wave;
}

TEST(WaveSamples, FindsTheSamplesOfTheBuiltInSoundsAndOfOtherLayouts) {
    for (const WaveImage& sound : kBuiltInSounds) {
        WaveSamples samples;
        ASSERT_TRUE(FindWaveSamples(sound.data, sound.size, samples));
        EXPECT_EQ(samples.rate, 22050u);
        EXPECT_EQ(samples.channels, 2u);
        EXPECT_EQ(samples.bits, 16u);
        EXPECT_EQ(samples.samples, sound.data + 44);
        EXPECT_EQ(samples.bytes, sound.size - 44);
    }

    const std::vector<uint8_t> listed = MakeWave(1, 8000, 8, 11, true);
    WaveSamples samples;
    ASSERT_TRUE(FindWaveSamples(listed.data(), listed.size(), samples));
    EXPECT_EQ(samples.bytes, 11u);
    EXPECT_EQ(samples.samples[0], 0);
    EXPECT_EQ(samples.samples[10], 10);
}

TEST(WaveSamples, DamagedImagesAreRefusedAndNeverOverread) {
    std::vector<uint8_t> good = MakeWave(2, 22050, 16, 64);
    WaveSamples samples;
    EXPECT_FALSE(FindWaveSamples(nullptr, 100, samples));
    for (size_t cut = 0; cut < 44; ++cut) {  // every truncation inside the header
        EXPECT_FALSE(FindWaveSamples(good.data(), cut, samples)) << cut;
    }
    // A data chunk that claims more than there is plays what is there, whole frames only.
    ASSERT_TRUE(FindWaveSamples(good.data(), 44 + 30, samples));
    EXPECT_EQ(samples.bytes, 28u);

    std::vector<uint8_t> compressed = good;
    compressed[20] = 2;  // not PCM
    EXPECT_FALSE(FindWaveSamples(compressed.data(), compressed.size(), samples));
    std::vector<uint8_t> oddBits = MakeWave(2, 22050, 12, 64);
    EXPECT_FALSE(FindWaveSamples(oddBits.data(), oddBits.size(), samples));
    std::vector<uint8_t> huge = good;
    huge[16] = 0xFF;  // a format chunk longer than the image
    huge[17] = 0xFF;
    EXPECT_FALSE(FindWaveSamples(huge.data(), huge.size(), samples));
    std::vector<uint8_t> notWave = good;
    std::memcpy(&notWave[8], "AVI ", 4);
    EXPECT_FALSE(FindWaveSamples(notWave.data(), notWave.size(), samples));
}

// SDL's dummy driver plays into nothing at the real rate, so queue contents can be watched.
class SdlSoundTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
    void TearDown() override { unsetenv("SDL_AUDIODRIVER"); }
};

TEST_F(SdlSoundTest, ANewSoundCutsOffTheOneInTheQueue) {
    const std::vector<uint8_t> mono = MakeWave(1, 22050, 16, 64);
    const WaveImage images[kSoundCueCount] = {{kFallEndWav, kFallEndWavSize},
                                              {kDreamStartWav, kDreamStartWavSize},
                                              {mono.data(), mono.size()}};
    SdlSoundPlatform platform(images);
    SoundEffects sound;
    SetUpSound(sound, platform, 0);
    ASSERT_TRUE(sound.on);

    platform.Play(DreamStartCue);
    const uint32_t dreamBytes = static_cast<uint32_t>(kDreamStartWavSize - 44);
    EXPECT_LE(platform.QueuedBytes(), dreamBytes);
    EXPECT_GT(platform.QueuedBytes(), dreamBytes / 2);  // 1.3 s of sound cannot be gone yet

    platform.Play(FallEndCue);  // replaces, never adds
    EXPECT_LE(platform.QueuedBytes(), static_cast<uint32_t>(kFallEndWavSize - 44));
    EXPECT_GT(platform.QueuedBytes(), static_cast<uint32_t>(kFallEndWavSize - 44) / 2);

    // A sound the device cannot take as it is (mono here) is not heard, and still cuts off.
    platform.Play(FallStartCue);
    EXPECT_EQ(platform.QueuedBytes(), 0u);
}

TEST_F(SdlSoundTest, ACueWithoutAnImagePlaysNothingAndStopsWhatPlays) {
    const WaveImage images[kSoundCueCount] = {{kFallEndWav, kFallEndWavSize}, {}, {}};
    SdlSoundPlatform platform(images);
    ASSERT_TRUE(platform.OpenDevice());
    platform.Play(FallEndCue);
    EXPECT_GT(platform.QueuedBytes(), 0u);
    platform.Play(DreamStartCue);
    EXPECT_EQ(platform.QueuedBytes(), 0u);
}

TEST_F(SdlSoundTest, StoredSoundOffNeverOpensTheDevice) {
    SdlSoundPlatform platform(kBuiltInSounds);
    SoundEffects sound;
    SetUpSound(sound, platform, 2);
    EXPECT_FALSE(sound.on);
    platform.Play(FallEndCue);  // nothing opened: nothing queued, no failure
    EXPECT_EQ(platform.QueuedBytes(), 0u);
}

TEST(SdlSoundNoDevice, NoDeviceMeansSilenceNotAnError) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    {
        SdlSoundPlatform platform(kBuiltInSounds);
        SoundEffects sound;
        SetUpSound(sound, platform, 0);
        EXPECT_FALSE(sound.on);
        platform.Play(FallEndCue);  // no device: nothing queued, no failure
        EXPECT_EQ(platform.QueuedBytes(), 0u);
    }
    unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
