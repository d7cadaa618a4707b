// The bitmap header reader on its own: the Windows saver reads its sheet resource with it
// without linking the software decoder (and the allocation it needs).
#include "animation/atlas_image.h"

namespace {

constexpr uint32_t kInfoHeaderSize = 40;
constexpr int32_t kMaxSide = 32767;  // far beyond any screen sheet; keeps all sizes in range

uint32_t Read32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool Fail(const char** error, const char* message) {
    if (error) *error = message;
    return false;
}

}  // namespace

void SkipBitmapFileHeader(const uint8_t*& data, size_t& size) {
    constexpr size_t kFileHeaderSize = 14;
    if (data && size >= kFileHeaderSize && data[0] == 'B' && data[1] == 'M') {
        data += kFileHeaderSize;
        size -= kFileHeaderSize;
    }
}

bool LoadAtlasImage(const uint8_t* data, size_t size, AtlasImage& image, const char** error) {
    image = AtlasImage{};
    if (!data || size < kInfoHeaderSize)
        return Fail(error, "bitmap is shorter than its 40-byte header");
    const uint32_t headerSize = Read32(data);
    if (headerSize < kInfoHeaderSize) return Fail(error, "bitmap header size is below 40 bytes");
    if (headerSize > size) return Fail(error, "bitmap header is longer than the data");

    const int32_t width = static_cast<int32_t>(Read32(data + 4));
    const int32_t height = static_cast<int32_t>(Read32(data + 8));
    const uint16_t bitCount = Read16(data + 14);
    const uint32_t compression = Read32(data + 16);
    const uint32_t clrUsed = Read32(data + 32);
    if (width <= 0 || width > kMaxSide)
        return Fail(error, "bitmap width is not between 1 and 32767");
    if (height <= 0 || height > kMaxSide) {
        return Fail(error,
                    "bitmap height is not between 1 and 32767 (top-down rows are not supported)");
    }
    if (compression != 0)
        return Fail(error, "bitmap is compressed; only uncompressed rows are supported");
    switch (bitCount) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return Fail(error, "bitmap bit count is not 1, 2, 4, 8, 16, 24 or 32");
    }
    const int32_t colourCount = AtlasColourCount(clrUsed, bitCount);
    if (colourCount > 256) return Fail(error, "bitmap colour table has more than 256 entries");

    // 64-bit sums: none of these can overflow with the limits above.
    const uint64_t bitsOffset = uint64_t{headerSize} + 4u * uint64_t(colourCount);
    if (bitsOffset > size) return Fail(error, "bitmap colour table runs past the end of the data");
    const uint64_t rowBytes = (uint64_t(width) * bitCount + 31) / 32 * 4;
    if (rowBytes * uint64_t(height) > size - bitsOffset) {
        return Fail(error, "bitmap pixel rows run past the end of the data");
    }

    image.imageHeader = data;
    image.imageBits = data + bitsOffset;
    image.colourCount = colourCount;
    image.width = width;
    image.height = height;
    image.bitCount = bitCount;
    image.rowBytes = static_cast<int32_t>(rowBytes);
    // The table stores blue, green, red, reserved.
    const uint8_t* table = data + headerSize;
    for (int32_t i = 0; i < colourCount; ++i) {
        const uint8_t* entry = table + 4 * i;
        image.palette[i] = uint32_t{entry[2]} << 16 | uint32_t{entry[1]} << 8 | entry[0];
    }
    return true;
}
