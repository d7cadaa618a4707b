#include "linux/bus_idle.h"

#include <sys/epoll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

namespace {

constexpr int64_t kNanosecondsPerMillisecond = 1000000;
constexpr const char* kLostBus = "lost the session bus";

int64_t NowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

// Milliseconds from now until `at` (nanoseconds; negative: never), rounded up; -1 for never.
int64_t MillisecondsUntil(int64_t at) {
    if (at < 0) return -1;
    const int64_t left = std::max<int64_t>(0, at - NowNanoseconds());
    return (left + kNanosecondsPerMillisecond - 1) / kNanosecondsPerMillisecond;
}

// The sooner of two waits in milliseconds, where negative means no limit.
int64_t Sooner(int64_t a, int64_t b) {
    if (a < 0) return b;
    if (b < 0) return a;
    return std::min(a, b);
}

}  // namespace

int64_t GnomeIdleSource::PollMilliseconds() const { return MillisecondsUntil(bus_.Deadline()); }

bool GnomeIdleSource::Dispatch(std::string& error) {
    if (bus_.Dispatch()) return true;
    error = kLostBus;
    return false;
}

bool GnomeIdleSource::TakeIdle() {
    if (!bus_.Idle()) taken_ = false;
    if (taken_ || !bus_.Idle()) return false;
    taken_ = true;
    return true;
}

void GnomeIdleSource::Rearm() {
    taken_ = false;
    bus_.WatchIdleAgain();
}

HeldIdleSource::HeldIdleSource(IdleSource& inner, SessionBus& bus, uint32_t seconds)
    : inner_(inner),
      bus_(bus),
      gate_(int64_t{seconds} * 1000 * kNanosecondsPerMillisecond),
      epoll_(epoll_create1(EPOLL_CLOEXEC)) {
    epoll_event busEvents{static_cast<uint32_t>(bus.Events()), {}};
    epoll_ctl(epoll_, EPOLL_CTL_ADD, bus.Fd(), &busEvents);
    if (inner.Fd() >= 0 && inner.Fd() != bus.Fd()) {
        epoll_event innerEvents{EPOLLIN, {}};
        epoll_ctl(epoll_, EPOLL_CTL_ADD, inner.Fd(), &innerEvents);
    }
}

HeldIdleSource::~HeldIdleSource() {
    if (epoll_ >= 0) close(epoll_);
}

int64_t HeldIdleSource::PollMilliseconds() const {
    const int64_t wait = Sooner(inner_.PollMilliseconds(), MillisecondsUntil(bus_.Deadline()));
    return Sooner(wait, MillisecondsUntil(gate_.WakeAt()));
}

bool HeldIdleSource::Dispatch(std::string& error) {
    if (!inner_.Dispatch(error)) return false;
    if (!bus_.Dispatch()) {
        error = kLostBus;
        return false;
    }
    // What the bus waits for changes with what it has to send.
    epoll_event busEvents{static_cast<uint32_t>(bus_.Events()), {}};
    epoll_ctl(epoll_, EPOLL_CTL_MOD, bus_.Fd(), &busEvents);
    return true;
}

// The gate follows whether the session is idle, not the inner source's one-off news of it.
bool HeldIdleSource::TakeIdle() {
    inner_.TakeIdle();
    const int64_t now = NowNanoseconds();
    gate_.Update(inner_.StillIdle(), bus_.Inhibited(), now);
    return gate_.TakeStart(now);
}
