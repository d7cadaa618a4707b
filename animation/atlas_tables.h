// Where every image lives on the 1232 x 904 sprite sheet, and how big each state's sprite is.
#pragma once
#include <cstdint>

constexpr int32_t kSheetWidth = 1232;
constexpr int32_t kSheetHeight = 904;
constexpr int kFrameCount = 216;
constexpr int kStateCount = 14;

struct FrameTable {
    int32_t frameX[kFrameCount];
    int32_t frameY[kFrameCount];
};

struct StateSizeTable {
    int32_t stateWidth[kStateCount];
    int32_t stateHeight[kStateCount];
};

// Top-left corner of an all-black area every erase copies from.
struct BackgroundPatch {
    int32_t x;
    int32_t y;
};

extern const FrameTable kFrameTable;
// In WalkerState order.
inline constexpr StateSizeTable kStateSizeTable = {
    {128, 128, 176, 176, 176, 176, 128, 128, 128, 128, 160, 160, 128, 128},
    {136, 136, 168, 168, 168, 168, 136, 136, 136, 136, 160, 160, 136, 136},
};
constexpr BackgroundPatch kBackgroundPatch{704, 636};
// Large enough for the largest image (176 x 168), so the patch never runs into a figure.
constexpr int32_t kBackgroundPatchWidth = 176;
constexpr int32_t kBackgroundPatchHeight = 168;

// Areas of the sheet the erasing relies on being black, even where a figure might reach: what
// a scene's image leaves behind is never erased, so the cells beside the images are blank.
struct SheetArea {
    int32_t x, y, w, h;
};
inline constexpr SheetArea kBlackAreas[] = {
    {384, 0, 16, 136},
    {256 + 110, 136, 18, 136},
    {352 + 128, 272, 48, 168},
    {0, 440, 50, 168},
    {320 + 128, 744, 32, 24},
    {160, 744, 32, 24},
    {kBackgroundPatch.x, kBackgroundPatch.y, kBackgroundPatchWidth, kBackgroundPatchHeight},
};
