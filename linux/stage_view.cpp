#include "linux/stage_view.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kMostRects = 64;  // beyond this, a list of changed rectangles becomes one
// Copies waiting for a buffer (3 MB; ten walkers at the fastest speed make 3,000 a second).
// A compositor slow to release the only buffer gets a second one after half of these; one
// that holds both this long sees the picture start over rather than the list grow further.
constexpr size_t kMostPending = size_t{1} << 17;

int64_t Area(const StageRect& r) { return int64_t{r.w} * r.h; }

StageRect Union(const StageRect& a, const StageRect& b) {
    const int32_t left = std::min(a.x, b.x), top = std::min(a.y, b.y);
    const int32_t right = std::max(a.x + a.w, b.x + b.w);
    const int32_t bottom = std::max(a.y + a.h, b.y + b.h);
    return {left, top, right - left, bottom - top};
}

uint32_t* Row(const DeviceBuffer& b, int64_t y) { return b.pixels + y * b.stride; }

// One copy out of the sheet, each stage pixel a scale x scale block, clipped to the buffer.
void PutCopy(const Surface& atlas, const ClippedCopy& c, const DeviceBuffer& to, int32_t scale) {
    const int32_t width = std::min(c.width, to.width / scale - c.dstX);
    const int32_t height = std::min(c.height, to.height / scale - c.dstY);
    if (c.dstX < 0 || c.dstY < 0 || width <= 0) return;
    const size_t bytes = static_cast<size_t>(width) * scale * sizeof(uint32_t);
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* from =
            &atlas.pixels[static_cast<size_t>(c.srcY + y) * atlas.width + c.srcX];
        uint32_t* row = Row(to, int64_t{c.dstY + y} * scale) + int64_t{c.dstX} * scale;
        if (scale == 1) {
            std::memcpy(row, from, bytes);
            continue;
        }
        for (int32_t x = 0; x < width; ++x) std::fill_n(row + int64_t{x} * scale, scale, from[x]);
        for (int32_t copy = 1; copy < scale; ++copy)
            std::memcpy(row + int64_t{copy} * to.stride, row, bytes);
    }
}

// Cuts from `r` the side that `cover` covers whole (all its rows, or all its columns), so that
// what is left stays one rectangle: a copy there would be drawn over anyway.
void Trim(StageRect& r, const StageRect& cover) {
    int32_t left = r.x, top = r.y, right = r.x + r.w, bottom = r.y + r.h;
    const int32_t coverRight = cover.x + cover.w, coverBottom = cover.y + cover.h;
    if (cover.y <= top && coverBottom >= bottom) {
        if (cover.x <= left) {
            left = std::max(left, coverRight);
        } else if (coverRight >= right) {
            right = std::min(right, cover.x);
        }
    } else if (cover.x <= left && coverRight >= right) {
        if (cover.y <= top) {
            top = std::max(top, coverBottom);
        } else if (coverBottom >= bottom) {
            bottom = std::min(bottom, cover.y);
        }
    }
    r = {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

// The buffer to draw into now, or -1 for none yet.
int TakeBuffer(StageView& view, bool frameDue, const std::function<bool(int)>& makeSecond) {
    if (view.drawing >= 0) return view.drawing;
    int free = -1;
    for (int i = 0; i < 2; ++i) {
        const ShownBuffer& b = view.buffers[i];
        if (b.device.pixels && !b.held && (free < 0 || b.missed.empty())) free = i;
    }
    if (free >= 0) return free;
    // A compositor that releases a buffer once it has shown it has done so by the next frame;
    // one that keeps it until the next commit needs a second.
    if (!frameDue && view.pending.size() < kMostPending / 2) return -1;
    for (int i = 0; i < 2; ++i) {
        if (view.buffers[i].device.pixels || !makeSecond(i)) continue;
        // New memory is black; what the other holds by now is not.
        view.buffers[i].missed.assign(
            1, {0, 0, view.picture.StageWidth(), view.picture.StageHeight()});
        return i;
    }
    return -1;
}

}  // namespace

void BeginPicture(StageView& view) {
    view.pending.clear();
    view.clearFirst = true;
    view.damage.assign(1, StageRect{0, 0, view.picture.StageWidth(), view.picture.StageHeight()});
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
    if (!ClipCopy(dstX, dstY, w, h, srcX, srcY, view_.picture.StageWidth(),
                  view_.picture.StageHeight(), atlas_.width, atlas_.height, c)) {
        return;
    }
    if (view_.pending.size() >= kMostPending) {
        view_.needsStart = true;
        return;
    }
    view_.atlas = &atlas_;
    view_.pending.push_back(c);
    AddRect(view_.damage, {c.dstX, c.dstY, c.width, c.height});
}

void DrawPending(StageView& view, bool frameDue, const std::function<bool(int)>& makeSecond) {
    if (view.pending.empty() && !view.clearFirst) return;
    const int index = TakeBuffer(view, frameDue, makeSecond);
    if (index < 0) return;
    ShownBuffer& to = view.buffers[index];
    ShownBuffer& other = view.buffers[1 - index];
    if (view.clearFirst) {
        for (int32_t y = 0; y < to.device.height; ++y)
            std::fill_n(Row(to.device, y), to.device.width, 0u);
        to.missed.clear();
        other.missed.assign(1, {0, 0, view.picture.StageWidth(), view.picture.StageHeight()});
    } else if (other.device.pixels) {
        // Mostly the same walkers one or two steps on: most of what was missed is drawn over.
        for (const ClippedCopy& c : view.pending) {
            for (StageRect& r : to.missed) Trim(r, {c.dstX, c.dstY, c.width, c.height});
        }
        CopyRects(other.device, to.device, to.missed, view.scale);
        to.missed.clear();
    }
    for (const ClippedCopy& c : view.pending) {
        PutCopy(*view.atlas, c, to.device, view.scale);
        AddRect(other.missed, {c.dstX, c.dstY, c.width, c.height});
    }
    view.pending.clear();
    view.clearFirst = false;
    view.drawing = index;
}

void CopyRects(const DeviceBuffer& from, const DeviceBuffer& to,
               const std::vector<StageRect>& rects, int32_t scale) {
    const int64_t width = std::min(from.width, to.width), height = std::min(from.height, to.height);
    for (const StageRect& r : rects) {
        const int64_t left = std::max<int64_t>(int64_t{r.x} * scale, 0);
        const int64_t top = std::max<int64_t>(int64_t{r.y} * scale, 0);
        const int64_t right = std::min<int64_t>((int64_t{r.x} + r.w) * scale, width);
        const int64_t bottom = std::min<int64_t>((int64_t{r.y} + r.h) * scale, height);
        if (left >= right) continue;
        for (int64_t y = top; y < bottom; ++y) {
            std::memcpy(Row(to, y) + left, Row(from, y) + left,
                        static_cast<size_t>(right - left) * sizeof(uint32_t));
        }
    }
}

bool DeviceSize(int64_t logicalWidth, int64_t logicalHeight, int64_t scale, bool in120ths,
                int32_t& width, int32_t& height, int32_t& stageScale) {
    // Every factor is bounded first, so no product below can overflow.
    const int64_t most = kMaxOutputSide;
    if (logicalWidth <= 0 || logicalHeight <= 0 || logicalWidth > most || logicalHeight > most ||
        scale <= 0 || scale > (in120ths ? most * 120 : most)) {
        return false;
    }
    int64_t w = logicalWidth * scale, h = logicalHeight * scale, s = scale;
    if (in120ths) {
        w = (w + 60) / 120;
        h = (h + 60) / 120;
        s = std::max<int64_t>(1, (scale + 60) / 120);
    }
    if (w > most || h > most) return false;
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    stageScale = static_cast<int32_t>(s);
    return true;
}
