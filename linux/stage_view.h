// A picture kept in stage pixels and shown at a whole number of device pixels per stage pixel:
// what a Wayland surface of the saver holds, apart from the protocol.
#pragma once
#include <cstdint>
#include <vector>

#include "animation/canvas.h"
#include "animation/pictures.h"
#include "animation/surface.h"

// A rectangle in stage pixels.
struct StageRect {
    int32_t x, y, w, h;
};

// One saver surface (a full-screen one on one output, or the one window) and its picture.
struct StageView {
    int32_t deviceWidth = 0;  // the buffer, in device pixels
    int32_t deviceHeight = 0;
    int32_t scale = 1;        // device pixels per stage pixel
    bool needsStart = false;  // new size or scale: the caller starts a new picture
    bool configured = false;  // the compositor has given a size; ticks draw from then on
    Picture picture{};
    Surface stage;                  // the picture in stage pixels; its changes go out as damage
    std::vector<StageRect> damage;  // changed since the last commit
};

// Makes a view ready for the picture just started in view.picture: a fresh drawing surface of
// the picture's size, all of it to be sent.
void BeginPicture(StageView& view);

// Adds rectangles to a list of changed ones; a long list becomes its bounding box, so an
// output that is not shown for a while keeps a bounded list.
void AddRect(std::vector<StageRect>& into, const StageRect& rect);
void AddRects(std::vector<StageRect>& into, const std::vector<StageRect>& rects);

// Draws into a view's stage surface and remembers what changed.
class ViewCanvas final : public Canvas {
public:
    ViewCanvas(StageView& view, const Surface& atlas) : view_(view), atlas_(atlas) {}
    void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override;

private:
    StageView& view_;
    const Surface& atlas_;
};

// Copies stage rectangles into a device-pixel buffer, each stage pixel a scale x scale block.
// `stride` is in pixels. Rectangles are clipped to both.
void ScaleRectsInto(const Surface& stage, const std::vector<StageRect>& rects, int32_t scale,
                    uint32_t* device, int32_t deviceWidth, int32_t deviceHeight, int32_t stride);
