// The Wayland side of the saver: one surface per output (or one window), each with its own
// picture drawn straight into the wl_shm buffers it commits, at whole device pixels per stage
// pixel; input that ends the saver; and the compositor's idle notifications.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "linux/stage_view.h"

struct wl_display;

struct WaylandEvents {
    bool endRequested = false;  // a key, a click, pointer movement, or the window closed
    bool lost = false;          // the connection failed
};

class WaylandSession {
public:
    WaylandSession();
    ~WaylandSession();
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    // Connects to $WAYLAND_DISPLAY and learns the globals and outputs.
    bool Connect(std::string& error);
    int ConnectionFd() const;

    // Asks for idle notifications after `milliseconds` without input; false when the
    // compositor offers neither idle protocol.
    bool WatchIdle(uint32_t milliseconds, std::string& error);
    // True once after the session became idle (and has not resumed since).
    bool TakeIdleStart();
    // The session is idle: it became idle and has not resumed since.
    bool IdleNow() const;

    // Full screen: one surface per output, following outputs that come and go. Otherwise
    // one window.
    void Show(bool fullScreen);
    void Hide();
    bool Showing() const;
    std::vector<StageView*> Views();

    // Sends every view's damage that its compositor is ready for (frame callbacks).
    void Present();
    // Reads what arrived without waiting, and dispatches it.
    WaylandEvents Dispatch();
    void Flush();

    struct State;

private:
    std::unique_ptr<State> state_;
};
