// tekuteku for Linux desktops: the walkers in a window of their own, full screen on every
// monitor (X11 or Wayland), after a spell of idle time, or inside an X window someone else owns
// (the XScreenSaver daemon's, the root window).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "animation/atlas_image.h"
#ifdef TEKUTEKU_SESSION_BUS
#include "linux/bus_idle.h"
#endif
#include "linux/end_signals.h"
#include "linux/options.h"
#include "linux/saver_loop.h"
#include "linux/settings_launch.h"
#include "linux/wayland_backend.h"
#include "linux/x11_backend.h"
#include "resources/assets.h"
#include "settings/profile_file.h"

namespace {

constexpr int kExitUsage = 2;

bool LoadSheet(Surface& atlas, std::string& error) {
    const char* why = "unknown";
    if (!DecodeBitmapToSurface(kSheetBmp, kSheetBmpSize, atlas, &why)) {
        error = std::string("the built-in sprite sheet cannot be used: ") + why;
        return false;
    }
    return true;
}

// Idle mode with `own` as the idle source (null where the display system has none, with
// `error` saying so). On the session bus, GNOME's idle monitor stands in for a missing source,
// and programs holding an inhibitor keep the saver away.
int RunIdle(Saver& saver, SaverBackend& backend, IdleSource* own, std::string error,
            EndSignals& signals) {
#ifdef TEKUTEKU_SESSION_BUS
    SessionBus bus;
    GnomeIdleSource gnome(bus);
    std::string noBus;
    if (bus.Connect(noBus)) {
        if (!own && bus.HasIdleMonitor()) {
            if (!gnome.Watch(saver.options.idleSeconds, error)) return Fail(error);
            own = &gnome;
        }
        if (own) {
            bus.WatchInhibitors();
            HeldIdleSource held(*own, bus, saver.options.idleSeconds);
            return RunSaver(saver, backend, &held, signals);
        }
    }
    error += ", nor is GNOME's idle monitor on the session bus";
#endif
    if (!own) {
        return Fail(error +
                    ": start 'tekuteku --fullscreen' from the compositor's own idle tool instead "
                    "(see EXAMPLE in 'man 6 tekuteku')");
    }
    return RunSaver(saver, backend, own, signals);
}

// The saver on Wayland: a full-screen surface on every output (or one window), or, with
// --idle, those surfaces whenever the compositor (or GNOME's idle monitor) says the session
// has been idle.
int RunOnWayland(Saver& saver, WaylandSession& session, EndSignals& signals) {
    const bool idleMode = saver.options.idleSeconds > 0;
    WaylandBackend backend(session, saver.atlas,
                           idleMode || saver.options.mode == DisplayMode::FullScreen);
    if (!idleMode) return RunSaver(saver, backend, nullptr, signals);
    WaylandIdleSource idle(session);
    std::string error;
    const bool watching = idle.Watch(saver.options.idleSeconds, error);
    return RunIdle(saver, backend, watching ? &idle : nullptr, error, signals);
}

// The saver on X: a window of its own or a foreign one, or, with --idle, a full-screen one
// whenever MIT-SCREEN-SAVER's idle time says so.
int RunOnX(Saver& saver, EndSignals& signals) {
    if (saver.options.idleSeconds == 0) {
        XBackend backend(saver.atlas, saver.options.mode, saver.options.windowId);
        return RunSaver(saver, backend, nullptr, signals);
    }
    XBackend backend(saver.atlas, DisplayMode::FullScreen, 0);
    XIdleSource idle(saver.options.idleSeconds);
    std::string error;
    if (!idle.Open(error)) return Fail(error);
    return RunIdle(saver, backend, &idle, "", signals);
}

// One run of the saver. Returns the exit status; a signal that ended it is left in endSignal,
// after everything the run owned has been released.
int Run(int argc, char** argv, EndSignals& signals) {
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
        if (session.Connect(error)) return RunOnWayland(saver, session, signals);
        // A stale $WAYLAND_DISPLAY in an X session: X is still there to draw on.
        const char* xDisplay = std::getenv("DISPLAY");
        if (saver.options.wayland || !xDisplay || !*xDisplay) return Fail(error);
        error.clear();
    }
    return RunOnX(saver, signals);
}

}  // namespace

int main(int argc, char** argv) {
    EndSignals signals;
    signals.fd = BlockEndSignals();
    if (signals.fd < 0) return Fail("cannot watch for signals");
    const int status = Run(argc, argv, signals);
    close(signals.fd);
    if (signals.received != 0) DieOf(signals.received);
    return status;
}
