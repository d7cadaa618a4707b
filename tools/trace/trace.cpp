// tekuteku-trace: runs the animation core without a window and prints every walker, copy and cue.
//
//   tekuteku-trace --seed S --width W --height H --count N --odds E --steps T [--blits]
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "animation/frame_step.h"
#include "animation/sound_effects.h"
#include "animation/walkers.h"

namespace {

constexpr const char* kUsage =
    "usage: tekuteku-trace --seed S --width W --height H --count N --odds E --steps T [--blits]\n"
    "  S: seed, 0..4294967295     W, H: screen size, 1..65535\n"
    "  N: walker count (more than 10 run as 10)    E: scene odds, 0..32767     T: steps, 0..4294967295\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "tekuteku-trace: %s\n%s", problem, kUsage);
    return 2;
}

bool ParseNumber(const char* text, uint64_t low, uint64_t high, uint64_t& out) {
    if (!text || !*text) return false;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return false;
    out = value;
    return true;
}

// Buffered output: a million steps must not be a million write calls.
class Printer {
public:
    Printer() { std::setvbuf(stdout, buffer_, _IOFBF, sizeof buffer_); }
    void Walker(int i, const ::Walker& w) {
        std::printf("walker %d %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32
                    " %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32 "\n",
                    i, w.x, w.y, w.drawnX, w.drawnY, w.stepX, w.frame, w.tick, w.sequenceLength,
                    w.loopStart, w.state);
    }

private:
    char buffer_[1 << 16];
};

class BlitPrinter final : public Canvas {
public:
    explicit BlitPrinter(bool enabled) : enabled_(enabled) {}
    void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override {
        if (!enabled_) return;
        std::printf("blit %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32 "\n",
                    dstX, dstY, w, h, srcX, srcY);
    }

private:
    bool enabled_;
};

// The trace reports cues itself; nothing is played.
class SilentPlatform final : public SoundPlatform {
public:
    int WaveOutDeviceCount() override { return 0; }
    const void* FindSound(int) override { return nullptr; }
    const void* LoadSound(const void*) override { return nullptr; }
    const uint8_t* LockSound(const void*) override { return nullptr; }
    void Play(const uint8_t*) override {}
};

}  // namespace

int main(int argc, char** argv) {
    struct Option {
        const char* name;
        uint64_t low;
        uint64_t high;
        uint64_t value;
        bool seen;
    } options[] = {
        {"--seed", 0, UINT32_MAX, 0, false},  {"--width", 1, 65535, 0, false},
        {"--height", 1, 65535, 0, false},     {"--count", 0, INT32_MAX, 0, false},
        {"--odds", 0, 32767, 0, false},       {"--steps", 0, UINT32_MAX, 0, false},
    };
    bool blits = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--blits") {
            blits = true;
            continue;
        }
        Option* option = nullptr;
        for (Option& o : options) {
            if (arg == o.name) option = &o;
        }
        if (!option) return Usage("unknown argument");
        if (option->seen) return Usage("an option is given twice");
        if (i + 1 >= argc) return Usage("an option is missing its value");
        if (!ParseNumber(argv[++i], option->low, option->high, option->value)) {
            return Usage("a value is not a number in its range");
        }
        option->seen = true;
    }
    for (const Option& o : options) {
        if (!o.seen) return Usage("every option but --blits is required");
    }
    const auto value = [&](int i) { return options[i].value; };

    static WalkerPopulation population;
    const Stage stage = MakeStage(0, 0, static_cast<int32_t>(value(1)), static_cast<int32_t>(value(2)),
                                  static_cast<int32_t>(value(3)), static_cast<int32_t>(value(4)));
    StartWalkers(population, stage, static_cast<uint32_t>(value(0)));

    Printer printer;
    BlitPrinter canvas(blits);
    SilentPlatform platform;
    const SoundEffects sound{};  // sound off: cues are reported, not played
    std::fputs("step 0\n", stdout);
    for (int i = 0; i < stage.count; ++i) printer.Walker(i, population.walkers[i]);
    const uint64_t steps = value(5);
    for (uint64_t t = 1; t <= steps; ++t) {
        std::printf("step %" PRIu64 "\n", t);
        const int cue = RunFrameStep(population, canvas, sound, platform);
        for (int i = 0; i < stage.count; ++i) printer.Walker(i, population.walkers[i]);
        if (cue >= 0) std::printf("cue %d\n", CueResourceId(static_cast<SoundCue>(cue)));
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
