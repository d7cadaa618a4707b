#include "animation/atlas_image.h"

namespace {

bool Fail(const char** error, const char* message) {
    if (error) *error = message;
    return false;
}

}  // namespace

bool ConvertAtlasToSurface(const AtlasImage& image, Surface& surface, const char** error) {
    if (!image.imageBits || image.width <= 0 || image.height <= 0) {
        return Fail(error, "no bitmap has been loaded");
    }
    const int32_t bits = image.bitCount;
    if (bits != 1 && bits != 4 && bits != 8) {
        return Fail(error, "only 1-, 4- and 8-bit colour-table bitmaps can be converted");
    }
    surface = Surface(image.width, image.height);
    const uint32_t mask = (1u << bits) - 1;
    for (int32_t r = 0; r < image.height; ++r) {
        const uint8_t* row = image.imageBits + static_cast<size_t>(r) * image.rowBytes;
        uint32_t* out = &surface.pixels[static_cast<size_t>(image.height - 1 - r) * image.width];
        for (int32_t x = 0; x < image.width; ++x) {
            // The leftmost pixel of a byte sits in its highest bits.
            const int32_t bitPos = x * bits;
            const uint32_t shift = 8 - bits - (bitPos & 7);
            const uint32_t index = (row[bitPos >> 3] >> shift) & mask;
            out[x] = image.palette[index];  // indices past the colour table come out black
        }
    }
    return true;
}

bool DecodeBitmapToSurface(const uint8_t* data, size_t size, Surface& surface, const char** error) {
    SkipBitmapFileHeader(data, size);
    AtlasImage image;
    return LoadAtlasImage(data, size, image, error) && ConvertAtlasToSurface(image, surface, error);
}
