// tekuteku-trace: runs the animation core without a window and prints every walker, copy and cue.
//
//   tekuteku-trace --seed S --width W --height H --count N --odds E --steps T [--blits]
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "animation/frame_step.h"
#include "animation/sound_effects.h"
#include "animation/walkers.h"
#include "resources/resource_ids.h"
#include "tools/common/cli.h"

namespace {

constexpr const char* kUsage =
    "usage: tekuteku-trace --seed S --width W --height H --count N --odds E --steps T [--blits]\n"
    "  S: seed, 0..4294967295     W, H: screen size, 1..65535\n"
    "  N: walker count (more than 10 run as 10)    E: scene odds, 0..32767     T: steps, "
    "0..4294967295\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "tekuteku-trace: %s\n%s", problem, kUsage);
    return 2;
}

// Output through one large buffer and std::to_chars: a million steps of ten walkers are
// eleven million lines, and printf alone would take seconds.
class Output {
public:
    ~Output() { Flush(); }
    Output& Text(std::string_view text) {
        Reserve(text.size());
        std::memcpy(buffer_ + used_, text.data(), text.size());
        used_ += text.size();
        return *this;
    }
    Output& Number(int64_t value) {
        Reserve(24);
        buffer_[used_++] = ' ';
        used_ = static_cast<size_t>(
            std::to_chars(buffer_ + used_, buffer_ + sizeof buffer_, value).ptr - buffer_);
        return *this;
    }
    Output& Line() { return Text("\n"); }
    // The hot line: room for the whole of it is made once, then the fields go in unchecked.
    void Walker(int i, const ::Walker& w) {
        Reserve(kWalkerLineMax);
        char* at = buffer_ + used_;
        std::memcpy(at, "walker ", 7);
        at += 7;
        at = std::to_chars(at, at + 11, i).ptr;
        for (int32_t field : {w.x, w.y, w.drawnX, w.drawnY, w.stepX, w.frame, w.tick,
                              w.sequenceLength, w.loopStart, int32_t{w.state}}) {
            *at++ = ' ';
            at = std::to_chars(at, at + 11, field).ptr;
        }
        *at++ = '\n';
        used_ = static_cast<size_t>(at - buffer_);
    }
    bool Flush() {
        const bool ok = std::fwrite(buffer_, 1, used_, stdout) == used_;
        used_ = 0;
        failed_ = failed_ || !ok;
        return !failed_;
    }
    bool Failed() const { return failed_; }

private:
    static constexpr size_t kWalkerLineMax = 7 + 11 * 12 + 1;  // every int32 takes at most 11 chars
    void Reserve(size_t bytes) {
        if (used_ + bytes > sizeof buffer_) Flush();
    }
    char buffer_[1 << 16];
    size_t used_ = 0;
    bool failed_ = false;
};

class BlitPrinter final : public Canvas {
public:
    BlitPrinter(Output& out, bool enabled) : out_(out), enabled_(enabled) {}
    void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override {
        if (!enabled_) return;
        out_.Text("blit")
            .Number(dstX)
            .Number(dstY)
            .Number(w)
            .Number(h)
            .Number(srcX)
            .Number(srcY)
            .Line();
    }

private:
    Output& out_;
    bool enabled_;
};

}  // namespace

int main(int argc, char** argv) {
    NumberOption options[] = {
        {"--seed", 0, UINT32_MAX, 0, false}, {"--width", 1, 65535, 0, false},
        {"--height", 1, 65535, 0, false},    {"--count", 0, INT32_MAX, 0, false},
        {"--odds", 0, 32767, 0, false},      {"--steps", 0, UINT32_MAX, 0, false},
    };
    bool blits = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--blits") {
            blits = true;
            continue;
        }
        const char* text = i + 1 < argc ? argv[++i] : nullptr;
        if (const char* problem = SetNumberOption(options, arg, text)) return Usage(problem);
    }
    for (const NumberOption& o : options) {
        if (!o.seen) return Usage("every option but --blits is required");
    }
    const auto value = [&](int i) { return options[i].value; };

    static WalkerPopulation population;
    const Stage stage =
        MakeStage(0, 0, static_cast<int32_t>(value(1)), static_cast<int32_t>(value(2)),
                  static_cast<int32_t>(value(3)), static_cast<int32_t>(value(4)));
    StartWalkers(population, stage, static_cast<uint32_t>(value(0)));

    static Output out;
    BlitPrinter canvas(out, blits);
    NullSoundPlatform platform;
    const SoundEffects sound{};  // sound off: cues are reported, not played
    out.Text("step 0\n");
    for (int i = 0; i < stage.count; ++i) out.Walker(i, population.walkers[i]);
    const uint64_t steps = value(5);
    for (uint64_t t = 1; t <= steps; ++t) {
        out.Text("step").Number(static_cast<int64_t>(t)).Line();
        const std::optional<SoundCue> cue = RunFrameStep(population, canvas, sound, platform);
        for (int i = 0; i < stage.count; ++i) out.Walker(i, population.walkers[i]);
        if (cue) out.Text("cue").Number(kCueSoundIds[*cue]).Line();  // its resource number
        if (out.Failed()) return 1;
    }
    return out.Flush() && std::fflush(stdout) == 0 ? 0 : 1;
}
