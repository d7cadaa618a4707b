// RunFrameStep on a 1920x1080 software canvas, next to the physical bound of the same work:
// the very same rows copied with plain memcpy.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "animation/atlas_tables.h"
#include "animation/frame_step.h"
#include "animation/surface.h"

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr int kSteps = 4096;

// Records the clipped copies of one step so the memcpy baseline moves exactly the same rows.
struct Copy {
    uint32_t* to;
    const uint32_t* from;
    size_t bytes;
    int32_t rows;
};

class CopyRecorder final : public Canvas {
public:
    CopyRecorder(Surface& target, const Surface& atlas) : target_(target), atlas_(atlas) {}
    void CopyFromAtlas(int32_t dx, int32_t dy, int32_t w, int32_t h, int32_t sx,
                       int32_t sy) override {
        ClippedCopy c;  // exactly the clipping of the software canvas
        if (!ClipCopy(dx, dy, w, h, sx, sy, target_.width, target_.height, atlas_.width,
                      atlas_.height, c)) {
            return;
        }
        copies.push_back({&target_.At(c.dstX, c.dstY),
                          &atlas_.pixels[static_cast<size_t>(c.srcY) * atlas_.width + c.srcX],
                          static_cast<size_t>(c.width) * 4, c.height});
    }
    std::vector<Copy> copies;

private:
    Surface& target_;
    const Surface& atlas_;
};

// What both benchmarks run over: a screen, a blank sheet, and walkers started from the same
// seed, with a run long enough to cover walks and scenes.
struct Scene {
    Surface screen{kWidth, kHeight};
    const Surface atlas{kSheetWidth, kSheetHeight};
    NullSoundPlatform platform;
    const SoundEffects sound{};
    WalkerPopulation population;
    int count;

    explicit Scene(int walkers) : count(walkers) { Restart(); }
    void Restart() {
        StartWalkers(population, MakeStage(0, 0, kWidth, kHeight, count, 10), 20240607u);
    }
    void Step(Canvas& canvas) { RunFrameStep(population, canvas, sound, platform); }
};

void BM_RunFrameStep(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    SoftwareCanvas canvas(scene.screen, scene.atlas);
    int step = 0;
    for (auto _ : state) {
        scene.Step(canvas);
        benchmark::DoNotOptimize(scene.screen.pixels.data());
        if (++step == kSteps) {  // replay the same steps as the bound below
            scene.Restart();
            step = 0;
        }
    }
}
BENCHMARK(BM_RunFrameStep)->Arg(1)->Arg(10);

// The bound: the copies of 4096 consecutive steps, recorded once, replayed with memcpy only.
void BM_MemcpyBound(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    CopyRecorder recorder(scene.screen, scene.atlas);
    std::vector<size_t> stepEnds;
    for (int i = 0; i < kSteps; ++i) {
        scene.Step(recorder);
        stepEnds.push_back(recorder.copies.size());
    }
    const size_t stride = static_cast<size_t>(kWidth) * 4;
    const size_t atlasStride = static_cast<size_t>(kSheetWidth) * 4;
    size_t step = 0;
    for (auto _ : state) {
        const size_t begin = step == 0 ? 0 : stepEnds[step - 1];
        for (size_t c = begin; c < stepEnds[step]; ++c) {
            const Copy& copy = recorder.copies[c];
            auto* to = reinterpret_cast<char*>(copy.to);
            const auto* from = reinterpret_cast<const char*>(copy.from);
            for (int32_t r = 0; r < copy.rows; ++r)
                std::memcpy(to + r * stride, from + r * atlasStride, copy.bytes);
        }
        benchmark::DoNotOptimize(scene.screen.pixels.data());
        step = (step + 1) % kSteps;
    }
}
BENCHMARK(BM_MemcpyBound)->Arg(1)->Arg(10);

}  // namespace

BENCHMARK_MAIN();
