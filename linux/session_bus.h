// The saver on the session bus: GNOME's idle monitor as an idle source, and the inhibitors that
// players and browsers hold (org.freedesktop.ScreenSaver, served here where no desktop serves
// it; gnome-session's own where GNOME runs). Never blocks once connected: the caller polls Fd()
// for Events() until Deadline() and then calls Dispatch().
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class SessionBus {
public:
    SessionBus();
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // The session bus of $DBUS_SESSION_BUS_ADDRESS (or $XDG_RUNTIME_DIR/bus).
    bool Connect(std::string& error);
    int Fd() const;
    short Events() const;  // for poll()
    // When Dispatch() is due even without input (CLOCK_MONOTONIC nanoseconds; 0: at once),
    // or -1 for never.
    int64_t Deadline() const;
    // Handles what has arrived, a bounded amount at a time; false once the bus is gone.
    bool Dispatch();

    // GNOME's idle monitor (org.gnome.Mutter.IdleMonitor): true when it is on the bus.
    bool HasIdleMonitor();
    // Asks it to say when the session has been idle for `milliseconds`.
    bool WatchIdle(uint32_t milliseconds, std::string& error);
    // The session is idle: the watch fired and no input came since.
    bool Idle() const;
    // Drops the idle watch and sets up a new one; for after each showing.
    void WatchIdleAgain();

    // Serves org.freedesktop.ScreenSaver's Inhibit and UnInhibit where nobody owns the name, and
    // asks gnome-session, when it is on the bus, whether idleness is inhibited.
    void WatchInhibitors();
    bool Inhibited() const;
    bool ServesScreenSaver() const;
    size_t InhibitorCount() const;

    struct State;

private:
    std::unique_ptr<State> state_;
};
