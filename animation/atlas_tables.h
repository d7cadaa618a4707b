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
extern const StateSizeTable kStateSizeTable;
constexpr BackgroundPatch kBackgroundPatch{704, 636};
