// A plain 32-bit pixel surface (0x00RRGGBB), and a canvas that copies between two of them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "animation/canvas.h"

struct Surface {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;  // row-major, top row first

    Surface() = default;
    Surface(int32_t w, int32_t h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, 0) {}
    uint32_t& At(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * width + x]; }
    uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A browser canvas takes pixels as the bytes R, G, B, A. A surface whose pixels are all in that
// order (0xAABBGGRR in a little-endian word) can be handed to it as it is, with no conversion per
// frame: convert the atlas once, start the screen as opaque black, and copies keep the order.
constexpr uint32_t kOpaqueBlackRgba = 0xFF000000u;
constexpr uint32_t ToRgbaOrder(uint32_t rgb) {
    return kOpaqueBlackRgba | (rgb & 0xFFu) << 16 | (rgb & 0xFF00u) | (rgb >> 16 & 0xFFu);
}
void ConvertToRgbaOrder(Surface& surface);

// A rectangle copy, clipped so that it lies inside both the target and the atlas.
struct ClippedCopy {
    int32_t dstX, dstY, srcX, srcY, width, height;
};

// Clips a copy of w x h from (srcX, srcY) to (dstX, dstY); false when nothing is left. Works in
// 64 bits: walkers wait far outside the screen and their sums must not wrap.
bool ClipCopy(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX, int32_t srcY,
              int32_t targetWidth, int32_t targetHeight, int32_t atlasWidth, int32_t atlasHeight,
              ClippedCopy& out);

// Copies from an atlas surface onto a target surface, clipped at both surfaces' edges.
class SoftwareCanvas final : public Canvas {
public:
    SoftwareCanvas(Surface& target, const Surface& atlas) : target_(target), atlas_(atlas) {}
    void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override;

private:
    Surface& target_;
    const Surface& atlas_;
};
