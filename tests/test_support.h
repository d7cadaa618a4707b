// Shared helpers for the core tests.
#pragma once
#include <cstdint>
#include <vector>

#include "animation/canvas.h"
#include "animation/random.h"
#include "animation/sound_effects.h"
#include "animation/walkers.h"

// Finds a generator state whose next draws, with the given bounds, give the wanted values
// (-1 accepts any value). Lets a test script the dice without touching the walker code.
inline uint32_t StateForDraws(const std::vector<int>& bounds, const std::vector<int>& wanted) {
    for (uint32_t seed = 1;; ++seed) {
        RandomSource random;
        SeedRandom(random, seed);
        bool match = true;
        for (size_t i = 0; i < bounds.size() && match; ++i) {
            const int value = RandomUpTo(random, bounds[i]);
            match = wanted[i] < 0 || value == wanted[i];
        }
        if (match) return seed;
    }
}

// A walker placed by hand, as if she had been walking for a while; xAfterStep is where her
// next update puts her.
inline Walker Walking(WalkerState state, int32_t xAfterStep, int32_t y, int32_t frame) {
    Walker w{};
    w.stepX = state == WalkRight ? 16 : -16;
    w.x = xAfterStep - w.stepX;
    w.y = y;
    w.drawnX = w.x;
    w.drawnY = y;
    w.loopStart = state == WalkRight ? 0 : 207;
    w.frame = frame;
    w.tick = frame - w.loopStart;
    w.sequenceLength = 8;
    w.state = state;
    return w;
}

struct Blit {
    int32_t dstX, dstY, w, h, srcX, srcY;
    bool operator==(const Blit&) const = default;
};

class RecordingCanvas final : public Canvas {
public:
    RecordingCanvas() { blits.reserve(64); }
    void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override {
        blits.push_back({dstX, dstY, w, h, srcX, srcY});
    }
    std::vector<Blit> blits;
};

// Sound platform that writes down the device question and every cue played.
class FakeSoundPlatform final : public SoundPlatform {
public:
    bool device = true;
    int opened = 0;  // times the device was asked for
    std::vector<SoundCue> played;

    FakeSoundPlatform() { played.reserve(64); }
    bool OpenDevice() override {
        ++opened;
        return device;
    }
    void Play(SoundCue cue) override { played.push_back(cue); }
};
