// tekuteku for X11 desktops: the walkers in a window of their own, full screen, or inside a
// window someone else owns (the XScreenSaver daemon's, the root window).
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

#include "animation/atlas_image.h"
#include "animation/frame_step.h"
#include "animation/sound_effects.h"
#include "animation/walkers.h"
#include "linux/options.h"
#include "linux/present_canvas.h"
#include "linux/sdl_sound.h"
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

// Everything one run of the saver owns.
struct Saver {
    SaverOptions options;
    std::string iniPath;
    Surface atlas;
    XOutput output;
    PresentingCanvas canvas{atlas, output};
    WalkerPopulation population;
    SaverSettings settings{};
    SoundEffects sound;
    SdlSoundPlatform soundPlatform{{{kFallEndWav, kFallEndWavSize},
                                    {kDreamStartWav, kDreamStartWavSize},
                                    {kFallStartWav, kFallStartWavSize}}};

    SaverSettings ReadSettings() {
        ProfileFileReader stored(iniPath);
        OverriddenProfile profile(stored, options);
        // The count limit follows the drawing area: one walker per 195 pixels of its height.
        return ReadSaverSettings(profile, output.Height());
    }

    // A new stage for the window's current size; the walkers start over.
    void StartStage() {
        settings = ReadSettings();
        const Stage stage = MakeStage(0, 0, output.Width(), output.Height(),
                                      settings.walkerCount, settings.eventOdds);
        population = WalkerPopulation{};
        StartWalkers(population, stage, options.seed ? *options.seed : ClockSeed());
        canvas.SetArea(output.Width(), output.Height());
    }
};

// Reads the command line and opens the window. Returns the exit status when the run ends here
// (help, a bad option, no display), or -1 when the saver is ready to run.
int Prepare(Saver& saver, int argc, char** argv) {
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
    saver.iniPath = ControlIniPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));

    std::string error;
    if (!LoadSheet(saver.atlas, error)) return Fail(error);
    if (!saver.output.Open(error)) return Fail(error);
    const bool opened = saver.options.mode == DisplayMode::Foreign
                            ? saver.output.AttachForeignWindow(saver.options.windowId, error)
                            : saver.output.CreateOwnWindow(
                                  saver.options.mode == DisplayMode::FullScreen, error);
    if (!opened) return Fail(error);
    return -1;
}

// Sleeps until X sends something, a signal arrives or `wait` nanoseconds pass. Returns false
// when the run must end; a signal that ended it is left in endSignal.
bool WaitForWork(int connectionFd, int signalFd, int64_t wait, int& endSignal) {
    pollfd watched[2] = {{connectionFd, POLLIN, 0}, {signalFd, POLLIN, 0}};
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

// Ticks until the window is closed or gone, a signal arrives or --ticks are done.
void RunLoop(Saver& saver, int signalFd, int& endSignal) {
    // A window of our own ticks once it is on screen; a foreign one is there already.
    bool ready = saver.output.Foreign();
    int64_t nextTick = NowNanoseconds();
    uint64_t ticks = 0;
    for (;;) {
        const XOutputEvents events = saver.output.DrainEvents();
        if (events.closeRequested || events.gone) return;
        if (events.mapped) ready = true;
        if (events.resized) {
            saver.output.FillBlack(0, 0, saver.output.Width(), saver.output.Height());
            saver.StartStage();
        }

        const int64_t now = NowNanoseconds();
        if (ready && now >= nextTick) {
            // As with a timer re-armed before painting: the interval runs while the step draws,
            // and a slow step delays the next tick instead of piling ticks up.
            nextTick = now + int64_t{saver.settings.tickInterval} * 1000000;
            RunFrameStep(saver.population, saver.canvas, saver.sound, saver.soundPlatform);
            saver.output.Flush();
            if (++ticks == saver.options.ticks) return;
            continue;  // pick up whatever arrived while drawing before sleeping
        }
        const int64_t wait = ready ? nextTick - now : int64_t{1000000000};
        if (!WaitForWork(saver.output.ConnectionFd(), signalFd, wait, endSignal)) return;
    }
}

// One run of the saver. Returns the exit status; a signal that ended it is left in endSignal,
// after everything the run owned has been released.
int Run(int argc, char** argv, int signalFd, int& endSignal) {
    Saver saver;
    if (const int status = Prepare(saver, argc, argv); status >= 0) return status;
    saver.StartStage();
    SetUpSound(saver.sound, saver.soundPlatform, saver.settings.soundOff);
    RunLoop(saver, signalFd, endSignal);
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
