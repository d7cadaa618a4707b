#include "linux/options.h"

#include <string_view>

#include "settings/number_text.h"

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

namespace {

constexpr uint64_t kMaxXid = 0x1FFFFFFF;  // X resource ids have 29 bits

// What the options said so far about where to draw, settled once the whole line is read.
struct Parsing {
    SaverOptions& options;
    bool explicitOwnWindow = false;
    bool explicitWindowId = false;
};

// Applies one option (its value is null for an option without one); returns what is wrong with
// the value, or an empty text.
using ApplyOption = std::string (*)(Parsing& parsing, const char* value);

enum class Section { WhereToDraw, Settings };

// One option of the command line: a new option is one more row. The four settings are not here:
// they come from the core's table (settings/rules.h), after the first section's rows.
struct OptionRow {
    const char* name;
    const char* valueHelp;  // the value's name in the usage text; null for an option without one
    const char* help;       // null keeps the option out of the usage text
    Section section;
    ApplyOption apply;
};

std::string Wants(const char* name, const std::string& what, const char* value) {
    return std::string("--") + name + " wants " + what + ", not '" + ShownArgument(value) + "'";
}

std::string OwnWindow(Parsing& p, DisplayMode mode) {
    p.options.mode = mode;
    p.explicitOwnWindow = true;
    return {};
}

std::string WindowId(Parsing& p, const char* value) {
    uint64_t id;
    if (!ParseUnsigned(value, kMaxXid, id) || id == 0) {
        return "'" + ShownArgument(value) + "' is not a window id (decimal or 0x hex)";
    }
    p.options.windowId = id;
    p.explicitWindowId = true;
    return {};
}

std::string Seed(Parsing& p, const char* value) {
    uint64_t seed;
    if (!ParseUnsigned(value, UINT32_MAX, seed)) return Wants("seed", "0..4294967295", value);
    p.options.seed = static_cast<uint32_t>(seed);
    return {};
}

std::string Ticks(Parsing& p, const char* value) {
    if (!ParseUnsigned(value, UINT64_MAX, p.options.ticks) || p.options.ticks == 0) {
        return Wants("ticks", "a number of ticks above 0", value);
    }
    return {};
}

// Idle mode is a screen saver of its own, full screen, never a hack in someone else's window.
std::string Idle(Parsing& p, const char* value) {
    uint64_t seconds;
    if (!ParseUnsigned(value, 86400, seconds, false) || seconds == 0) {
        return Wants("idle", "1..86400 seconds", value);
    }
    p.options.idleSeconds = static_cast<uint32_t>(seconds);
    return OwnWindow(p, DisplayMode::FullScreen);
}

std::string Root(Parsing& p) {
    p.options.root = true;
    return {};
}

std::string Flag(bool& flag) {
    flag = true;
    return {};
}

std::string Help(Parsing& p, const char*) {
    p.options.help = true;
    return {};
}

const OptionRow kOptionRows[] = {
    {"fullscreen", nullptr, "full screen, one picture on every monitor", Section::WhereToDraw,
     [](Parsing& p, const char*) { return OwnWindow(p, DisplayMode::FullScreen); }},
    {"window", nullptr, "a window of its own (the default)", Section::WhereToDraw,
     [](Parsing& p, const char*) { return OwnWindow(p, DisplayMode::Window); }},
    {"idle", "SECONDS",
     "wait until the session has been idle that long, run full screen until input, then "
     "wait again (1..86400)",
     Section::WhereToDraw, Idle},
    {"window-id", "ID",
     "draw into the existing X window ID (decimal or 0x hex);\n"
     "wins over --root and $XSCREENSAVER_WINDOW",
     Section::WhereToDraw, WindowId},
    {"root", nullptr, "draw into $XSCREENSAVER_WINDOW, or the X root window", Section::WhereToDraw,
     [](Parsing& p, const char*) { return Root(p); }},
    {"wayland", nullptr,
     "talk Wayland (the default when $WAYLAND_DISPLAY is set, except with --root or "
     "--window-id, which are X11 only)",
     Section::WhereToDraw, [](Parsing& p, const char*) { return Flag(p.options.wayland); }},
    {"settings", nullptr,
     "open the settings window, which keeps the four settings in control.ini (with no other "
     "option)",
     Section::Settings, [](Parsing& p, const char*) { return Flag(p.options.settings); }},
    {"seed", "S", "start the walkers from seed S (0..4294967295) instead of the clock",
     Section::Settings, Seed},
    {"ticks", "N", "end after N ticks (for tests and measurements)", Section::Settings, Ticks},
    {"version", nullptr, "the version", Section::Settings,
     [](Parsing& p, const char*) { return Flag(p.options.version); }},
    {"help", nullptr, "this text", Section::Settings, Help},
    {"h", nullptr, nullptr, Section::Settings, Help},
};

// The option that holds a setting (SaverOptions, const or not).
template <class Options>
auto& OptionFor(Options& options, Setting setting) {
    switch (setting) {
        case Setting::Speed:
            return options.speed;
        case Setting::Count:
            return options.count;
        case Setting::Event:
            return options.event;
        case Setting::Sound:
            break;
    }
    return options.soundSE;
}

// "0..6", or the words: "high, normal or low" in a message, "high|normal|low" in the usage text.
std::string ValuesOf(const SettingRule& rule, bool inUsage = false) {
    if (!rule.words) return std::to_string(rule.low) + ".." + std::to_string(rule.high);
    std::string text;
    for (int32_t stored = rule.low; stored <= rule.high; ++stored) {
        if (stored > rule.low) text += inUsage ? "|" : stored == rule.high ? " or " : ", ";
        text += rule.words[stored - rule.low];
    }
    return text;
}

// A setting's option: --name VALUE, or for a switch --name and --no-name.
struct SettingOption {
    const SettingRule* rule = nullptr;
    bool negated = false;
};

SettingOption SettingOptionNamed(std::string_view name) {
    const bool negated = name.substr(0, 3) == "no-";
    const std::string_view bare = negated ? name.substr(3) : name;
    const SettingRule* rule = RuleNamed(bare.data(), static_cast<int>(bare.size()));
    if (!rule || (negated && !rule->isSwitch)) return {};
    return {rule, negated};
}

std::string ApplySetting(Parsing& parsing, const SettingOption& option, const char* value) {
    const SettingRule& rule = *option.rule;
    int32_t stored;
    if (rule.isSwitch) {
        stored = option.negated ? rule.high : rule.low;
    } else if (!StoredValueOf(rule, value, stored)) {
        return Wants(rule.name, ValuesOf(rule), value);
    }
    OptionFor(parsing.options, rule.setting) = stored;
    return {};
}

const OptionRow* OptionRowNamed(std::string_view name) {
    for (const OptionRow& row : kOptionRows) {
        if (name == row.name) return &row;
    }
    return nullptr;
}

ParseResult Fail(std::string message) { return ParseResult{false, std::move(message)}; }

// Where to draw, once every option is read.
ParseResult SettleWhereToDraw(const Parsing& parsing, const char* xscreensaverWindow) {
    SaverOptions& options = parsing.options;
    if (parsing.explicitWindowId && parsing.explicitOwnWindow) {
        return Fail("--window-id cannot be combined with --window or --fullscreen");
    }
    if (options.root && parsing.explicitOwnWindow) {
        return Fail("--root cannot be combined with --window or --fullscreen");
    }
    if (options.wayland && (parsing.explicitWindowId || options.root)) {
        return Fail("--wayland cannot be combined with --root or --window-id (X11 only)");
    }
    // XScreenSaver's settings app previews a hack by adding --window-id to its saved command
    // line, so the named window wins over --root and over the daemon's window.
    if (parsing.explicitWindowId) {
        options.mode = DisplayMode::Foreign;
        options.root = false;
        options.hackMode = true;
        return {};
    }
    // The daemon names its window in the environment; a plain command line from a terminal
    // that asks for a window of its own keeps it.
    const bool useEnvironment =
        xscreensaverWindow && *xscreensaverWindow && !parsing.explicitOwnWindow;
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

// One usage line: the option in a column of 23, then its help, continued lines indented.
void AddUsageLine(std::string& text, const std::string& option, const std::string& help) {
    constexpr size_t kColumn = 25;  // where the help starts
    constexpr size_t kWidth = 80;   // a terminal's columns; the help is plain ASCII
    text += "  " + option;
    size_t column = option.size() + 2;
    text += column + 2 <= kColumn ? std::string(kColumn - column, ' ') : "  ";
    column = column + 2 <= kColumn ? kColumn : column + 2;
    // Words wrap before the last column; a line break in the help starts a new line too.
    size_t start = 0;
    while (start < help.size()) {
        size_t end = help.find_first_of(" \n", start);
        if (end == std::string::npos) end = help.size();
        const size_t length = end - start;
        const bool lineStart = column == kColumn;
        if (!lineStart && column + 1 + length > kWidth) {
            text += "\n" + std::string(kColumn, ' ');
            column = kColumn;
        } else if (!lineStart) {
            text += ' ';
            ++column;
        }
        text.append(help, start, length);
        column += length;
        if (end < help.size() && help[end] == '\n') {
            text += "\n" + std::string(kColumn, ' ');
            column = kColumn;
        }
        start = end + 1;
    }
    text += '\n';
}

void AddOptionLines(std::string& text, Section section) {
    for (const OptionRow& row : kOptionRows) {
        if (row.section != section || !row.help) continue;
        std::string option = std::string("--") + row.name;
        if (row.valueHelp) option += std::string(" ") + row.valueHelp;
        AddUsageLine(text, option, row.help);
    }
}

// The help of a setting with its numbers written in, and its default.
std::string SettingHelp(const SettingRule& rule) {
    std::string help;
    for (const char* p = rule.help; *p; ++p) {
        const std::string_view rest = p;
        const auto placeholder = [&](std::string_view name, int32_t number) {
            if (rest.substr(0, name.size()) != name) return false;
            help += std::to_string(number);
            p += name.size() - 1;
            return true;
        };
        if (!placeholder("{low}", rule.low) && !placeholder("{high}", rule.high) &&
            !placeholder("{band}", kScreenPixelsPerWalker)) {
            help += *p;
        }
    }
    const std::string byDefault =
        rule.words ? rule.words[rule.saverDefault - rule.low] : std::to_string(rule.saverDefault);
    return help + " (default " + byDefault + ")";
}

void AddSettingLines(std::string& text) {
    for (const SettingRule& rule : kSettingRules) {
        std::string option = std::string("--") + rule.name;
        if (rule.isSwitch) {
            option += std::string(", --no-") + rule.name;
        } else {
            option += " " + (rule.valueHelp ? std::string(rule.valueHelp) : ValuesOf(rule, true));
        }
        AddUsageLine(text, option, SettingHelp(rule));
    }
}

}  // namespace

std::string UsageText() {
    std::string text =
        "usage: tekuteku [options]\n"
        "A cartoon girl, ポルッカ, walks across a black screen.\n"
        "\n"
        "Where to draw (default: $XSCREENSAVER_WINDOW when set, else a window):\n";
    AddOptionLines(text, Section::WhereToDraw);
    text +=
        "\n"
        "Settings (over those in $XDG_CONFIG_HOME/tekuteku/control.ini; as an\n"
        "XScreenSaver hack, with --root, --window-id or $XSCREENSAVER_WINDOW, only the\n"
        "command line counts and control.ini is not read):\n";
    AddSettingLines(text);
    AddOptionLines(text, Section::Settings);
    text +=
        "\n"
        "Every option can also be written with one dash (-root) or as --name=value.\n"
        "In a window of its own it ends on a key, a click or closing the window; full\n"
        "screen, also on a mouse movement of more than " +
        std::to_string(kMouseMoveLimit) +
        " pixels. SIGTERM and SIGINT end\n"
        "it in every mode: it cleans up and dies of the signal, as XScreenSaver expects.\n";
    return text;
}

namespace {

// The option at argv[i] with its value (the next argument, or after '='), applied; i moves past
// a value taken from the next argument. Returns what is wrong, or an empty text.
std::string ApplyArgument(Parsing& parsing, int argc, const char* const* argv, int& i) {
    const std::string_view arg = argv[i];
    if (arg.size() < 2 || arg[0] != '-') return "unexpected argument '" + ShownArgument(arg) + "'";
    std::string_view name = arg.substr(arg[1] == '-' ? 2 : 1);
    std::optional<std::string> inlineValue;
    if (const size_t eq = name.find('='); eq != std::string_view::npos) {
        inlineValue = std::string(name.substr(eq + 1));
        name = name.substr(0, eq);
    }
    const OptionRow* row = OptionRowNamed(name);
    const SettingOption setting = row ? SettingOption{} : SettingOptionNamed(name);
    const bool takesValue =
        row ? row->valueHelp != nullptr : setting.rule && !setting.rule->isSwitch;
    if (!takesValue && inlineValue) return "option '--" + ShownArgument(name) + "' takes no value";
    if (takesValue && !inlineValue && i + 1 >= argc) {
        return "option '--" + ShownArgument(name) + "' needs a value";
    }
    const char* value = inlineValue ? inlineValue->c_str() : takesValue ? argv[++i] : nullptr;
    if (row) return row->apply(parsing, value);
    if (setting.rule) return ApplySetting(parsing, setting, value);
    return "unknown option '" + ShownArgument(arg) + "'";
}

}  // namespace

ParseResult ParseOptions(int argc, const char* const* argv, const char* xscreensaverWindow,
                         SaverOptions& options) {
    options = SaverOptions{};
    Parsing parsing{options};
    for (int i = 1; i < argc; ++i) {
        std::string error = ApplyArgument(parsing, argc, argv, i);
        if (!error.empty()) return Fail(std::move(error));
        // Help and the version are given whatever else the line holds.
        if (options.help || options.version) return {};
    }
    if (options.settings && argc > 2) return Fail("--settings takes no other options");
    return SettleWhereToDraw(parsing, xscreensaverWindow);
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
    if (const SettingRule* rule = RuleForKey(key)) {
        if (const auto& given = OptionFor(options_, rule->setting)) return *given;
    }
    return options_.hackMode ? defaultValue : stored_.GetInt(key, defaultValue);
}
