// Reading the sprite sheet: a device-independent bitmap (40-byte header, colour table, pixel
// rows bottom-up) checked, described and turned into an upright 32-bit surface.
#pragma once
#include <cstddef>
#include <cstdint>

#include "animation/surface.h"

struct AtlasImage {
    const uint8_t* imageHeader = nullptr;  // the header, followed by the colour table
    const uint8_t* imageBits = nullptr;    // the first stored (bottom) pixel row
    int32_t colourCount = 0;               // colour-table entries, 0..256
    uint32_t palette[256] = {};            // 0x00RRGGBB; entries from colourCount on are black
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitCount = 0;
    int32_t rowBytes = 0;  // a stored row, padded to a multiple of 4 bytes
};

// Colour-table entries of a header: biClrUsed when it is non-zero, whatever the bit count;
// otherwise 2, 16 or 256 for 1, 4 or 8 bits, and 0 for every other bit count (24 included).
// Inline so the Windows saver can use it without linking the software decoder.
inline int32_t AtlasColourCount(uint32_t clrUsed, uint16_t bitCount) {
    if (clrUsed != 0) return clrUsed > INT32_MAX ? INT32_MAX : static_cast<int32_t>(clrUsed);
    switch (bitCount) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

// A whole .bmp file starts with a 14-byte "BM" header; this steps over it so the rest can be
// given to LoadAtlasImage. Data without that header is left as it is.
void SkipBitmapFileHeader(const uint8_t*& data, size_t& size);

// Describes the bitmap in data[0..size) without copying it: the pointers point into data.
// A damaged or unsupported bitmap is refused (false, *error set when error is not null) and
// nothing outside data is ever read.
bool LoadAtlasImage(const uint8_t* data, size_t size, AtlasImage& image, const char** error);

// Decodes a 1-, 4- or 8-bit image onto surface (resized to the image): stored row r becomes
// surface row height - 1 - r, each index converted once through the palette.
bool ConvertAtlasToSurface(const AtlasImage& image, Surface& surface, const char** error);

// All of the above for a whole .bmp file (or a bitmap without the file header): the upright
// surface to copy from, or false with *error set (when error is not null).
bool DecodeBitmapToSurface(const uint8_t* data, size_t size, Surface& surface, const char** error);
