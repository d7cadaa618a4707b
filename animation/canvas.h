// What the frame step draws through: rectangle copies out of the sprite atlas.
// The GDI canvas, the software surface and the test recorder all implement this one call.
#pragma once
#include <cstdint>

class Canvas {
public:
    virtual ~Canvas() = default;
    // Copy the w x h atlas rectangle at (srcX, srcY) to (dstX, dstY). Destinations may lie
    // partly or wholly off the surface; clipping is the canvas's job.
    virtual void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                               int32_t srcY) = 0;
};
