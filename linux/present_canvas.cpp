#include "linux/present_canvas.h"

#include <algorithm>

void PresentingCanvas::CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h,
                                     int32_t srcX, int32_t srcY) {
    // Clip against the drawing area and the atlas together, in 64 bits: walkers wait far
    // outside the area and their sums must not wrap.
    int64_t dx = dstX, dy = dstY, sx = srcX, sy = srcY, cw = w, ch = h;
    const auto clipLow = [](int64_t& d, int64_t& s, int64_t& size) {
        const int64_t cut = std::max<int64_t>({0, -d, -s});
        d += cut;
        s += cut;
        size -= cut;
    };
    clipLow(dx, sx, cw);
    clipLow(dy, sy, ch);
    cw = std::min({cw, int64_t{areaWidth_} - dx, int64_t{atlas_.width} - sx});
    ch = std::min({ch, int64_t{areaHeight_} - dy, int64_t{atlas_.height} - sy});
    if (cw <= 0 || ch <= 0) return;

    const size_t needed = static_cast<size_t>(cw) * static_cast<size_t>(ch);
    if (scratch_.pixels.size() < needed) scratch_.pixels.resize(needed);
    scratch_.width = static_cast<int32_t>(cw);
    scratch_.height = static_cast<int32_t>(ch);
    SoftwareCanvas(scratch_, atlas_)
        .CopyFromAtlas(0, 0, scratch_.width, scratch_.height, static_cast<int32_t>(sx),
                       static_cast<int32_t>(sy));
    sink_.PutRect(scratch_, static_cast<int32_t>(dx), static_cast<int32_t>(dy));
    pixelsSent_ += needed;
}
