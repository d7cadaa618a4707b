#include "animation/pictures.h"

#include <algorithm>

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

void StartPictures(PictureSet& set, const ScreenArea* monitors, int monitorCount, int32_t scale,
                   int32_t requestedCount, int32_t eventOdds, uint32_t seed) {
    set.count = std::clamp(monitorCount, 0, kMaxPictures);
    for (int i = 0; i < set.count; ++i) {
        StartPicture(set.pictures[i], monitors[i], scale, requestedCount, eventOdds,
                     seed + static_cast<uint32_t>(i));
    }
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
