// The sprite sheet, drawn from code: a small puppet of the girl posed cell by cell, filled in
// flat palette colours and outlined, plus the effects (smoke, swirl, burst, thought bubble).
#pragma once
#include <cstdint>
#include <vector>

// One cell of the sheet: its rectangle and the inclusive box, relative to the cell's top-left
// corner, outside which the cell stays colour 0.
struct SheetCell {
    int x, y, width, height;
    int left, right, top, bottom;
};

constexpr int kSheetCellCount = 40;
extern const SheetCell kSheetCells[kSheetCellCount];

struct SheetColour {
    uint8_t red, green, blue;
};
extern const SheetColour kSheetPalette[16];

// The whole sheet as palette indices, kSheetWidth x kSheetHeight, top row first. With cutPixels,
// it also tells for each cell how many drawn pixels fell outside the cell's box and were cut.
std::vector<uint8_t> DrawSheet(std::vector<int>* cutPixels = nullptr);

// A Windows BMP file of the sheet: the 14-byte file header followed by the 4-bit, bottom-up
// device-independent bitmap (header, colour table, rows).
std::vector<uint8_t> EncodeSheetBmp(const std::vector<uint8_t>& pixels);
