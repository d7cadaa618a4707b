#include "linux/present_canvas.h"

void PresentingCanvas::CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                                     int32_t srcY) {
    ClippedCopy c;
    if (!ClipCopy(dstX, dstY, w, h, srcX, srcY, areaWidth_, areaHeight_, atlas_.width,
                  atlas_.height, c)) {
        return;
    }
    const size_t needed = static_cast<size_t>(c.width) * static_cast<size_t>(c.height);
    if (scratch_.pixels.size() < needed) scratch_.pixels.resize(needed);
    scratch_.width = c.width;
    scratch_.height = c.height;
    SoftwareCanvas(scratch_, atlas_).CopyFromAtlas(0, 0, c.width, c.height, c.srcX, c.srcY);
    sink_.PutRect(scratch_, c.dstX, c.dstY);
    pixelsSent_ += needed;
}
