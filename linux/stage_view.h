// A picture kept in stage pixels and shown at a whole number of device pixels per stage pixel:
// what a Wayland surface of the saver holds, apart from the protocol. The picture lives only in
// the buffers the compositor shows: each step's copies out of the sprite sheet go straight into
// the buffer that is committed next, each stage pixel a scale x scale block.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "animation/canvas.h"
#include "animation/pictures.h"
#include "animation/screen_geometry.h"  // kMaxOutputSide
#include "animation/surface.h"

// A rectangle in stage pixels.
struct StageRect {
    int32_t x, y, w, h;
};

// Device pixels the compositor reads: 0x00RRGGBB, `stride` pixels from one row to the next.
struct DeviceBuffer {
    uint32_t* pixels = nullptr;  // null: not made
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
};

// One of a view's buffers. A second one is made only when the first is still held at the next
// frame, so a compositor that releases buffers once shown costs one.
struct ShownBuffer {
    DeviceBuffer device;
    bool held = false;              // committed, and not yet released by the compositor
    std::vector<StageRect> missed;  // drawn into the other buffer since this one was up to date
};

// One saver surface (a full-screen one on one output, or the one window) and its picture.
struct StageView {
    int32_t deviceWidth = 0;  // the buffer, in device pixels
    int32_t deviceHeight = 0;
    int32_t scale = 1;        // device pixels per stage pixel
    bool needsStart = false;  // new size or scale: the caller starts a new picture
    bool configured = false;  // the compositor has given a size; ticks draw from then on
    Picture picture{};
    // The ticks' copies not yet put into a buffer (none was free), after a clear when
    // `clearFirst`; they copy out of `atlas`.
    std::vector<ClippedCopy> pending;
    bool clearFirst = false;
    const Surface* atlas = nullptr;
    std::vector<StageRect> damage;  // changed since the last commit
    ShownBuffer buffers[2];
    int drawing = -1;  // the buffer drawn into since the last commit, or -1
};

// Makes a view ready for the picture just started in view.picture: the next buffer drawn into
// is cleared first, and all of it is to be sent.
void BeginPicture(StageView& view);

// Adds rectangles to a list of changed ones; a long list becomes its bounding box, so an
// output that is not shown for a while keeps a bounded list.
void AddRect(std::vector<StageRect>& into, const StageRect& rect);
void AddRects(std::vector<StageRect>& into, const std::vector<StageRect>& rects);

// Takes a view's copies, clipped to its stage, and remembers what changed.
class ViewCanvas final : public Canvas {
public:
    ViewCanvas(StageView& view, const Surface& atlas) : view_(view), atlas_(atlas) {}
    void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override;

private:
    StageView& view_;
    const Surface& atlas_;
};

// Puts the pending copies into a buffer the compositor does not hold: the one drawn into since
// the last commit, else a released one (first brought up to date from the other, for the
// rectangles it missed). When the compositor holds the only one at the next frame
// (`frameDue`), `makeSecond(index)` makes another. Sets view.drawing; the copies stay pending
// while no buffer is free.
void DrawPending(StageView& view, bool frameDue, const std::function<bool(int)>& makeSecond);

// Copies stage rectangles between two buffers of the same size and scale, clipped to both.
void CopyRects(const DeviceBuffer& from, const DeviceBuffer& to,
               const std::vector<StageRect>& rects, int32_t scale);

// The buffer size for a logical size at a scale (an integer one, or a fractional one in 120ths
// when `in120ths`): false, with nothing set, when a side would be beyond kMaxOutputSide.
bool DeviceSize(int64_t logicalWidth, int64_t logicalHeight, int64_t scale, bool in120ths,
                int32_t& width, int32_t& height, int32_t& stageScale);
