// tekuteku-settings: the settings window as a program of its own, so that the saver, which
// every XScreenSaver start runs, loads no GTK. `tekuteku --settings` runs it.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "linux/end_signals.h"
#include "linux/options.h"
#include "linux/settings_window.h"

int main() {
    // SIGTERM, SIGINT and SIGHUP end the window through its main loop, blocked already when
    // tekuteku execs it (the mask survives exec), and here when it is started on its own.
    const int signalFd = BlockEndSignals();
    if (signalFd < 0) {
        std::fputs("tekuteku: cannot watch for signals\n", stderr);
        return 1;
    }
    int endSignal = 0;
    const int status = RunSettingsWindow(
        ControlIniPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")), signalFd, endSignal);
    close(signalFd);
    if (endSignal != 0) DieOf(endSignal);  // as the saver does
    return status;
}
