// The saver on Wayland: a WaylandSession (a surface per output, or one window) behind the
// loop's backend interface, and the compositor's idle notifications as an idle source.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "linux/idle_source.h"
#include "linux/saver_backend.h"
#include "linux/wayland_output.h"

class WaylandBackend final : public SaverBackend {
public:
    WaylandBackend(WaylandSession& session, const Surface& atlas, bool fullScreen)
        : session_(session), atlas_(atlas), fullScreen_(fullScreen) {}

    bool Show(std::string& error) override;
    void Hide() override;
    int Fd() const override { return session_.ConnectionFd(); }
    BackendEvents Pump() override;
    int ViewCount() const override { return static_cast<int>(views_.size()); }
    SaverView& View(int index) override { return views_[static_cast<size_t>(index)]; }
    void Present() override;
    std::string GoneReason() const override;

    // A surface the compositor has given a size; the picture lives in the StageView.
    class SurfaceView final : public SaverView {
    public:
        SurfaceView(StageView& view, const Surface& atlas) : view_(view), canvas_(view, atlas) {}
        ScreenArea Area() const override { return {0, 0, view_.deviceWidth, view_.deviceHeight}; }
        int32_t Scale() const override { return view_.scale; }
        bool Changed() const override { return view_.needsStart; }
        Picture& PictureToStart() override { return view_.picture; }
        void PictureStarted() override;
        Canvas& Drawing() override { return canvas_; }

    private:
        StageView& view_;
        ViewCanvas canvas_;
    };

private:
    WaylandSession& session_;
    const Surface& atlas_;
    bool fullScreen_;
    bool lost_ = false;
    std::vector<SurfaceView> views_;
};

// ext-idle-notify-v1 or KDE's older idle protocol, on the session's own connection.
class WaylandIdleSource final : public IdleSource {
public:
    explicit WaylandIdleSource(WaylandSession& session) : session_(session) {}
    bool Watch(uint32_t seconds, std::string& error) {
        return session_.WatchIdle(seconds * 1000, error);
    }

    int Fd() const override { return session_.ConnectionFd(); }
    int64_t PollMilliseconds() const override { return -1; }
    bool Dispatch(std::string& error) override;
    bool TakeIdle() override { return session_.TakeIdleStart(); }
    void Rearm() override { session_.TakeIdleStart(); }
    bool StillIdle() const override { return session_.IdleNow(); }

private:
    WaylandSession& session_;
};
