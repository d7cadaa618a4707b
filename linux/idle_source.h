// What tells the saver that the session has been idle long enough to show itself: the X
// server's MIT-SCREEN-SAVER idle time, the Wayland compositor's idle notifications, or any other
// source that fits these few calls. The loop waits on Fd() (or looks again after
// PollMilliseconds()), calls Dispatch() and then TakeIdle(); after a showing that input ended it
// calls Rearm().
#pragma once
#include <cstdint>
#include <string>

class IdleSource {
public:
    virtual ~IdleSource() = default;

    // A descriptor that becomes readable when the source has news, or -1 for none.
    virtual int Fd() const = 0;
    // The longest the loop may wait before calling Dispatch() again, in milliseconds; negative
    // when only Fd() says when (the loop still looks once a second).
    virtual int64_t PollMilliseconds() const = 0;
    // Reads whatever arrived, without waiting; false (with `error` set) when the source can
    // no longer tell idle time, which ends the saver.
    virtual bool Dispatch(std::string& error) = 0;
    // True once when the idle time has been reached; false again until the next time.
    virtual bool TakeIdle() = 0;
    // A showing has ended on input: the next showing needs a whole idle time again.
    virtual void Rearm() = 0;
    // The session is idle now: the idle time was reached and no input came since.
    virtual bool StillIdle() const = 0;

    // While a showing runs: a descriptor of requests that must still be answered then (the
    // session bus's: a player's Inhibit call must not wait for the showing to end), or -1; and
    // the call that answers them without waiting.
    virtual int ServeFd() const { return -1; }
    virtual void Serve() {}
};
