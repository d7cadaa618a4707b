#include "linux/wayland_backend.h"

namespace {
constexpr const char* kLost = "lost the connection to the Wayland compositor";
}

bool WaylandBackend::Show(std::string&) {
    session_.Show(fullScreen_);
    views_.clear();
    return true;
}

void WaylandBackend::Hide() {
    views_.clear();
    session_.Hide();
}

BackendEvents WaylandBackend::Pump() {
    const WaylandEvents events = session_.Dispatch();
    lost_ = lost_ || events.lost;
    // Surfaces come and go with outputs: the list is made anew after every dispatch.
    views_.clear();
    for (StageView* view : session_.Views()) {
        if (view->configured) views_.emplace_back(*view, atlas_);
    }
    return {events.endRequested && session_.Showing(), events.lost};
}

void WaylandBackend::Present() {
    session_.Present();
    session_.Flush();
}

std::string WaylandBackend::GoneReason() const { return lost_ ? kLost : ""; }

void WaylandBackend::SurfaceView::PictureStarted() {
    BeginPicture(view_);
    view_.needsStart = false;
}

bool WaylandIdleSource::Dispatch(std::string& error) {
    if (!session_.Dispatch().lost) return true;
    error = kLost;
    return false;
}
