// The saver on X11: XOutput (a window of its own or a foreign one, one view per RandR monitor)
// behind the loop's backend interface, and MIT-SCREEN-SAVER's idle time as an idle source.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "linux/idle_source.h"
#include "linux/options.h"
#include "linux/present_canvas.h"
#include "linux/saver_backend.h"
#include "linux/x11_output.h"

class XBackend final : public SaverBackend {
public:
    // `window` is the foreign window for DisplayMode::Foreign (0: the root window).
    XBackend(const Surface& atlas, DisplayMode mode, uint64_t window);
    ~XBackend() override;

    bool Show(std::string& error) override;
    void Hide() override;
    int Fd() const override;
    BackendEvents Pump() override;
    int ViewCount() const override { return static_cast<int>(views_.size()); }
    SaverView& View(int index) override;
    void Present() override;
    std::string GoneReason() const override { return {}; }  // gone is all there is to say

    class MonitorView;

private:
    void FollowMonitors(bool resized);

    const Surface& atlas_;
    DisplayMode mode_;
    uint64_t window_;
    std::unique_ptr<XOutput> output_;
    std::unique_ptr<PresentingCanvas> canvas_;
    bool ready_ = false;     // a window of our own once it is on screen; a foreign one at once
    bool followed_ = false;  // views_ are made for monitors_
    std::vector<ScreenArea> monitors_;
    std::vector<std::unique_ptr<MonitorView>> views_;
};

// MIT-SCREEN-SAVER's idle time, on a connection of its own, looked at now and then.
class XIdleSource final : public IdleSource {
public:
    explicit XIdleSource(uint32_t seconds) : limit_(uint64_t{seconds} * 1000) {}
    bool Open(std::string& error) { return watcher_.Open(error); }

    int Fd() const override { return -1; }
    int64_t PollMilliseconds() const override;
    bool Dispatch(std::string& error) override;
    bool TakeIdle() override;
    void Rearm() override { taken_ = false; }
    bool StillIdle() const override { return idle_ >= limit_; }

private:
    XOutput watcher_;
    uint64_t limit_;
    uint64_t idle_ = 0;
    bool taken_ = false;
};
