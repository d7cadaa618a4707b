// One complete saver picture per monitor: its own stage, bands and walkers, so that no walker
// ever walks where no monitor shows her. One window (or one surface per output) may hold them
// all; each picture is drawn through a canvas clipped to its own monitor.
#pragma once
#include <cstdint>

#include "animation/canvas.h"
#include "animation/screen_geometry.h"
#include "animation/walkers.h"

constexpr int kMaxPictures = 16;

struct Picture {
    ScreenArea area{};  // the monitor, in device pixels of the output that holds it
    // Device pixels per stage pixel; StartPictures sets it. Zero until then, so that a set of
    // pictures is all zeros and costs the Windows saver no initialised data.
    int32_t scale = 0;
    WalkerPopulation population{};
    // The stage's size in stage pixels: the monitor's size divided by the scale.
    int32_t StageWidth() const { return ScaledLength(area.width, scale < 1 ? 1 : scale); }
    int32_t StageHeight() const { return ScaledLength(area.height, scale < 1 ? 1 : scale); }
};

struct PictureSet {
    int count = 0;
    Picture pictures[kMaxPictures]{};
};

// One picture for one monitor: a stage of the monitor's size in stage pixels, with requestedCount
// walkers bounded by its height (BoundedWalkerCount).
void StartPicture(Picture& picture, const ScreenArea& monitor, int32_t scale,
                  int32_t requestedCount, int32_t eventOdds, uint32_t seed);

// One picture per monitor (the first kMaxPictures), each with requestedCount walkers bounded by
// its own stage height (BoundedWalkerCount). Picture i is seeded with seed + i, so a single monitor walks
// exactly as a single stage started with `seed` does.
void StartPictures(PictureSet& set, const ScreenArea* monitors, int monitorCount, int32_t scale,
                   int32_t requestedCount, int32_t eventOdds, uint32_t seed);

// Passes copies on to another canvas, clipped to (0, 0)-(width, height): a picture never draws
// onto its neighbour's monitor, even with a walker waiting off its left edge.
class ClippedCanvas final : public Canvas {
public:
    ClippedCanvas(Canvas& inner, int32_t width, int32_t height)
        : inner_(inner), width_(width), height_(height) {}
    void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override;

private:
    Canvas& inner_;
    int32_t width_;
    int32_t height_;
};
