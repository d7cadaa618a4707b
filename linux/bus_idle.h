// Idle mode with the session bus: GNOME's idle monitor as an idle source where the compositor
// offers none, and any idle source held off while a program holds an inhibitor.
#pragma once
#include <cstdint>
#include <string>

#include "linux/idle_gate.h"
#include "linux/idle_source.h"
#include "linux/session_bus.h"

class GnomeIdleSource final : public IdleSource {
public:
    explicit GnomeIdleSource(SessionBus& bus) : bus_(bus) {}
    bool Watch(uint32_t seconds, std::string& error) {
        return bus_.WatchIdle(seconds * 1000, error);
    }

    int Fd() const override { return bus_.Fd(); }
    int64_t PollMilliseconds() const override;
    bool Dispatch(std::string& error) override;
    bool TakeIdle() override;
    void Rearm() override;  // GNOME's watch is set up again after each showing
    bool StillIdle() const override { return bus_.Idle(); }
    int ServeFd() const override { return bus_.Fd(); }
    void Serve() override { bus_.Dispatch(); }  // a lost bus is told by the next Dispatch()

private:
    SessionBus& bus_;
    bool taken_ = false;
};

// `inner`, but a showing waits while an inhibitor is held, and after the last one goes until
// a whole idle time has passed again. Its descriptor stands for both inner's and the bus's.
class HeldIdleSource final : public IdleSource {
public:
    HeldIdleSource(IdleSource& inner, SessionBus& bus, uint32_t seconds);
    ~HeldIdleSource() override;
    HeldIdleSource(const HeldIdleSource&) = delete;
    HeldIdleSource& operator=(const HeldIdleSource&) = delete;

    int Fd() const override { return epoll_; }
    int64_t PollMilliseconds() const override;
    bool Dispatch(std::string& error) override;
    bool TakeIdle() override;
    void Rearm() override { inner_.Rearm(); }
    bool StillIdle() const override { return inner_.StillIdle(); }
    int ServeFd() const override { return bus_.Fd(); }
    void Serve() override { bus_.Dispatch(); }  // a lost bus is told by the next Dispatch()

private:
    IdleSource& inner_;
    SessionBus& bus_;
    IdleGate gate_;
    int epoll_ = -1;
};
