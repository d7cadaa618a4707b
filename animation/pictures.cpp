#include "animation/pictures.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "animation/frame_step.h"
#include "settings/settings_store.h"

void StartPicture(Picture& picture, const ScreenArea& monitor, int32_t scale,
                  int32_t requestedCount, int32_t eventOdds, uint32_t seed) {
    picture = Picture{};
    picture.area = monitor;
    picture.scale = scale < 1 ? 1 : scale;
    const int32_t height = picture.StageHeight();
    const Stage stage = MakeStage(0, 0, picture.StageWidth(), height,
                                  BoundedWalkerCount(requestedCount, height), eventOdds);
    StartWalkers(picture.population, stage, seed);
}

namespace {

// The picture whose monitor is nearest in size to `monitor` (the first of equals).
int NearestPicture(const PictureSet& set, const ScreenArea& monitor) {
    int nearest = 0;
    int64_t best = INT64_MAX;
    for (int i = 0; i < set.count; ++i) {
        const ScreenArea& a = set.pictures[i].area;
        const int64_t distance = std::abs(int64_t{a.width} - monitor.width) +
                                 std::abs(int64_t{a.height} - monitor.height);
        if (distance < best) {
            best = distance;
            nearest = i;
        }
    }
    return nearest;
}

// Passes one picture's copies on to every monitor that shows it.
class SharingCanvas final : public Canvas {
public:
    SharingCanvas(const PictureSet& set, int picture, MonitorCanvases& canvases)
        : set_(set), picture_(picture), canvases_(canvases) {}
    void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override {
        const Picture& own = set_.pictures[picture_];
        CopyTo(own.area, dstX, dstY, w, h, srcX, srcY);
        for (int i = 0; i < set_.sharedCount; ++i) {
            if (set_.shared[i].picture == picture_) {
                CopyTo(set_.shared[i].area, dstX, dstY, w, h, srcX, srcY);
            }
        }
    }

private:
    void CopyTo(const ScreenArea& monitor, int32_t dstX, int32_t dstY, int32_t w, int32_t h,
                int32_t srcX, int32_t srcY) {
        const int32_t scale = set_.pictures[picture_].scale;
        ClippedCanvas clipped(canvases_.On(monitor, scale), ScaledLength(monitor.width, scale),
                              ScaledLength(monitor.height, scale));
        clipped.CopyFromAtlas(dstX, dstY, w, h, srcX, srcY);
    }

    const PictureSet& set_;
    int picture_;
    MonitorCanvases& canvases_;
};

}  // namespace

void StartPictures(PictureSet& set, const ScreenArea* monitors, int monitorCount, int32_t scale,
                   int32_t requestedCount, int32_t eventOdds, uint32_t seed) {
    monitorCount = std::clamp(monitorCount, 0, kMaxMonitors);
    set.count = std::min(monitorCount, kMaxPictures);
    for (int i = 0; i < set.count; ++i) {
        StartPicture(set.pictures[i], monitors[i], scale, requestedCount, eventOdds,
                     seed + static_cast<uint32_t>(i));
    }
    set.sharedCount = monitorCount - set.count;
    for (int i = 0; i < set.sharedCount; ++i) {
        const ScreenArea& area = monitors[kMaxPictures + i];
        set.shared[i] = SharedMonitor{area, NearestPicture(set, area)};
    }
}

int MonitorCount(const PictureSet& set) { return set.count + set.sharedCount; }

const ScreenArea& MonitorArea(const PictureSet& set, int monitor) {
    return monitor < set.count ? set.pictures[monitor].area : set.shared[monitor - set.count].area;
}

CueSet StepPictures(PictureSet& set, MonitorCanvases& canvases) {
    CueSet raised = 0;
    for (int i = 0; i < set.count; ++i) {
        SharingCanvas canvas(set, i, canvases);
        raised |= StepWalkers(set.pictures[i].population, canvas);
    }
    return raised;
}

void ClippedCanvas::CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                                  int32_t srcY) {
    // 64-bit sums: a walker waiting far off screen must not wrap into view.
    const int64_t left = std::max<int64_t>(dstX, 0);
    const int64_t top = std::max<int64_t>(dstY, 0);
    const int64_t right = std::min<int64_t>(int64_t{dstX} + w, width_);
    const int64_t bottom = std::min<int64_t>(int64_t{dstY} + h, height_);
    if (left >= right || top >= bottom) return;
    inner_.CopyFromAtlas(static_cast<int32_t>(left), static_cast<int32_t>(top),
                         static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top),
                         static_cast<int32_t>(srcX + (left - dstX)),
                         static_cast<int32_t>(srcY + (top - dstY)));
}
