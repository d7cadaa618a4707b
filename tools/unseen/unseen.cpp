// tekuteku-unseen: figures, not a test. How much of a walker's time on her stage no monitor shows
// any lit pixel of her, for two monitors of different sizes side by side (the Windows
// two-monitor test's 1024x768 primary with 800x600 to its right, and an 800x600 primary with
// 1280x1024 to its right), drawn as one stage over the whole virtual screen and as one picture
// per monitor. Five seeds, 10000 ticks each; times at speed level 1.
//
//   tekuteku-unseen
#include <cstdio>
#include <vector>

#include "animation/atlas_image.h"
#include "animation/atlas_tables.h"
#include "animation/frame_step.h"
#include "animation/pictures.h"
#include "animation/random.h"
#include "resources/assets.h"
#include "settings/settings_store.h"

namespace {

constexpr int kSeeds = 5;
constexpr int kSteps = 10000;
const ScreenArea* monitors = nullptr;  // the two of the layout being measured

// Counts, for each walker image a step draws, its lit pixels on the stage and those a monitor
// shows. Erases copy black and are skipped; the images come in walker order.
class LitCounter final : public Canvas {
public:
    LitCounter(const Surface& sheet, ScreenArea stage) : sheet_(sheet), stage_(stage) {}
    void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override {
        if (srcX == kBackgroundPatch.x && srcY == kBackgroundPatch.y) return;
        int onStage = 0;
        int shown = 0;
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                const int32_t sx = dstX + x;
                const int32_t sy = dstY + y;
                if (sx < 0 || sy < 0 || sx >= stage_.width || sy >= stage_.height) continue;
                if (sheet_.At(srcX + x, srcY + y) == 0) continue;
                ++onStage;
                const int32_t vx = stage_.left + sx;
                const int32_t vy = stage_.top + sy;
                for (int k = 0; k < 2; ++k) {
                    const ScreenArea& m = monitors[k];
                    if (vx >= m.left && vx < m.left + m.width && vy >= m.top &&
                        vy < m.top + m.height) {
                        ++shown;
                        break;
                    }
                }
            }
        }
        images.push_back({onStage, shown});
    }
    struct Image {
        int onStage;
        int shown;
    };
    std::vector<Image> images;

private:
    const Surface& sheet_;
    ScreenArea stage_;
};

struct Tally {
    long onStage = 0;
    long unseen = 0;
    int longest = 0;
};

// Steps one population kSteps times; tallies per walker.
void Run(WalkerPopulation& population, const Surface& sheet, ScreenArea stage, Tally* tally) {
    std::vector<int> run(population.stage.count, 0);
    for (int t = 0; t < kSteps; ++t) {
        LitCounter counter(sheet, stage);
        StepWalkers(population, counter);
        for (size_t i = 0; i < counter.images.size() && i < run.size(); ++i) {
            const LitCounter::Image& image = counter.images[i];
            if (image.onStage == 0) {
                run[i] = 0;
                continue;
            }
            ++tally[i].onStage;
            if (image.shown > 0) {
                run[i] = 0;
                continue;
            }
            ++tally[i].unseen;
            if (++run[i] > tally[i].longest) tally[i].longest = run[i];
        }
    }
}

void Report(const char* label, const Tally* tally, int count) {
    long on = 0;
    long off = 0;
    for (int i = 0; i < count; ++i) {
        std::printf("  %s, walker %d: unseen %5.1f %% of her time on the stage, longest %5.1f s\n",
                    label, i, tally[i].onStage ? 100.0 * tally[i].unseen / tally[i].onStage : 0.0,
                    tally[i].longest * kSpeedTable[1] / 1000.0);
        on += tally[i].onStage;
        off += tally[i].unseen;
    }
    std::printf("  %s, all walkers: unseen %.1f %%\n", label, on ? 100.0 * off / on : 0.0);
}

}  // namespace

int main() {
    const uint8_t* data = kSheetBmp;
    size_t size = kSheetBmpSize;
    SkipBitmapFileHeader(data, size);
    Surface sheet;
    const char* error = nullptr;
    if (!DecodeBitmapToSurface(data, size, sheet, &error)) {
        std::fprintf(stderr, "tekuteku-unseen: the built-in sheet: %s\n", error);
        return 1;
    }
    const int32_t odds = kEventTable[1];
    const ScreenArea layouts[][2] = {{{0, 0, 1024, 768}, {1024, 0, 800, 600}},
                                     {{0, 0, 800, 600}, {800, 0, 1280, 1024}}};
    for (const auto& layout : layouts) {
        monitors = layout;
        const ScreenArea& second = layout[1];
        const int32_t width = second.left + second.width;
        const int32_t height = layout[0].height > second.height ? layout[0].height : second.height;
        const int32_t count = ScreenCountLimit(layout[0].height);  // the primary's limit
        std::printf("%dx%d beside %dx%d; one stage over %dx%d, %d walkers:\n", layout[0].width,
                    layout[0].height, second.width, second.height, width, height, count);
        Tally whole[kMaxWalkers]{};
        for (int seed = 1; seed <= kSeeds; ++seed) {
            WalkerPopulation population{};
            StartWalkers(population, MakeStage(0, 0, width, height, count, odds), seed);
            Run(population, sheet, ScreenArea{0, 0, width, height}, whole);
        }
        Report("one stage", whole, count);
        std::printf("one picture per monitor, the same stored count:\n");
        Tally own[2][kMaxWalkers]{};
        int counts[2] = {};
        for (int seed = 1; seed <= kSeeds; ++seed) {
            PictureSet set;
            StartPictures(set, layout, 2, 1, count, odds, seed);
            for (int p = 0; p < set.count; ++p) {
                Picture& picture = set.pictures[p];
                counts[p] = picture.population.stage.count;
                Run(picture.population, sheet, picture.area, own[p]);
            }
        }
        Report("first monitor", own[0], counts[0]);
        Report("second monitor", own[1], counts[1]);
    }
    return 0;
}
