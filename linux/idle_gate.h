// When idle mode starts a showing: the session has been idle for the idle time, nothing asks
// the saver to wait, and there has been input since the last showing (so a showing that just
// ended is not started again while the idle source has yet to hear of the input that ended
// it). After the last inhibitor goes, a whole idle time must pass again first.
#pragma once
#include <cstdint>

class IdleGate {
public:
    explicit IdleGate(int64_t idleTime) : idleTime_(idleTime) {}

    // What the idle source and the inhibitors say now; `now` in any one clock.
    void Update(bool idle, bool inhibited, int64_t now) {
        if (!idle) armed_ = true;
        if (inhibited_ && !inhibited) notBefore_ = now + idleTime_;
        idle_ = idle;
        inhibited_ = inhibited;
    }
    // True once for each showing to start.
    bool TakeStart(int64_t now) {
        if (!armed_ || !idle_ || inhibited_ || now < notBefore_) return false;
        armed_ = false;
        return true;
    }
    // When TakeStart() may say yes with nothing else changing; -1: only after a change.
    int64_t WakeAt() const {
        return armed_ && idle_ && !inhibited_ && notBefore_ > 0 ? notBefore_ : -1;
    }

private:
    int64_t idleTime_;
    int64_t notBefore_ = 0;
    bool armed_ = true;
    bool idle_ = false;
    bool inhibited_ = false;
};
