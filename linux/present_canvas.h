// A canvas that hands every copy of a frame step, clipped to the drawing area, straight to the
// display: what a step copies is exactly what changed on screen, so nothing else is sent, and
// no picture of the whole drawing area is kept in memory.
#pragma once
#include <cstdint>

#include "animation/canvas.h"
#include "animation/surface.h"

// Receives finished rectangles, in drawing order (later ones cover earlier ones).
class RectSink {
public:
    virtual ~RectSink() = default;
    // pixels.width x pixels.height of 0x00RRGGBB, to be shown with its top-left corner at (x, y).
    virtual void PutRect(const Surface& pixels, int32_t x, int32_t y) = 0;
};

class PresentingCanvas final : public Canvas {
public:
    PresentingCanvas(const Surface& atlas, RectSink& sink) : atlas_(atlas), sink_(sink) {}

    // The drawing area is (0, 0) to (width, height); copies are clipped to it.
    void SetArea(int32_t width, int32_t height) {
        areaWidth_ = width;
        areaHeight_ = height;
    }
    void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override;

    uint64_t PixelsSent() const { return pixelsSent_; }

private:
    const Surface& atlas_;
    RectSink& sink_;
    int32_t areaWidth_ = 0;
    int32_t areaHeight_ = 0;
    Surface scratch_;  // grows to the largest copy once; reused for every later one
    uint64_t pixelsSent_ = 0;
};
