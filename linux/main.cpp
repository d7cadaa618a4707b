// tekuteku for Linux desktops: the walkers in a window of their own, full screen on every
// monitor (X11 or Wayland), after a spell of idle time, or inside an X window someone else owns
// (the XScreenSaver daemon's, the root window).
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

#include "animation/atlas_image.h"
#include "animation/frame_step.h"
#include "animation/pictures.h"
#include "animation/sound_effects.h"
#include "animation/walkers.h"
#include "linux/options.h"
#include "linux/present_canvas.h"
#include "linux/sdl_sound.h"
#include "linux/settings_launch.h"
#include "linux/wayland_output.h"
#include "linux/x11_output.h"
#include "resources/assets.h"
#include "settings/profile_file.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Fail(const std::string& message) {
    std::fprintf(stderr, "tekuteku: %s\n", message.c_str());
    return kExitFailure;
}

int64_t NowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

bool LoadSheet(Surface& atlas, std::string& error) {
    const char* why = "unknown";
    if (!DecodeBitmapToSurface(kSheetBmp, kSheetBmpSize, atlas, &why)) {
        error = std::string("the built-in sprite sheet cannot be used: ") + why;
        return false;
    }
    return true;
}

// SIGTERM and SIGINT (and SIGHUP from a closed terminal) arrive as readable data on a
// descriptor, so the one loop below sees them between two ticks and ends cleanly.
int BlockEndSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    // Blocked before any other thread exists (SDL's audio thread), so every thread inherits it.
    if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) return -1;
    return signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
}

// What every showing of the saver shares: the command line, the sprite sheet and the sound.
struct Saver {
    SaverOptions options;
    std::string iniPath;
    Surface atlas;
    SoundEffects sound;
    SdlSoundPlatform soundPlatform{{{kFallEndWav, kFallEndWavSize},
                                    {kDreamStartWav, kDreamStartWavSize},
                                    {kFallStartWav, kFallStartWavSize}}};
    bool soundSetUp = false;
    uint64_t ticks = 0;  // over all showings, for --ticks

    // Read again for every new stage, so a showing in idle mode picks up changed settings.
    SaverSettings ReadSettings(int32_t stageHeight) {
        ProfileFileReader stored(iniPath);
        OverriddenProfile profile(stored, options);
        SaverSettings read = ReadSaverSettings(profile, stageHeight);
        if (!soundSetUp) {
            SetUpSound(sound, soundPlatform, read.soundOff);
            soundSetUp = true;
        }
        return read;
    }
    uint32_t Seed() const { return options.seed ? *options.seed : ClockSeed(); }
    // Counts a tick; true when --ticks says the run is over.
    bool CountTick() { return ++ticks == options.ticks; }
};

// Waits until `fd` is readable, `wait` has passed or an end signal came; false on a signal,
// which is then left in endSignal.
bool WaitForInput(int fd, int signalFd, int64_t wait, int& endSignal) {
    pollfd watched[2] = {{fd, POLLIN, 0}, {signalFd, POLLIN, 0}};
    timespec timeout{};
    timeout.tv_sec = static_cast<time_t>(wait / 1000000000);
    timeout.tv_nsec = static_cast<long>(wait % 1000000000);
    if (ppoll(watched, 2, &timeout, nullptr) < 0 && errno != EINTR) return false;
    if (watched[1].revents & POLLIN) {  // SIGTERM, SIGINT or SIGHUP: end now
        signalfd_siginfo info{};
        if (read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            endSignal = static_cast<int>(info.ssi_signo);
        }
        return false;
    }
    return true;
}

// Moves a picture's copies to where its monitor lies in the window.
class ShiftedCanvas final : public Canvas {
public:
    ShiftedCanvas(Canvas& inner, int32_t dx, int32_t dy) : inner_(inner), dx_(dx), dy_(dy) {}
    void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override {
        inner_.CopyFromAtlas(dstX + dx_, dstY + dy_, w, h, srcX, srcY);
    }

private:
    Canvas& inner_;
    int32_t dx_;
    int32_t dy_;
};

enum class Ended { Input, Signal, Ticks, Gone };

// One showing on X: a window of its own (full screen, one picture per monitor) or a foreign
// one, until input, a signal, --ticks or the window going away.
Ended ShowOnX(Saver& saver, DisplayMode mode, int signalFd, int& endSignal, std::string& error) {
    XOutput output;
    PresentingCanvas canvas{saver.atlas, output};
    if (!output.Open(error)) return Ended::Gone;
    const bool opened = mode == DisplayMode::Foreign
                            ? output.AttachForeignWindow(saver.options.windowId, error)
                            : output.CreateOwnWindow(mode == DisplayMode::FullScreen, error);
    if (!opened) return Ended::Gone;

    PictureSet pictures;
    SaverSettings settings{};
    // A new stage on every monitor for the window's current size; the walkers start over.
    const auto startStage = [&] {
        const std::vector<ScreenArea> monitors = output.Monitors();
        settings = saver.ReadSettings(output.Height());
        StartPictures(pictures, monitors.data(), static_cast<int>(monitors.size()), 1,
                      settings.storedCount, settings.eventOdds, saver.Seed());
        canvas.SetArea(output.Width(), output.Height());
    };
    startStage();

    // A window of our own ticks once it is on screen; a foreign one is there already.
    bool ready = output.Foreign();
    int64_t nextTick = NowNanoseconds();
    for (;;) {
        const XOutputEvents events = output.DrainEvents();
        if (events.closeRequested) return Ended::Input;
        if (events.gone) return Ended::Gone;
        if (events.mapped) ready = true;
        if (events.resized) {
            output.FillBlack(0, 0, output.Width(), output.Height());
            startStage();
        }

        const int64_t now = NowNanoseconds();
        if (ready && now >= nextTick) {
            // As with a timer re-armed before painting: the interval runs while the step draws,
            // and a slow step delays the next tick instead of piling ticks up.
            nextTick = now + int64_t{settings.tickInterval} * 1000000;
            CueSet raised = 0;
            for (int i = 0; i < pictures.count; ++i) {
                Picture& picture = pictures.pictures[i];
                ShiftedCanvas shifted(canvas, picture.area.left, picture.area.top);
                ClippedCanvas clipped(shifted, picture.area.width, picture.area.height);
                raised |= StepWalkers(picture.population, clipped);
            }
            PlayStepCue(raised, saver.sound, saver.soundPlatform);
            output.Flush();
            if (saver.CountTick()) return Ended::Ticks;
            continue;  // pick up whatever arrived while drawing before sleeping
        }
        const int64_t wait = ready ? nextTick - now : int64_t{1000000000};
        if (!WaitForInput(output.ConnectionFd(), signalFd, wait, endSignal)) return Ended::Signal;
    }
}

// --idle on X: MIT-SCREEN-SAVER's idle time, looked at now and then, starts a full-screen
// showing; after input ends it, the wait starts again.
int IdleOnX(Saver& saver, int signalFd, int& endSignal) {
    XOutput watcher;
    std::string error;
    if (!watcher.Open(error)) return Fail(error);
    const uint64_t limit = uint64_t{saver.options.idleSeconds} * 1000;
    for (;;) {
        uint64_t idle = 0;
        if (!watcher.IdleMilliseconds(idle)) {
            return Fail("the X server has no MIT-SCREEN-SAVER extension to tell idle time");
        }
        if (idle >= limit) {
            const Ended ended = ShowOnX(saver, DisplayMode::FullScreen, signalFd, endSignal, error);
            if (ended == Ended::Gone) return Fail(error.empty() ? "the window went away" : error);
            if (ended != Ended::Input) return kExitOk;
            continue;
        }
        // Look again when the limit could be reached, but at least once a second, since
        // idle time also restarts when a program resets it.
        const int64_t wait = int64_t(std::min<uint64_t>(limit - idle, 1000)) * 1000000;
        if (!WaitForInput(-1, signalFd, wait, endSignal)) return kExitOk;
    }
}

// The saver on Wayland: a full-screen surface on every output (or one window), or, with
// --idle, those surfaces whenever the compositor says the session has been idle.
int RunOnWayland(Saver& saver, WaylandSession& session, int signalFd, int& endSignal) {
    std::string error;
    const bool idleMode = saver.options.idleSeconds > 0;
    if (idleMode && !session.WatchIdle(saver.options.idleSeconds * 1000, error)) return Fail(error);
    const bool fullScreen = idleMode || saver.options.mode == DisplayMode::FullScreen;

    uint32_t seed = 0;
    uint32_t interval = 1000;
    const auto show = [&] {
        seed = saver.Seed();
        session.Show(fullScreen);
    };
    if (!idleMode) show();
    int64_t nextTick = NowNanoseconds();
    for (;;) {
        const WaylandEvents events = session.Dispatch();
        if (events.lost) return Fail("lost the connection to the Wayland compositor");
        if (events.endRequested && session.Showing()) {
            session.Hide();
            if (!idleMode) return kExitOk;
        }
        if (idleMode && !session.Showing() && session.TakeIdleStart()) show();

        // Each surface gets its own picture once the compositor has given it a size.
        const std::vector<StageView*> views = session.Views();
        bool anyReady = false;
        for (size_t i = 0; i < views.size(); ++i) {
            StageView& view = *views[i];
            if (!view.configured) continue;
            anyReady = true;
            if (!view.needsStart) continue;
            const ScreenArea area{0, 0, view.deviceWidth, view.deviceHeight};
            const SaverSettings settings =
                saver.ReadSettings(ScaledLength(area.height, view.scale));
            interval = settings.tickInterval;
            StartPicture(view.picture, area, view.scale, settings.storedCount, settings.eventOdds,
                         seed + static_cast<uint32_t>(i));
            BeginPicture(view);
            view.needsStart = false;
        }

        const int64_t now = NowNanoseconds();
        if (anyReady && now >= nextTick) {
            nextTick = now + int64_t{interval} * 1000000;
            CueSet raised = 0;
            for (StageView* view : views) {
                if (!view->configured) continue;
                ViewCanvas canvas(*view, saver.atlas);
                raised |= StepWalkers(view->picture.population, canvas);
            }
            PlayStepCue(raised, saver.sound, saver.soundPlatform);
            session.Present();
            if (saver.CountTick()) return kExitOk;
            continue;
        }
        session.Present();  // frames the compositor was not ready for at the tick
        session.Flush();
        const int64_t wait = anyReady ? nextTick - now : int64_t{1000000000};
        if (!WaitForInput(session.ConnectionFd(), signalFd, wait, endSignal)) return kExitOk;
    }
}

// One run of the saver. Returns the exit status; a signal that ended it is left in endSignal,
// after everything the run owned has been released.
int Run(int argc, char** argv, int signalFd, int& endSignal) {
    Saver saver;
    const ParseResult parsed =
        ParseOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), saver.options);
    if (!parsed.ok) {
        std::fprintf(stderr, "tekuteku: %s\nTry 'tekuteku --help' for the options.\n",
                     parsed.error.c_str());
        return kExitUsage;
    }
    if (saver.options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return kExitOk;
    }
    if (saver.options.version) {
        std::puts("tekuteku " TEKUTEKU_VERSION);
        return kExitOk;
    }
    saver.iniPath = ControlIniPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    if (saver.options.settings) return RunSettingsProgram();

    std::string error;
    if (!LoadSheet(saver.atlas, error)) return Fail(error);

    // The XScreenSaver hack draws into an X window whatever else runs.
    const char* waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    if (saver.options.mode != DisplayMode::Foreign &&
        (saver.options.wayland || (waylandDisplay && *waylandDisplay))) {
        WaylandSession session;
        if (session.Connect(error)) return RunOnWayland(saver, session, signalFd, endSignal);
        // A stale $WAYLAND_DISPLAY in an X session: X is still there to draw on.
        const char* xDisplay = std::getenv("DISPLAY");
        if (saver.options.wayland || !xDisplay || !*xDisplay) return Fail(error);
        error.clear();
    }
    if (saver.options.idleSeconds > 0) return IdleOnX(saver, signalFd, endSignal);
    const Ended ended = ShowOnX(saver, saver.options.mode, signalFd, endSignal, error);
    if (ended == Ended::Gone && !error.empty()) return Fail(error);
    return kExitOk;
}

// Dies of the signal that ended the run, as a hack must for XScreenSaver to log a normal end.
[[noreturn]] void DieOf(int signalNumber) {
#ifdef __SANITIZE_ADDRESS__
    __lsan_do_leak_check();  // death by a signal skips the check that runs at exit
#endif
    signal(signalNumber, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signalNumber);
    raise(signalNumber);  // still blocked: pending until unblocked below
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    _exit(128 + signalNumber);  // not reached
}

}  // namespace

int main(int argc, char** argv) {
    const int signalFd = BlockEndSignals();
    if (signalFd < 0) return Fail("cannot watch for signals");
    int endSignal = 0;
    const int status = Run(argc, argv, signalFd, endSignal);
    close(signalFd);
    if (endSignal != 0) DieOf(endSignal);
    return status;
}
