// One complete saver picture per monitor: its own stage, bands and walkers, so that no walker
// ever walks where no monitor shows her. One window (or one surface per output) may hold them
// all; each picture is drawn through a canvas clipped to its own monitor.
#pragma once
#include <cstdint>

#include "animation/canvas.h"
#include "animation/screen_geometry.h"
#include "animation/walkers.h"

// Pictures of their own for the first 16 monitors; the next ones, up to 64 in all, each show
// a copy of the picture of the monitor nearest to it in size. Lists longer than that are cut.
constexpr int kMaxPictures = 16;
constexpr int kMaxMonitors = 64;

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

// A monitor beyond the kMaxPictures-th, showing another monitor's picture from its own top-left
// corner, clipped to its own size.
struct SharedMonitor {
    ScreenArea area{};
    int picture = 0;  // the index of the picture it shows
};

struct PictureSet {
    int count = 0;
    Picture pictures[kMaxPictures]{};
    int sharedCount = 0;
    SharedMonitor shared[kMaxMonitors - kMaxPictures]{};
};

// One picture for one monitor: a stage of the monitor's size in stage pixels, with requestedCount
// walkers bounded by its height (BoundedWalkerCount).
void StartPicture(Picture& picture, const ScreenArea& monitor, int32_t scale,
                  int32_t requestedCount, int32_t eventOdds, uint32_t seed);

// One picture per monitor (the first kMaxPictures), each with requestedCount walkers bounded by
// its own stage height (BoundedWalkerCount). Picture i is seeded with seed + i, so a single
// monitor walks exactly as a single stage started with `seed` does. The monitors after those,
// up to kMaxMonitors, share the picture of the one nearest in size.
void StartPictures(PictureSet& set, const ScreenArea* monitors, int monitorCount, int32_t scale,
                   int32_t requestedCount, int32_t eventOdds, uint32_t seed);

// The monitors in the set: those with pictures of their own, then those sharing one.
int MonitorCount(const PictureSet& set);
const ScreenArea& MonitorArea(const PictureSet& set, int monitor);

// Gives the canvas that draws on one monitor, at `scale` device pixels per stage pixel, from the
// monitor's top-left corner; the platform's drawing lies behind it.
class MonitorCanvases {
public:
    virtual ~MonitorCanvases() = default;
    virtual Canvas& On(const ScreenArea& monitor, int32_t scale) = 0;
};

// Steps every picture once, drawing it on its own monitor and on every monitor that shares it,
// each clipped to its monitor. Returns the cues the step raised.
CueSet StepPictures(PictureSet& set, MonitorCanvases& canvases);

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
