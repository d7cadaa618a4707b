#include "linux/saver_loop.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <initializer_list>

#include "animation/frame_step.h"
#include "animation/random.h"
#include "settings/profile_file.h"

namespace {

constexpr int64_t kNanosecondsPerMillisecond = 1000000;
// Without a tick due, the loop still looks around once a second.
constexpr int64_t kLongestWait = 1000 * kNanosecondsPerMillisecond;

int64_t NowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

// Waits until one of `fds` (-1: none) is readable, `wait` nanoseconds have passed or an end
// signal came; false on a signal, which is then left in signals.received.
bool WaitFor(std::initializer_list<int> fds, int64_t wait, EndSignals& signals) {
    pollfd watched[4];
    nfds_t count = 0;
    watched[count++] = {signals.fd, POLLIN, 0};
    for (int fd : fds) watched[count++] = {fd, POLLIN, 0};  // poll passes over -1
    wait = std::clamp<int64_t>(wait, 0, kLongestWait);
    timespec timeout{};
    timeout.tv_sec = static_cast<time_t>(wait / 1000000000);
    timeout.tv_nsec = static_cast<long>(wait % 1000000000);
    if (ppoll(watched, count, &timeout, nullptr) < 0 && errno != EINTR) return false;
    if (!(watched[0].revents & POLLIN)) return true;
    signalfd_siginfo info{};
    if (read(signals.fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        signals.received = static_cast<int>(info.ssi_signo);
    }
    return false;
}

enum class Ended { Input, Signal, Ticks, Gone };

// One showing: the views' pictures, ticking, until input, a signal, --ticks or the window
// going away.
class Showing {
public:
    Showing(Saver& saver, SaverBackend& backend, IdleSource* idle, EndSignals& signals)
        : saver_(saver),
          backend_(backend),
          idle_(idle),
          signals_(signals),
          seed_(saver.Seed()),
          interval_(saver.ReadSettings(0).tickInterval) {}

    Ended Run() {
        int64_t nextTick = NowNanoseconds();
        for (;;) {
            const BackendEvents events = backend_.Pump();
            if (events.gone) return Ended::Gone;
            if (events.endInput) return Ended::Input;
            StartChangedPictures();
            const bool ready = backend_.ViewCount() > 0;
            const int64_t now = NowNanoseconds();
            if (ready && now >= nextTick) {
                // As with a timer re-armed before painting: the interval runs while the step
                // draws, and a slow step delays the next tick instead of piling ticks up.
                nextTick = now + int64_t{interval_} * kNanosecondsPerMillisecond;
                Tick();
                if (saver_.CountTick()) return Ended::Ticks;
                continue;  // pick up whatever arrived while drawing before sleeping
            }
            backend_.Present();  // what the display was not ready for at the tick
            const int64_t wait = ready ? nextTick - now : kLongestWait;
            const int serveFd = idle_ ? idle_->ServeFd() : -1;
            if (!WaitFor({backend_.Fd(), serveFd}, wait, signals_)) return Ended::Signal;
            if (idle_) idle_->Serve();
        }
    }

private:
    // A new picture on every view whose area, scale or monitor changed: the walkers start over,
    // with the settings as they are stored now. View i is seeded with seed + i, so one view
    // walks as the renderer's single stage with that seed does.
    void StartChangedPictures() {
        for (int i = 0; i < backend_.ViewCount(); ++i) {
            SaverView& view = backend_.View(i);
            if (!view.Changed()) continue;
            const ScreenArea area = view.Area();
            const int32_t scale = view.Scale();
            const SaverSettings settings = saver_.ReadSettings(ScaledLength(area.height, scale));
            interval_ = settings.tickInterval;
            StartPicture(view.PictureToStart(), area, scale, settings.storedCount,
                         settings.eventOdds, seed_ + static_cast<uint32_t>(i));
            view.PictureStarted();
        }
    }

    // Every picture steps once; at most one sound plays for all of them.
    void Tick() {
        CueSet raised = 0;
        for (int i = 0; i < backend_.ViewCount(); ++i) {
            SaverView& view = backend_.View(i);
            raised |= StepWalkers(view.PictureToStart().population, view.Drawing());
        }
        PlayStepCue(raised, saver_.sound, saver_.soundPlatform);
        backend_.Present();
    }

    Saver& saver_;
    SaverBackend& backend_;
    IdleSource* idle_;  // the idle mode's, answered while showing; none for a single showing
    EndSignals& signals_;
    uint32_t seed_;
    uint32_t interval_;  // ms, as the settings say at the start and with each new picture
};

// Shows the saver once. Returns the exit status, or -1 when input ended the showing and the
// caller may wait for the next one. A window that goes away ends a single showing quietly (the
// XScreenSaver daemon takes its window away so), but fails a saver that waits for idle time.
int ShowOnce(Saver& saver, SaverBackend& backend, IdleSource* idle, EndSignals& signals) {
    const bool waitsForIdle = idle != nullptr;
    std::string error;
    if (!backend.Show(error)) return Fail(error);
    const Ended ended = Showing(saver, backend, idle, signals).Run();
    std::string reason = backend.GoneReason();
    backend.Hide();
    if (ended == Ended::Gone && reason.empty() && waitsForIdle) reason = "the window went away";
    if (ended == Ended::Gone && !reason.empty()) return Fail(reason);
    return ended == Ended::Input ? -1 : kExitOk;
}

}  // namespace

SaverSettings Saver::ReadSettings(int32_t stageHeight) {
    ProfileFileReader stored(iniPath);
    OverriddenProfile profile(stored, options);
    SaverSettings read = ReadSaverSettings(profile, stageHeight);
    if (!soundSetUp) {
        SetUpSound(sound, soundPlatform, read.soundOff);
        soundSetUp = true;
    }
    return read;
}

uint32_t Saver::Seed() const { return options.seed ? *options.seed : ClockSeed(); }

int Fail(const std::string& message) {
    std::fprintf(stderr, "tekuteku: %s\n", message.c_str());
    return kExitFailure;
}

int RunSaver(Saver& saver, SaverBackend& backend, IdleSource* idle, EndSignals& signals) {
    if (!idle) {
        const int status = ShowOnce(saver, backend, nullptr, signals);
        return status < 0 ? kExitOk : status;
    }
    std::string error;
    for (;;) {
        if (!idle->Dispatch(error)) return Fail(error);
        if (idle->TakeIdle()) {
            const int status = ShowOnce(saver, backend, idle, signals);
            if (status >= 0) return status;
            idle->Rearm();
            continue;
        }
        const int64_t poll = idle->PollMilliseconds();
        const int64_t wait = poll < 0 ? kLongestWait : poll * kNanosecondsPerMillisecond;
        if (!WaitFor({idle->Fd()}, wait, signals)) return kExitOk;
    }
}
