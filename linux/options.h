// The command line of the Linux saver, and the settings it lays over control.ini.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings_store.h"

enum class DisplayMode {
    Window,      // a window of its own
    FullScreen,  // a window of its own covering the screen
    Foreign,     // an existing window: -window-id, $XSCREENSAVER_WINDOW or -root
};

struct SaverOptions {
    DisplayMode mode = DisplayMode::Window;
    bool root = false;      // -root without $XSCREENSAVER_WINDOW: the root window
    uint64_t windowId = 0;  // the foreign window, when not root
    // Run by XScreenSaver (-root, -window-id or $XSCREENSAVER_WINDOW): the command line is the
    // whole configuration, since the daemon's settings app cannot see control.ini.
    bool hackMode = false;
    std::optional<int32_t> speed;    // 0..6
    std::optional<int32_t> count;    // 1..kMaxWalkers
    std::optional<int32_t> event;    // 0 high, 1 normal, 2 low
    std::optional<int32_t> soundSE;  // "SE" value: 0 on, 1 off
    std::optional<uint32_t> seed;
    uint64_t ticks = 0;        // end after this many ticks; 0 runs until told to stop
    uint32_t idleSeconds = 0;  // --idle: wait for this much idle time, show, wait again
    bool wayland = false;      // --wayland, even without $WAYLAND_DISPLAY
    bool settings = false;     // --settings: the settings window instead of the saver
    bool help = false;
    bool version = false;
};

struct ParseResult {
    bool ok = true;
    std::string error;  // set when !ok: what was wrong, for a one-line message
};

// Reads argv; xscreensaverWindow is $XSCREENSAVER_WINDOW (null when unset). Both "-name" and
// "--name", "--name value" and "--name=value" are accepted.
ParseResult ParseOptions(int argc, const char* const* argv, const char* xscreensaverWindow,
                         SaverOptions& options);

// An argument as an error message may show it: control characters and bytes outside ASCII
// escaped (\x1b), and cut short with "..." past `most` characters of the original.
std::string ShownArgument(std::string_view text, size_t most = 40);

// $XDG_CONFIG_HOME/tekuteku/control.ini, falling back to $HOME/.config when XDG_CONFIG_HOME is
// unset, empty or relative. Empty when neither gives an absolute directory.
std::string ControlIniPath(const char* xdgConfigHome, const char* home);

// The stored settings with the command line's values in front of them; in hack mode the
// command line's values over the defaults, and the stored file is not read at all.
class OverriddenProfile final : public ProfileReader {
public:
    OverriddenProfile(ProfileReader& stored, const SaverOptions& options)
        : stored_(stored), options_(options) {}
    int32_t GetInt(const char* key, int32_t defaultValue) override;

private:
    ProfileReader& stored_;
    const SaverOptions& options_;
};

// The --help text, with the settings, their ranges and defaults taken from the core's table.
std::string UsageText();
