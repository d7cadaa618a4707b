// tekuteku-settings: the settings window as a program of its own, so that the saver, which
// every XScreenSaver start runs, loads no GTK. `tekuteku --settings` runs it.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "linux/options.h"
#include "linux/settings_window.h"

int main() {
    // SIGTERM, SIGINT and SIGHUP end the window through its main loop. tekuteku comes here
    // with them already blocked (a blocked mask and pending signals survive exec); a start of
    // its own blocks them here.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    const int signalFd = sigprocmask(SIG_BLOCK, &signals, nullptr) == 0
                             ? signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK)
                             : -1;
    if (signalFd < 0) {
        std::fputs("tekuteku: cannot watch for signals\n", stderr);
        return 1;
    }
    int endSignal = 0;
    const int status = RunSettingsWindow(
        ControlIniPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")), signalFd, endSignal);
    close(signalFd);
    if (endSignal == 0) return status;
    // Dies of the signal that ended it, as the saver does.
    signal(endSignal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, endSignal);
    raise(endSignal);  // still blocked: pending until unblocked below
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    return 128 + endSignal;  // not reached
}
