#include "linux/settings_launch.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

int RunSettingsProgram() {
    // The program itself, not the bin/ link that may have started it.
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self);
    const std::string exe(self, length > 0 ? static_cast<size_t>(length) : 0);
    const std::string dir = exe.substr(0, exe.rfind('/') + 1);  // empty when unknown
    const std::string paths[] = {dir + "tekuteku-settings", dir + "../tekuteku/tekuteku-settings"};
    for (const std::string& path : dir.empty() ? std::span<const std::string>() : paths) {
        char* const argv[] = {const_cast<char*>("tekuteku-settings"), nullptr};
        execv(path.c_str(), argv);
        if (errno != ENOENT && errno != ENOTDIR) {
            std::fprintf(stderr, "tekuteku: cannot run %s: %s\n", path.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    std::fputs(
        "tekuteku: this tekuteku has no settings window (it was built without GTK 4, or "
        "tekuteku-settings was not installed beside it); set the options in control.ini or on "
        "the command line instead (see 'man 6 tekuteku')\n",
        stderr);
    return 1;
}
