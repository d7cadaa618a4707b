#include "animation/surface.h"

#include <algorithm>
#include <cstring>

void ConvertToRgbaOrder(Surface& surface) {
    for (uint32_t& p : surface.pixels) p = ToRgbaOrder(p);
}

bool ClipCopy(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX, int32_t srcY,
              int32_t targetWidth, int32_t targetHeight, int32_t atlasWidth, int32_t atlasHeight,
              ClippedCopy& out) {
    int64_t dx = dstX, dy = dstY, sx = srcX, sy = srcY, cw = w, ch = h;
    const auto clipLow = [](int64_t& d, int64_t& s, int64_t& size) {
        const int64_t cut = std::max<int64_t>({0, -d, -s});
        d += cut;
        s += cut;
        size -= cut;
    };
    clipLow(dx, sx, cw);
    clipLow(dy, sy, ch);
    cw = std::min({cw, int64_t{targetWidth} - dx, int64_t{atlasWidth} - sx});
    ch = std::min({ch, int64_t{targetHeight} - dy, int64_t{atlasHeight} - sy});
    if (cw <= 0 || ch <= 0) return false;
    out = {static_cast<int32_t>(dx), static_cast<int32_t>(dy), static_cast<int32_t>(sx),
           static_cast<int32_t>(sy), static_cast<int32_t>(cw), static_cast<int32_t>(ch)};
    return true;
}

void SoftwareCanvas::CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                                   int32_t srcY) {
    ClippedCopy c;
    if (!ClipCopy(dstX, dstY, w, h, srcX, srcY, target_.width, target_.height, atlas_.width,
                  atlas_.height, c)) {
        return;
    }
    const size_t rowBytes = static_cast<size_t>(c.width) * sizeof(uint32_t);
    for (int32_t row = 0; row < c.height; ++row) {
        uint32_t* to = &target_.pixels[static_cast<size_t>(c.dstY + row) * target_.width + c.dstX];
        const uint32_t* from =
            &atlas_.pixels[static_cast<size_t>(c.srcY + row) * atlas_.width + c.srcX];
        std::memcpy(to, from, rowBytes);
    }
}
