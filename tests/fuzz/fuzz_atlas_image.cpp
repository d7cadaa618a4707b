// Feeds arbitrary bytes to the sheet loader, both as a bare bitmap and as a .bmp file, and
// converts whatever it accepts.
#include <cstdlib>

#include "animation/atlas_image.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void Exercise(const uint8_t* data, size_t size) {
    AtlasImage image;
    const char* error = nullptr;
    if (!LoadAtlasImage(data, size, image, &error)) {
        Check(error != nullptr && image.imageBits == nullptr);
        return;
    }
    Check(image.imageHeader == data);
    Check(image.colourCount >= 0 && image.colourCount <= 256);
    const size_t bitsEnd = static_cast<size_t>(image.imageBits - data) +
                           static_cast<size_t>(image.rowBytes) * static_cast<size_t>(image.height);
    Check(bitsEnd <= size);
    Surface surface;
    if (ConvertAtlasToSurface(image, surface, &error)) {
        Check(surface.width == image.width && surface.height == image.height);
        Check(surface.pixels.size() == static_cast<size_t>(image.width) * image.height);
    } else {
        Check(image.bitCount != 1 && image.bitCount != 4 && image.bitCount != 8);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Exercise(data, size);
    const uint8_t* dib = data;
    size_t dibSize = size;
    SkipBitmapFileHeader(dib, dibSize);
    if (dib != data) Exercise(dib, dibSize);
    return 0;
}
