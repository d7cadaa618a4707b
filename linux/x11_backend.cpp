#include "linux/x11_backend.h"

#include <algorithm>

// One RandR monitor's part of the window: its picture is drawn shifted to where the monitor
// lies and clipped to it, straight to the X server.
class XBackend::MonitorView final : public SaverView, private Canvas {
public:
    MonitorView(Canvas& window, const ScreenArea& area) : window_(window), area_(area) {}
    ScreenArea Area() const override { return area_; }
    int32_t Scale() const override { return 1; }
    bool Changed() const override { return changed_; }
    Picture& PictureToStart() override { return picture_; }
    void PictureStarted() override { changed_ = false; }
    Canvas& Drawing() override { return clipped_; }

private:
    void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override {
        window_.CopyFromAtlas(dstX + area_.left, dstY + area_.top, w, h, srcX, srcY);
    }

    Canvas& window_;
    ScreenArea area_;
    bool changed_ = true;
    Picture picture_{};
    ClippedCanvas clipped_{*this, area_.width, area_.height};
};

namespace {

bool SameAreas(const std::vector<ScreenArea>& a, const std::vector<ScreenArea>& b) {
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(), [](const ScreenArea& x, const ScreenArea& y) {
            return x.left == y.left && x.top == y.top && x.width == y.width && x.height == y.height;
        });
}

}  // namespace

XBackend::XBackend(const Surface& atlas, DisplayMode mode, uint64_t window)
    : atlas_(atlas), mode_(mode), window_(window) {}

XBackend::~XBackend() = default;

bool XBackend::Show(std::string& error) {
    output_ = std::make_unique<XOutput>();
    canvas_ = std::make_unique<PresentingCanvas>(atlas_, *output_);
    if (!output_->Open(error)) return false;
    const bool opened = mode_ == DisplayMode::Foreign
                            ? output_->AttachForeignWindow(window_, error)
                            : output_->CreateOwnWindow(mode_ == DisplayMode::FullScreen, error);
    ready_ = output_->Foreign();
    return opened;
}

void XBackend::Hide() {
    views_.clear();
    monitors_.clear();
    followed_ = false;
    canvas_.reset();
    output_.reset();
    ready_ = false;
}

int XBackend::Fd() const { return output_->ConnectionFd(); }

BackendEvents XBackend::Pump() {
    const XOutputEvents events = output_->DrainEvents();
    if (events.mapped) ready_ = true;
    if (ready_ && (events.resized || events.monitorsChanged || !followed_)) {
        FollowMonitors(events.resized);
    }
    return {events.closeRequested, events.gone};
}

// A view per monitor, each starting a new picture, whenever the window's size or the set of
// monitors or their geometry changes; what was drawn before is cleared, so nothing stays lit
// where no monitor is now.
void XBackend::FollowMonitors(bool resized) {
    std::vector<ScreenArea> monitors = output_->Monitors();
    if (!resized && followed_ && SameAreas(monitors, monitors_)) return;
    followed_ = true;
    output_->FillBlack(0, 0, output_->Width(), output_->Height());
    canvas_->SetArea(output_->Width(), output_->Height());
    views_.clear();
    for (const ScreenArea& area : monitors) {
        views_.push_back(std::make_unique<MonitorView>(*canvas_, area));
    }
    monitors_ = std::move(monitors);
}

SaverView& XBackend::View(int index) { return *views_[static_cast<size_t>(index)]; }

void XBackend::Present() { output_->Flush(); }

int64_t XIdleSource::PollMilliseconds() const {
    // When the limit could be reached, but at least once a second, since idle time also
    // restarts when a program resets it.
    return static_cast<int64_t>(std::min<uint64_t>(idle_ < limit_ ? limit_ - idle_ : 0, 1000));
}

bool XIdleSource::Dispatch(std::string& error) {
    if (watcher_.IdleMilliseconds(idle_)) return true;
    error = "the X server has no MIT-SCREEN-SAVER extension to tell idle time";
    return false;
}

bool XIdleSource::TakeIdle() {
    if (taken_ || idle_ < limit_) return false;
    taken_ = true;
    return true;
}
