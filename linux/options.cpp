#include "linux/options.h"

#include <cstring>
#include <string_view>

#include "animation/walkers.h"

const char* const kUsageText =
    "usage: tekuteku [options]\n"
    "A cartoon girl, ポルッカ, walks across a black screen.\n"
    "\n"
    "Where to draw (default: $XSCREENSAVER_WINDOW when set, else a window):\n"
    "  --fullscreen        full screen, one picture on every monitor\n"
    "  --window            a window of its own (the default)\n"
    "  --idle SECONDS      wait until the session has been idle that long, run full\n"
    "                      screen until input, then wait again (1..86400)\n"
    "  --window-id ID      draw into the existing X window ID (decimal or 0x hex);\n"
    "                      wins over --root and $XSCREENSAVER_WINDOW\n"
    "  --root              draw into $XSCREENSAVER_WINDOW, or the X root window\n"
    "  --wayland           talk Wayland (the default when $WAYLAND_DISPLAY is set,\n"
    "                      except with --root or --window-id, which are X11 only)\n"
    "\n"
    "Settings (over those in $XDG_CONFIG_HOME/tekuteku/control.ini; as an\n"
    "XScreenSaver hack, with --root, --window-id or $XSCREENSAVER_WINDOW, only the\n"
    "command line counts and control.ini is not read):\n"
    "  --speed 0..6        0 slow, 6 fast (default 1)\n"
    "  --count N           walkers, 1..10; at most one per 195 pixels of a monitor's\n"
    "                      height (default 1)\n"
    "  --event high|normal|low  how often a walker stops for a scene (default normal)\n"
    "  --sound, --no-sound scene sounds on or off (default off)\n"
    "  --seed S            start from seed S (0..4294967295) instead of the clock\n"
    "  --ticks N           end after N ticks (for tests and measurements)\n"
    "  --version           the version\n"
    "  --help              this text\n"
    "\n"
    "Every option can also be written with one dash (-root) or as --name=value.\n"
    "In a window of its own it ends on a key, a click or closing the window; full\n"
    "screen, also on a mouse movement of more than 4 pixels. SIGTERM and SIGINT end\n"
    "it in every mode: it cleans up and dies of the signal, as XScreenSaver expects.\n";

std::string ShownArgument(std::string_view text, size_t most) {
    std::string shown;
    const std::string_view kept = text.substr(0, most);
    for (const char c : kept) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '\\') {
            static const char kHex[] = "0123456789abcdef";
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 15];
        } else {
            shown += c;
        }
    }
    if (kept.size() < text.size()) shown += "...";
    return shown;
}

bool ParseUnsigned(const char* text, uint64_t high, uint64_t& out) {
    if (!text || !*text) return false;
    uint64_t base = 10;
    const char* p = text;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
        if (!*p) return false;
    }
    uint64_t value = 0;
    for (; *p; ++p) {
        uint64_t digit;
        if (*p >= '0' && *p <= '9') {
            digit = static_cast<uint64_t>(*p - '0');
        } else if (base == 16 && *p >= 'a' && *p <= 'f') {
            digit = static_cast<uint64_t>(*p - 'a' + 10);
        } else if (base == 16 && *p >= 'A' && *p <= 'F') {
            digit = static_cast<uint64_t>(*p - 'A' + 10);
        } else {
            return false;
        }
        if (digit > high || value > (high - digit) / base) return false;  // would pass `high`
        value = value * base + digit;
    }
    out = value;
    return true;
}

namespace {

constexpr uint64_t kMaxXid = 0x1FFFFFFF;  // X resource ids have 29 bits

ParseResult Fail(std::string message) { return ParseResult{false, std::move(message)}; }

bool ParseRange(const char* text, int32_t low, int32_t high, int32_t& out) {
    uint64_t value;
    if (!ParseUnsigned(text, static_cast<uint64_t>(high), value)) return false;
    if (static_cast<int64_t>(value) < low) return false;
    out = static_cast<int32_t>(value);
    return true;
}

bool ParseEvent(std::string_view text, int32_t& out) {
    if (text == "high" || text == "0") {
        out = 0;
    } else if (text == "normal" || text == "1") {
        out = 1;
    } else if (text == "low" || text == "2") {
        out = 2;
    } else {
        return false;
    }
    return true;
}

}  // namespace

ParseResult ParseOptions(int argc, const char* const* argv, const char* xscreensaverWindow,
                         SaverOptions& options) {
    options = SaverOptions{};
    bool explicitOwnWindow = false;
    bool explicitWindowId = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg.size() < 2 || arg[0] != '-') return Fail("unexpected argument '" + ShownArgument(arg) + "'");
        std::string_view name = arg.substr(arg[1] == '-' ? 2 : 1);
        std::string inlineValue;
        bool hasInline = false;
        if (const size_t eq = name.find('='); eq != std::string_view::npos) {
            inlineValue = std::string(name.substr(eq + 1));
            name = name.substr(0, eq);
            hasInline = true;
        }
        const bool takesValue = name == "window-id" || name == "speed" || name == "count" ||
                                name == "event" || name == "seed" || name == "ticks" ||
                                name == "idle";
        if (!takesValue && hasInline) return Fail("option '--" + ShownArgument(name) + "' takes no value");
        const char* value = nullptr;
        if (takesValue) {
            if (hasInline) {
                value = inlineValue.c_str();
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                return Fail("option '--" + ShownArgument(name) + "' needs a value");
            }
        }
        const std::string shown = value ? ShownArgument(value) : std::string();
        if (name == "help" || name == "h") {
            options.help = true;  // help is given whatever else the line holds
            return {};
        } else if (name == "version") {
            options.version = true;
            return {};
        } else if (name == "wayland") {
            options.wayland = true;
        } else if (name == "idle") {
            uint64_t seconds;
            if (!ParseUnsigned(value, 86400, seconds) || seconds == 0) {
                return Fail("--idle wants 1..86400 seconds, not '" + shown + "'");
            }
            options.idleSeconds = static_cast<uint32_t>(seconds);
            options.mode = DisplayMode::FullScreen;
            explicitOwnWindow = true;
        } else if (name == "fullscreen") {
            options.mode = DisplayMode::FullScreen;
            explicitOwnWindow = true;
        } else if (name == "window") {
            options.mode = DisplayMode::Window;
            explicitOwnWindow = true;
        } else if (name == "root") {
            options.root = true;
        } else if (name == "window-id") {
            uint64_t id;
            if (!ParseUnsigned(value, kMaxXid, id) || id == 0) {
                return Fail("'" + shown + "' is not a window id (decimal or 0x hex)");
            }
            options.windowId = id;
            explicitWindowId = true;
        } else if (name == "speed") {
            int32_t speed;
            if (!ParseRange(value, 0, kSpeedLevels - 1, speed)) {
                return Fail("--speed wants 0..6, not '" + shown + "'");
            }
            options.speed = speed;
        } else if (name == "count") {
            int32_t count;
            if (!ParseRange(value, 1, kMaxWalkers, count)) {
                return Fail("--count wants 1..10, not '" + shown + "'");
            }
            options.count = count;
        } else if (name == "event") {
            int32_t event;
            if (!ParseEvent(value, event)) {
                return Fail("--event wants high, normal or low, not '" + shown + "'");
            }
            options.event = event;
        } else if (name == "sound") {
            options.soundSE = 0;
        } else if (name == "no-sound") {
            options.soundSE = 1;
        } else if (name == "seed") {
            uint64_t seed;
            if (!ParseUnsigned(value, UINT32_MAX, seed)) {
                return Fail("--seed wants 0..4294967295, not '" + shown + "'");
            }
            options.seed = static_cast<uint32_t>(seed);
        } else if (name == "ticks") {
            if (!ParseUnsigned(value, UINT64_MAX, options.ticks) || options.ticks == 0) {
                return Fail("--ticks wants a number of ticks above 0, not '" + shown + "'");
            }
        } else {
            return Fail("unknown option '" + ShownArgument(arg) + "'");
        }
    }
    if (explicitWindowId && explicitOwnWindow) {
        return Fail("--window-id cannot be combined with --window or --fullscreen");
    }
    if (options.root && explicitOwnWindow) {
        return Fail("--root cannot be combined with --window or --fullscreen");
    }
    if (options.wayland && (explicitWindowId || options.root)) {
        return Fail("--wayland cannot be combined with --root or --window-id (X11 only)");
    }
    // XScreenSaver's settings app previews a hack by adding --window-id to its saved command
    // line, so the named window wins over --root and over the daemon's window.
    if (explicitWindowId) {
        options.mode = DisplayMode::Foreign;
        options.root = false;
        options.hackMode = true;
        return {};
    }
    // The daemon names its window in the environment; a plain command line from a terminal
    // that asks for a window of its own keeps it.
    const bool useEnvironment = xscreensaverWindow && *xscreensaverWindow && !explicitOwnWindow;
    if (useEnvironment) {
        uint64_t id;
        if (!ParseUnsigned(xscreensaverWindow, kMaxXid, id) || id == 0) {
            return Fail("XSCREENSAVER_WINDOW='" + ShownArgument(xscreensaverWindow) +
                        "' is not a window id");
        }
        options.mode = DisplayMode::Foreign;
        options.windowId = id;
        options.root = false;
        options.hackMode = true;
    } else if (options.root) {
        options.mode = DisplayMode::Foreign;
        options.hackMode = true;
    }
    return {};
}

std::string ControlIniPath(const char* xdgConfigHome, const char* home) {
    std::string base;
    if (xdgConfigHome && xdgConfigHome[0] == '/') {
        base = xdgConfigHome;
    } else if (home && home[0] == '/') {
        base = std::string(home) + "/.config";
    } else {
        return {};
    }
    return base + "/tekuteku/" + kProfileFileName;
}

int32_t OverriddenProfile::GetInt(const char* key, int32_t defaultValue) {
    const std::string_view name = key;
    if (name == kSpeedKey && options_.speed) return *options_.speed;
    if (name == kCountKey && options_.count) return *options_.count;
    if (name == kEventKey && options_.event) return *options_.event;
    if (name == kSoundKey && options_.soundSE) return *options_.soundSE;
    return options_.hackMode ? defaultValue : stored_.GetInt(key, defaultValue);
}
