#include "animation/atlas_tables.h"

#include <array>

namespace {

// The table is written as runs, the way the sheet is laid out, and unrolled at compile time.
struct Run {
    int first;
    int y;
    std::array<int16_t, 27> xs;
    int length;
};

constexpr Run kRuns[] = {
    {0, 0, {0, 128, 256, 384, 512, 640, 768, 896}, 8},
    {8, 272, {528, 704, 880, 1056, 880, 1056}, 6},
    {14, 272, {528, 704, 880, 1056, 880, 1056, 880, 1056}, 8},
    {22, 272, {528, 704, 880, 1056, 880, 1056, 880, 1056, 880, 1056}, 10},
    {32, 440, {1056, 880, 704, 528, 704, 528}, 6},
    {38, 440, {1056, 880, 704, 528, 704, 528, 704, 528}, 8},
    {46, 440, {1056, 880, 704, 528, 704, 528, 704, 528, 704, 528}, 10},
    {56, 272, {0, 176, 352, 176, 352}, 5},
    {61, 272, {0, 176, 352, 176, 352, 176, 352}, 7},
    {68, 272, {0, 176, 352, 176, 352, 176, 352, 176, 352}, 9},
    {77, 440, {352, 176, 0, 176, 0}, 5},
    {82, 440, {352, 176, 0, 176, 0, 176, 0}, 7},
    {89, 440, {352, 176, 0, 176, 0, 176, 0, 176, 0}, 9},
    {98, 0, {1024}, 1},
    {99,
     608,
     {512, 384, 256, 128, 0, 128, 256, 128, 256, 128, 256, 128, 0, 128, 256, 384, 512},
     17},
    {116, 0, {1024, 1024}, 2},
    {118,
     608,
     {512, 384, 256, 128, 0,   128, 256, 128, 256, 128, 256, 128,
      0,   128, 256, 128, 256, 128, 0,   128, 256, 384, 512},
     23},
    {141, 0, {1024, 1024}, 2},
    {143,
     608,
     {512, 384, 256, 128, 0,   128, 256, 128, 256, 128, 256, 128, 0,  128,
      0,   128, 256, 128, 256, 128, 256, 128, 0,   128, 256, 384, 512},
     27},
    {170, 0, {1024}, 1},
    {171, 744, {480, 320, 480, 320}, 4},
    {175, 744, {480, 320, 480, 320, 480, 320}, 6},
    {181, 744, {480, 320, 480, 320, 480, 320, 480, 320}, 8},
    {189, 744, {0, 160, 0, 160}, 4},
    {193, 744, {0, 160, 0, 160, 0, 160}, 6},
    {199, 744, {0, 160, 0, 160, 0, 160, 0, 160}, 8},
    {207, 136, {896, 768, 640, 512, 384, 256, 128, 0}, 8},
    {215, 0, {0}, 1},
};

constexpr bool RunsCoverEveryFrameOnce() {
    int next = 0;
    for (const Run& run : kRuns) {
        if (run.first != next || run.length > static_cast<int>(run.xs.size())) return false;
        next = run.first + run.length;
    }
    return next == kFrameCount;
}
static_assert(RunsCoverEveryFrameOnce());

constexpr FrameTable BuildFrameTable() {
    FrameTable table{};
    for (const Run& run : kRuns) {
        for (int i = 0; i < run.length; ++i) {
            table.frameX[run.first + i] = run.xs[i];
            table.frameY[run.first + i] = run.y;
        }
    }
    return table;
}

}  // namespace

constinit const FrameTable kFrameTable = BuildFrameTable();
