// What the drawing leaves on screen: nothing but the walkers' current images, as long as the
// sheet keeps the areas that the erase rules rely on black.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "animation/atlas_image.h"
#include "animation/atlas_tables.h"
#include "animation/frame_step.h"
#include "resources/assets.h"

namespace {

struct Rect {
    int32_t x, y, w, h;
};

// The 40 cells of the sheet.
std::vector<Rect> SheetCells() {
    std::vector<Rect> cells;
    for (int k = 0; k <= 8; ++k)
        cells.push_back({128 * k, 0, 128, 136});  // right walk and standing
    for (int k = 0; k < 8; ++k) cells.push_back({128 * k, 136, 128, 136});  // left walk
    for (int32_t y : {272, 440}) {
        for (int k = 0; k < 7; ++k) cells.push_back({176 * k, y, 176, 168});  // falls and get-ups
    }
    for (int k = 0; k < 5; ++k) cells.push_back({128 * k, 608, 128, 136});  // change
    for (int k = 0; k < 4; ++k) cells.push_back({160 * k, 744, 160, 160});  // day-dream
    return cells;
}

// The parts of cells whose pixels the drawing leaves behind when the image changes.
const Rect kLeftBehind[] = {
    {384, 0, 16, 136},          // right walk frame 3, when a scene starts
    {256 + 110, 136, 18, 136},  // left walk frame 212, when a scene starts
    {352 + 128, 272, 48, 168},  // last get-up image, right
    {0, 440, 50, 168},          // last get-up image, left
    {320 + 128, 744, 32, 24},   // last day-dream image, right: top-right corner
    {160, 744, 32, 24},         // last day-dream image, left: top-left corner
};

void Fill(Surface& sheet, const Rect& r, uint32_t colour) {
    for (int32_t y = r.y; y < r.y + r.h; ++y) {
        for (int32_t x = r.x; x < r.x + r.w; ++x) sheet.At(x, y) = colour;
    }
}

// Every cell a solid colour, the left-behind areas black, everything else black.
Surface SolidCellSheet() {
    Surface sheet(kSheetWidth, kSheetHeight);
    uint32_t colour = 0x00102030;
    for (const Rect& cell : SheetCells()) {
        Fill(sheet, cell, colour);
        colour += 0x00010305;
    }
    for (const Rect& area : kLeftBehind) Fill(sheet, area, 0);
    return sheet;
}

std::vector<Rect> CurrentImages(const WalkerPopulation& population) {
    std::vector<Rect> rects;
    for (int i = 0; i < population.stage.count; ++i) {
        const Walker& w = population.walkers[i];
        rects.push_back(
            {w.x, w.y, kStateSizeTable.stateWidth[w.state], kStateSizeTable.stateHeight[w.state]});
    }
    return rects;
}

bool RowCovers(const Rect& r, int32_t x, int32_t y) {
    return r.y <= y && y < r.y + r.h && r.x <= x && x < r.x + r.w;
}

// Looks for a non-black pixel inside `area` but outside every rectangle of `images`, skipping
// the covered spans of each row rather than testing pixel by pixel.
bool FindStray(const Surface& screen, const Rect& area, const std::vector<Rect>& allImages,
               int32_t& strayX, int32_t& strayY) {
    const int32_t x0 = std::max(area.x, 0), x1 = std::min(area.x + area.w, screen.width);
    const int32_t y0 = std::max(area.y, 0), y1 = std::min(area.y + area.h, screen.height);
    std::vector<Rect> images;  // only those that overlap the area matter
    for (const Rect& r : allImages) {
        if (r.x < x1 && x0 < r.x + r.w && r.y < y1 && y0 < r.y + r.h) images.push_back(r);
    }
    for (int32_t y = y0; y < y1; ++y) {
        int32_t x = x0;
        while (x < x1) {
            bool covered = false;
            for (const Rect& r : images) {
                if (RowCovers(r, x, y)) {
                    x = r.x + r.w;
                    covered = true;
                    break;
                }
            }
            if (covered) continue;
            int32_t next = x1;
            for (const Rect& r : images) {
                if (r.y <= y && y < r.y + r.h && r.x > x) next = std::min(next, r.x);
            }
            const uint32_t* row = &screen.pixels[static_cast<size_t>(y) * screen.width];
            for (; x < next; ++x) {
                if (row[x] != 0) {
                    strayX = x;
                    strayY = y;
                    return true;
                }
            }
        }
    }
    return false;
}

struct RunResult {
    bool stray = false;
    uint64_t step = 0;
    int32_t x = 0, y = 0;
    unsigned statesSeen = 0;  // one bit per WalkerState
};

// Runs `steps` ticks and stops at the first pixel left outside the walkers' current images.
// Stale pixels can only sit where some walker was drawn on the previous tick, so each tick
// checks those rectangles; a whole-screen scan now and then backs that reasoning up.
RunResult RunAndWatch(const Surface& sheet, int32_t width, int32_t height, int32_t count,
                      int32_t odds, uint32_t seed, uint64_t steps) {
    static WalkerPopulation population;
    population = WalkerPopulation{};
    StartWalkers(population, MakeStage(0, 0, width, height, count, odds), seed);
    Surface screen(width, height);
    SoftwareCanvas canvas(screen, sheet);
    NullSoundPlatform platform;
    const SoundEffects sound{};
    RunResult result;
    std::vector<Rect> previous;
    for (uint64_t t = 1; t <= steps; ++t) {
        RunFrameStep(population, canvas, sound, platform);
        const std::vector<Rect> current = CurrentImages(population);
        for (int i = 0; i < population.stage.count; ++i)
            result.statesSeen |= 1u << population.walkers[i].state;
        std::vector<Rect> checked = previous;
        if (t % 1000 == 0 || t == steps) checked.push_back({0, 0, width, height});
        for (const Rect& area : checked) {
            if (FindStray(screen, area, current, result.x, result.y)) {
                result.stray = true;
                result.step = t;
                return result;
            }
        }
        previous = current;
    }
    return result;
}

constexpr unsigned kAllStates = (1u << kStateCount) - 1;

TEST(DrawingInvariants, SolidCellsLeaveNothingOutsideTheCurrentImages) {
    const Surface sheet = SolidCellSheet();
    struct Setup {
        int32_t width, height, count, odds;
        uint32_t seed;
    } setups[] = {
        {800, 600, 3, 5, 7},  // bands of 200 pixels, scenes at most rolls
        {1024, 768, 3, 10, 2024},
        {640, 480, 10, 3, 99},  // narrow bands: walkers overlap one another
    };
    for (const Setup& s : setups) {
        const RunResult r = RunAndWatch(sheet, s.width, s.height, s.count, s.odds, s.seed, 20000);
        EXPECT_FALSE(r.stray) << s.width << "x" << s.height << " seed " << s.seed << ": pixel ("
                              << r.x << ", " << r.y << ") left at step " << r.step;
        EXPECT_EQ(r.statesSeen, kAllStates) << "not every scene happened";
    }
}

TEST(DrawingInvariants, FillingAnyLeftBehindAreaLeavesATrace) {
    for (const Rect& area : kLeftBehind) {
        Surface sheet = SolidCellSheet();
        Fill(sheet, area, 0x00FF00FF);
        const RunResult r = RunAndWatch(sheet, 800, 600, 3, 5, 7, 30000);
        EXPECT_TRUE(r.stray) << "area at (" << area.x << ", " << area.y << ") left no trace";
    }
}

void LoadRealSheet(Surface& sheet) {
    const uint8_t* data = kSheetBmp;
    size_t size = kSheetBmpSize;
    SkipBitmapFileHeader(data, size);
    AtlasImage image;
    const char* error = nullptr;
    ASSERT_TRUE(LoadAtlasImage(data, size, image, &error)) << error;
    ASSERT_TRUE(ConvertAtlasToSurface(image, sheet, &error)) << error;
    ASSERT_EQ(sheet.width, kSheetWidth);
    ASSERT_EQ(sheet.height, kSheetHeight);
    ASSERT_EQ(image.palette[0], 0u);
}

TEST(DrawingInvariants, TheSheetLeavesNothingOutsideTheCurrentImages) {
    if (kSheetBmpSize == 0) GTEST_SKIP() << "resources/sheet.bmp is not there yet";
    Surface sheet;
    ASSERT_NO_FATAL_FAILURE(LoadRealSheet(sheet));
    const RunResult r = RunAndWatch(sheet, 800, 600, 3, 5, 11, 30000);
    EXPECT_FALSE(r.stray) << "pixel (" << r.x << ", " << r.y << ") left at step " << r.step;
    EXPECT_EQ(r.statesSeen, kAllStates);
}

// On a stage lower than the figure some of her shows in every tick she is wholly across it,
// walking or in any scene.
TEST(DrawingInvariants, AStageLowerThanTheFigureShowsHerWheneverSheIsAcrossIt) {
    if (kSheetBmpSize == 0) GTEST_SKIP() << "resources/sheet.bmp is not there yet";
    Surface sheet;
    ASSERT_NO_FATAL_FAILURE(LoadRealSheet(sheet));
    for (int32_t height : {1, 2, 20, 36, 37, 60, 100, 135}) {
        for (uint32_t seed : {1u, 2u, 3u}) {
            static WalkerPopulation population;
            population = WalkerPopulation{};
            StartWalkers(population, MakeStage(0, 0, 640, height, 1, 5), seed);
            Surface screen(640, height);
            SoftwareCanvas canvas(screen, sheet);
            NullSoundPlatform platform;
            unsigned states = 0;
            for (int t = 1; t <= 4000; ++t) {
                RunFrameStep(population, canvas, SoundEffects{}, platform);
                const Walker& w = population.walkers[0];
                states |= 1u << w.state;
                if (w.x < 0 || w.x + kStateSizeTable.stateWidth[w.state] > 640) continue;
                const bool lit = std::any_of(screen.pixels.begin(), screen.pixels.end(),
                                             [](uint32_t p) { return p != 0; });
                ASSERT_TRUE(lit) << height << " pixels high, seed " << seed << ", tick " << t;
            }
            EXPECT_EQ(states, kAllStates) << height << " pixels high, seed " << seed;
        }
    }
}

}  // namespace
