#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "resources/assets.h"
#include "tests/artwork/resource_file.h"
#include "tools/soundgen/sound_synth.h"

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
int16_t Sample(const std::vector<uint8_t>& b, size_t index) {
    return static_cast<int16_t>(U16(b, kWaveHeaderSize + 2 * index));
}

struct Committed {
    int id;
    const char* file;
    size_t fileSize;
    const unsigned char* embedded;
    const size_t* embeddedSize;
};
const Committed kCommitted[] = {
    {200, "fall_end.wav", 94764, kFallEndWav, &kFallEndWavSize},
    {201, "dream_start.wav", 115244, kDreamStartWav, &kDreamStartWavSize},
    {202, "fall_start.wav", 83500, kFallStartWav, &kFallStartWavSize},
};

TEST(SceneSounds, HeaderIsPlainPcmStereo22kHz16BitWithNoOtherChunks) {
    for (const Committed& c : kCommitted) {
        SCOPED_TRACE(c.file);
        const std::vector<uint8_t> b = ReadResource(c.file);
        ASSERT_EQ(b.size(), c.fileSize);
        EXPECT_EQ(std::memcmp(&b[0], "RIFF", 4), 0);
        EXPECT_EQ(U32(b, 4), c.fileSize - 8);
        EXPECT_EQ(std::memcmp(&b[8], "WAVEfmt ", 8), 0);
        EXPECT_EQ(U32(b, 16), 16u);
        EXPECT_EQ(U16(b, 20), 1);
        EXPECT_EQ(U16(b, 22), 2);
        EXPECT_EQ(U32(b, 24), 22050u);
        EXPECT_EQ(U32(b, 28), 88200u);
        EXPECT_EQ(U16(b, 32), 4);
        EXPECT_EQ(U16(b, 34), 16);
        EXPECT_EQ(std::memcmp(&b[36], "data", 4), 0);
        EXPECT_EQ(U32(b, 40), c.fileSize - 44);  // the data chunk runs to the end of the file
    }
}

TEST(SceneSounds, AudibleBelowClippingAndSilentAtBothEnds) {
    for (const Committed& c : kCommitted) {
        SCOPED_TRACE(c.file);
        const std::vector<uint8_t> b = ReadResource(c.file);
        ASSERT_EQ(b.size(), c.fileSize);
        const size_t samples = (b.size() - kWaveHeaderSize) / 2;
        int peak = 0;
        double energy = 0;
        for (size_t i = 0; i < samples; ++i) {
            const int s = Sample(b, i);
            peak = std::max(peak, s < 0 ? -s : s);
            energy += double(s) * s;
        }
        EXPECT_LE(peak, 0.7 * 32767);
        EXPECT_GE(peak, 0.3 * 32767);
        const double rms = std::sqrt(energy / samples);
        EXPECT_GT(rms, 0.03 * 32767) << "too quiet to hear";
        // The first and last frames (both channels) are close to zero, so nothing clicks.
        for (size_t i : {size_t{0}, size_t{1}, samples - 2, samples - 1}) {
            EXPECT_LE(std::abs(Sample(b, i)), 64) << "sample " << i;
        }
        // Both channels carry sound.
        double left = 0, right = 0;
        for (size_t i = 0; i + 1 < samples; i += 2) {
            left += std::abs(Sample(b, i));
            right += std::abs(Sample(b, i + 1));
        }
        EXPECT_GT(left, 0);
        EXPECT_GT(right, 0);
    }
}

TEST(SceneSounds, GeneratorReproducesTheCommittedFilesAndTheEmbeddedCopies) {
    for (const Committed& c : kCommitted) {
        SCOPED_TRACE(c.file);
        const std::vector<uint8_t> committed = ReadResource(c.file);
        const std::vector<uint8_t> generated = SynthesizeSound(c.id);
        EXPECT_TRUE(generated == committed) << "regenerate with tekuteku-soundgen resources";
        ASSERT_EQ(*c.embeddedSize, committed.size());
        EXPECT_EQ(std::memcmp(c.embedded, committed.data(), committed.size()), 0);
    }
    EXPECT_TRUE(SynthesizeSound(203).empty());
}

TEST(SceneSounds, WaveImageHeaderMatchesItsSampleCount) {
    const std::vector<int16_t> samples = {0, 0, 1000, -1000, -32768, 32767};
    const std::vector<uint8_t> image = MakeWaveImage(samples);
    ASSERT_EQ(image.size(), 44u + 12u);
    EXPECT_EQ(U32(image, 4), 48u);
    EXPECT_EQ(U32(image, 40), 12u);
    EXPECT_EQ(Sample(image, 2), 1000);
    EXPECT_EQ(Sample(image, 3), -1000);
    EXPECT_EQ(Sample(image, 4), -32768);
    EXPECT_EQ(Sample(image, 5), 32767);
}

}  // namespace
