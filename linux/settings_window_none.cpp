// The settings window of a build made without GTK 4: only a clear message.
#include <cstdio>

#include "linux/settings_window.h"

int RunSettingsWindow(const std::string&, int, int&) {
    std::fputs(
        "tekuteku: this tekuteku was built without the settings window (GTK 4 was missing when it "
        "was built); set the options in control.ini or on the command line instead (see 'man 6 "
        "tekuteku')\n",
        stderr);
    return 1;
}
