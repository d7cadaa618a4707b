// RunFrameStep on a 1920x1080 software canvas, next to the physical bound of the same work:
// the very same rows copied with plain memcpy.
#include <benchmark/benchmark.h>

#include <algorithm>
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
    void CopyFromAtlas(int32_t dx, int32_t dy, int32_t w, int32_t h, int32_t sx, int32_t sy) override {
        // Same clipping as the software canvas, kept simple: both rectangles inside their surfaces.
        int64_t x0 = std::max<int64_t>({0, -int64_t{dx}, -int64_t{sx}});
        int64_t y0 = std::max<int64_t>({0, -int64_t{dy}, -int64_t{sy}});
        int64_t cw = std::min<int64_t>({int64_t{w} - x0, int64_t{target_.width} - dx - x0, int64_t{atlas_.width} - sx - x0});
        int64_t ch = std::min<int64_t>({int64_t{h} - y0, int64_t{target_.height} - dy - y0, int64_t{atlas_.height} - sy - y0});
        if (cw <= 0 || ch <= 0) return;
        copies.push_back({&target_.At(static_cast<int32_t>(dx + x0), static_cast<int32_t>(dy + y0)),
                          &atlas_.pixels[static_cast<size_t>((sy + y0) * atlas_.width + sx + x0)],
                          static_cast<size_t>(cw) * 4, static_cast<int32_t>(ch)});
    }
    std::vector<Copy> copies;

private:
    Surface& target_;
    const Surface& atlas_;
};

// A run long enough to cover walks and scenes; the same seed for both benchmarks.
void Populate(WalkerPopulation& population, int count) {
    StartWalkers(population, MakeStage(0, 0, kWidth, kHeight, count, 10), 20240607u);
}

void BM_RunFrameStep(benchmark::State& state) {
    Surface screen(kWidth, kHeight);
    const Surface atlas(kSheetWidth, kSheetHeight);
    SoftwareCanvas canvas(screen, atlas);
    NullSoundPlatform platform;
    const SoundEffects sound{};
    WalkerPopulation population;
    Populate(population, static_cast<int>(state.range(0)));
    int step = 0;
    for (auto _ : state) {
        RunFrameStep(population, canvas, sound, platform);
        benchmark::DoNotOptimize(screen.pixels.data());
        if (++step == kSteps) {  // replay the same steps as the bound below
            Populate(population, static_cast<int>(state.range(0)));
            step = 0;
        }
    }
}
BENCHMARK(BM_RunFrameStep)->Arg(1)->Arg(10);

// The bound: the copies of 4096 consecutive steps, recorded once, replayed with memcpy only.
void BM_MemcpyBound(benchmark::State& state) {
    Surface screen(kWidth, kHeight);
    const Surface atlas(kSheetWidth, kSheetHeight);
    CopyRecorder recorder(screen, atlas);
    NullSoundPlatform platform;
    const SoundEffects sound{};
    WalkerPopulation population;
    Populate(population, static_cast<int>(state.range(0)));
    std::vector<size_t> stepEnds;
    for (int i = 0; i < kSteps; ++i) {
        RunFrameStep(population, recorder, sound, platform);
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
            for (int32_t r = 0; r < copy.rows; ++r) std::memcpy(to + r * stride, from + r * atlasStride, copy.bytes);
        }
        benchmark::DoNotOptimize(screen.pixels.data());
        step = (step + 1) % kSteps;
    }
}
BENCHMARK(BM_MemcpyBound)->Arg(1)->Arg(10);

}  // namespace

BENCHMARK_MAIN();
