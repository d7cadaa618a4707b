#include "linux/stage_view.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kMostRects = 64;  // beyond this, a list of changed rectangles becomes one

int64_t Area(const StageRect& r) { return int64_t{r.w} * r.h; }

StageRect Union(const StageRect& a, const StageRect& b) {
    const int32_t left = std::min(a.x, b.x), top = std::min(a.y, b.y);
    const int32_t right = std::max(a.x + a.w, b.x + b.w);
    const int32_t bottom = std::max(a.y + a.h, b.y + b.h);
    return {left, top, right - left, bottom - top};
}

}  // namespace

void BeginPicture(StageView& view) {
    view.stage = Surface(view.picture.StageWidth(), view.picture.StageHeight());
    view.damage.assign(1, StageRect{0, 0, view.stage.width, view.stage.height});
}

void AddRect(std::vector<StageRect>& into, const StageRect& r) {
    // A walker's rectangles of the ticks between two frames mostly overlap: one covering
    // rectangle costs fewer copied pixels than both.
    bool merged = false;
    for (StageRect& e : into) {
        const StageRect both = Union(e, r);
        if (Area(both) <= Area(e) + Area(r)) {
            e = both;
            merged = true;
            break;
        }
    }
    if (!merged) into.push_back(r);
    if (into.size() <= kMostRects) return;
    StageRect all = into.front();
    for (const StageRect& e : into) all = Union(all, e);
    into.assign(1, all);
}

void AddRects(std::vector<StageRect>& into, const std::vector<StageRect>& rects) {
    for (const StageRect& r : rects) AddRect(into, r);
}

void ViewCanvas::CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                               int32_t srcY) {
    ClippedCopy c;
    if (!ClipCopy(dstX, dstY, w, h, srcX, srcY, view_.stage.width, view_.stage.height, atlas_.width,
                  atlas_.height, c)) {
        return;
    }
    SoftwareCanvas(view_.stage, atlas_)
        .CopyFromAtlas(c.dstX, c.dstY, c.width, c.height, c.srcX, c.srcY);
    AddRect(view_.damage, {c.dstX, c.dstY, c.width, c.height});
}

void ScaleRectsInto(const Surface& stage, const std::vector<StageRect>& rects, int32_t scale,
                    uint32_t* device, int32_t deviceWidth, int32_t deviceHeight, int32_t stride) {
    for (const StageRect& r : rects) {
        const int32_t left = std::max(r.x, 0);
        const int32_t top = std::max(r.y, 0);
        const int32_t right = std::min({r.x + r.w, stage.width, deviceWidth / scale});
        const int32_t bottom = std::min({r.y + r.h, stage.height, deviceHeight / scale});
        if (left >= right) continue;
        for (int32_t y = top; y < bottom; ++y) {
            const uint32_t* from = &stage.pixels[static_cast<size_t>(y) * stage.width];
            uint32_t* row = device + static_cast<size_t>(y) * scale * stride;
            if (scale == 1) {
                std::memcpy(row + left, from + left, static_cast<size_t>(right - left) * 4);
                continue;
            }
            for (int32_t x = left; x < right; ++x) {
                std::fill_n(row + static_cast<size_t>(x) * scale, scale, from[x]);
            }
            for (int32_t copy = 1; copy < scale; ++copy) {  // the block's other rows
                std::memcpy(row + static_cast<size_t>(copy) * stride + left * scale,
                            row + left * scale, static_cast<size_t>(right - left) * scale * 4);
            }
        }
    }
}
