#include "animation/surface.h"

#include <algorithm>
#include <cstring>

void SoftwareCanvas::CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                                   int32_t srcY) {
    // Work in 64 bits: walkers sit far off screen and sums must not overflow.
    int64_t dx = dstX, dy = dstY, sx = srcX, sy = srcY, cw = w, ch = h;
    const auto clipLow = [&](int64_t& d, int64_t& s, int64_t& size) {
        const int64_t cut = std::max<int64_t>({0, -d, -s});
        d += cut;
        s += cut;
        size -= cut;
    };
    clipLow(dx, sx, cw);
    clipLow(dy, sy, ch);
    cw = std::min({cw, int64_t{target_.width} - dx, int64_t{atlas_.width} - sx});
    ch = std::min({ch, int64_t{target_.height} - dy, int64_t{atlas_.height} - sy});
    if (cw <= 0 || ch <= 0) return;

    const size_t rowBytes = static_cast<size_t>(cw) * sizeof(uint32_t);
    for (int64_t row = 0; row < ch; ++row) {
        uint32_t* to = &target_.pixels[static_cast<size_t>((dy + row) * target_.width + dx)];
        const uint32_t* from = &atlas_.pixels[static_cast<size_t>((sy + row) * atlas_.width + sx)];
        std::memcpy(to, from, rowBytes);
    }
}
