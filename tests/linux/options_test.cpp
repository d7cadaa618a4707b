#include "linux/options.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

struct Parsed {
    ParseResult result;
    SaverOptions options;
};

Parsed Parse(std::vector<const char*> args, const char* environmentWindow = nullptr) {
    args.insert(args.begin(), "tekuteku");
    Parsed parsed;
    parsed.result =
        ParseOptions(static_cast<int>(args.size()), args.data(), environmentWindow, parsed.options);
    return parsed;
}

TEST(LinuxOptions, SettingsInEveryWriting) {
    const Parsed parsed = Parse({"--speed", "6", "-count", "4", "--event=low", "--sound", "--seed",
                                 "0xFFFFFFFF", "--ticks=3000"});
    ASSERT_TRUE(parsed.result.ok) << parsed.result.error;
    EXPECT_EQ(parsed.options.speed, 6);
    EXPECT_EQ(parsed.options.count, 4);
    EXPECT_EQ(parsed.options.event, 2);
    EXPECT_EQ(parsed.options.soundSE, 0);
    EXPECT_EQ(parsed.options.seed, 0xFFFFFFFFu);
    EXPECT_EQ(parsed.options.ticks, 3000u);
    EXPECT_EQ(parsed.options.mode, DisplayMode::Window);

    const Parsed later = Parse({"--sound", "--no-sound", "--event", "high", "--speed", "0"});
    ASSERT_TRUE(later.result.ok);
    EXPECT_EQ(later.options.soundSE, 1);  // the last word counts
    EXPECT_EQ(later.options.event, 0);
    EXPECT_EQ(later.options.speed, 0);

    const Parsed none = Parse({});
    EXPECT_FALSE(none.options.speed || none.options.count || none.options.event ||
                 none.options.soundSE || none.options.seed);
}

TEST(LinuxOptions, BadValuesAndNamesAreRefusedWithAReason) {
    // clang-format off
    const std::vector<std::vector<const char*>> bad = {
        {"--speed", "7"},        {"--speed", "-1"},       {"--speed", "1x"},
        {"--speed"},             {"--count", "0"},        {"--count", "11"},
        {"--event", "often"},    {"--seed", "4294967296"}, {"--window-id", "0"},
        {"--window-id", "0x"},   {"--window-id", "abc"},  {"--window-id", "0x20000000"},
        {"--bogus"},             {"plain"},               {"--sound=1"},
        {"--ticks", "0"},        {"--speed", ""},         {"-"},
        {"--window-id", "5", "--fullscreen"},             {"--root", "--window"},
        {"--idle", "0"},         {"--idle", "86401"},     {"--idle"},
        {"--wayland", "--root"}, {"--version=1"},
    };
    // clang-format on
    for (const auto& args : bad) {
        const Parsed parsed = Parse(args);
        EXPECT_FALSE(parsed.result.ok) << args[0];
        EXPECT_FALSE(parsed.result.error.empty()) << args[0];
    }
}

TEST(LinuxOptions, WhereToDraw) {
    Parsed parsed = Parse({"-window-id", "0x1c00007"});
    ASSERT_TRUE(parsed.result.ok);
    EXPECT_EQ(parsed.options.mode, DisplayMode::Foreign);
    EXPECT_EQ(parsed.options.windowId, 0x1c00007u);

    parsed = Parse({"--window-id=29360135"}, "0x400001");  // the command line wins
    EXPECT_EQ(parsed.options.mode, DisplayMode::Foreign);
    EXPECT_EQ(parsed.options.windowId, 29360135u);

    parsed = Parse({"-root"});
    EXPECT_EQ(parsed.options.mode, DisplayMode::Foreign);
    EXPECT_TRUE(parsed.options.root);
    EXPECT_EQ(parsed.options.windowId, 0u);

    parsed = Parse({"-root"}, "4194305");  // the daemon's window, named in the environment
    EXPECT_EQ(parsed.options.mode, DisplayMode::Foreign);
    EXPECT_FALSE(parsed.options.root);
    EXPECT_EQ(parsed.options.windowId, 4194305u);

    parsed = Parse({}, "0x400001");
    EXPECT_EQ(parsed.options.mode, DisplayMode::Foreign);
    EXPECT_EQ(parsed.options.windowId, 0x400001u);

    parsed = Parse({"--fullscreen"}, "0x400001");  // asked for a window of its own
    EXPECT_EQ(parsed.options.mode, DisplayMode::FullScreen);

    parsed = Parse({}, "rubbish");
    EXPECT_FALSE(parsed.result.ok);

    parsed = Parse({"--help", "--speed", "99"});  // help is given before anything is judged
    EXPECT_TRUE(parsed.options.help);
}

// XScreenSaver's settings app previews the saved command line with --window-id added, with and
// without the daemon's window in the environment.
TEST(LinuxOptions, TheSettingsAppsPreviewLineDrawsIntoItsWindow) {
    for (const char* environment : {static_cast<const char*>(nullptr), "0x400001"}) {
        Parsed parsed = Parse({"--root", "--window-id", "0x400E23"}, environment);
        ASSERT_TRUE(parsed.result.ok) << parsed.result.error;
        EXPECT_EQ(parsed.options.mode, DisplayMode::Foreign);
        EXPECT_EQ(parsed.options.windowId, 0x400E23u);
        EXPECT_FALSE(parsed.options.root);

        parsed =
            Parse({"-root", "--speed", "3", "--count", "2", "-window-id", "4197923"}, environment);
        ASSERT_TRUE(parsed.result.ok) << parsed.result.error;
        EXPECT_EQ(parsed.options.windowId, 4197923u);
        EXPECT_EQ(parsed.options.speed, 3);
    }
    // The id still has to be one.
    EXPECT_FALSE(Parse({"--root", "--window-id", "0x"}).result.ok);
}

TEST(LinuxOptions, HackModeIsWhereverXScreenSaverPutsIt) {
    EXPECT_TRUE(Parse({"-root"}).options.hackMode);
    EXPECT_TRUE(Parse({"--window-id", "12"}).options.hackMode);
    EXPECT_TRUE(Parse({}, "0x400001").options.hackMode);
    EXPECT_FALSE(Parse({}).options.hackMode);
    EXPECT_FALSE(Parse({"--fullscreen"}).options.hackMode);
    EXPECT_FALSE(Parse({"--window"}, "0x400001").options.hackMode);  // a window of its own
}

TEST(LinuxOptions, ControlIniLocation) {
    EXPECT_EQ(ControlIniPath("/x/conf", "/home/u"), "/x/conf/tekuteku/control.ini");
    EXPECT_EQ(ControlIniPath(nullptr, "/home/u"), "/home/u/.config/tekuteku/control.ini");
    EXPECT_EQ(ControlIniPath("", "/home/u"), "/home/u/.config/tekuteku/control.ini");
    EXPECT_EQ(ControlIniPath("relative", "/home/u"), "/home/u/.config/tekuteku/control.ini");
    EXPECT_EQ(ControlIniPath(nullptr, nullptr), "");
}

class MapProfile final : public ProfileReader {
public:
    std::map<std::string, int32_t> values;
    std::vector<std::string> asked;
    int32_t GetInt(const char* key, int32_t defaultValue) override {
        asked.push_back(key);
        const auto found = values.find(key);
        return found == values.end() ? defaultValue : found->second;
    }
};

TEST(LinuxOptions, CommandLineLiesOverTheStoredSettings) {
    MapProfile stored;
    stored.values = {{"Speed", 2}, {"Charactors", 9}, {"Event", 0}, {"SE", 0}};
    SaverOptions options;
    options.count = 2;
    options.soundSE = 1;
    OverriddenProfile profile(stored, options);
    const SaverSettings settings = ReadSaverSettings(profile, 768);
    EXPECT_EQ(settings.timerInterval, kSpeedTable[2]);  // stored
    EXPECT_EQ(settings.walkerCount, 2);                 // option
    EXPECT_EQ(settings.eventOdds, kEventTable[0]);      // stored
    EXPECT_EQ(settings.soundOff, 1);                    // option
    // Overridden keys never reach the file.
    EXPECT_EQ(stored.asked, (std::vector<std::string>{"Speed", "Event"}));

    // The drawing area's height still bounds an option's count.
    options.count = 9;
    EXPECT_EQ(ReadSaverSettings(profile, 600).walkerCount, 3);
}

// As a hack, the settings app's view is the truth: options over the defaults it shows, and a
// stored file that says otherwise is never even read.
TEST(LinuxOptions, HackModeLeavesControlIniAlone) {
    MapProfile stored;
    stored.values = {{"Speed", 6}, {"Charactors", 3}, {"Event", 0}, {"SE", 0}};
    SaverOptions options;
    options.hackMode = true;
    options.event = 2;
    OverriddenProfile profile(stored, options);
    const SaverSettings settings = ReadSaverSettings(profile, 768);
    EXPECT_EQ(settings.timerInterval, kSpeedTable[1]);  // the settings app's default speed
    EXPECT_EQ(settings.walkerCount, 1);
    EXPECT_EQ(settings.eventOdds, kEventTable[2]);  // option
    EXPECT_EQ(settings.soundOff, 1);                // sound off
    EXPECT_TRUE(stored.asked.empty());
}

TEST(LinuxOptions, IdleWaylandAndVersion) {
    Parsed parsed = Parse({"--idle", "300", "--wayland"});
    ASSERT_TRUE(parsed.result.ok) << parsed.result.error;
    EXPECT_EQ(parsed.options.idleSeconds, 300u);
    EXPECT_EQ(parsed.options.mode, DisplayMode::FullScreen);
    EXPECT_TRUE(parsed.options.wayland);
    // Idle mode is a screen saver of its own, not a hack: the daemon's window does not count.
    parsed = Parse({"--idle=5"}, "0x400001");
    EXPECT_FALSE(parsed.options.hackMode);
    EXPECT_TRUE(Parse({"--version", "--speed", "99"}).options.version);
}

// A bad argument is echoed escaped (no terminal control) and cut short, whatever its length.
TEST(LinuxOptions, ErrorsShowBadArgumentsEscapedAndShort) {
    EXPECT_EQ(ShownArgument("fast"), "fast");
    EXPECT_EQ(ShownArgument("\x1b[31mred\\"), "\\x1b[31mred\\x5c");
    EXPECT_EQ(ShownArgument("ポ"), "\\xe3\\x83\\x9d");
    EXPECT_EQ(ShownArgument(std::string(50, 'a')), std::string(40, 'a') + "...");

    const std::string huge(100000, 'x');
    const std::string hugeOption = "--" + huge;
    for (const auto& args : std::vector<std::vector<const char*>>{
             {huge.c_str()}, {"--speed", huge.c_str()}, {hugeOption.c_str()}}) {
        const Parsed parsed = Parse(args);
        EXPECT_FALSE(parsed.result.ok);
        EXPECT_LT(parsed.result.error.size(), 120u);
    }
    const Parsed escaped = Parse({"--count", "\x1b]0;title\x07"});
    EXPECT_EQ(escaped.result.error.find('\x1b'), std::string::npos) << escaped.result.error;
    EXPECT_NE(escaped.result.error.find("\\x1b]0;title\\x07"), std::string::npos);
}

// Terminal columns: a character of the Japanese ranges takes two.
TEST(LinuxOptions, HelpFitsIn80Columns) {
    const std::string text = UsageText();
    size_t begin = 0;
    while (begin < text.size()) {
        const size_t end = text.find('\n', begin);
        const std::string line = text.substr(begin, end - begin);
        int columns = 0;
        for (size_t i = 0; i < line.size(); ++i) {
            const auto byte = static_cast<unsigned char>(line[i]);
            if ((byte & 0xC0) == 0x80) continue;  // a continuation byte
            columns += byte >= 0xE3 ? 2 : 1;      // U+3000 and up: wide
        }
        EXPECT_LE(columns, 80) << line;
        begin = end + 1;
    }
}

}  // namespace

// The XScreenSaver settings file and the man page state the core's ranges, defaults, words and
// numbers.
TEST(LinuxOptions, XScreenSaverFileAndManPageAgreeWithTheRules) {
    std::ifstream file(TEKUTEKU_SOURCE_DIR "/linux/tekuteku.xml");
    const std::string xml((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(xml.empty());
    const auto has = [&](const std::string& text) { return xml.find(text) != std::string::npos; };
    for (const SettingRule& rule : kSettingRules) {
        const std::string name = rule.name;
        if (rule.isSwitch) {  // off unless ticked
            EXPECT_EQ(rule.saverDefault, rule.high) << name;
            EXPECT_TRUE(has("<boolean id=\"" + name + "\"")) << name;
            EXPECT_TRUE(has("arg-set=\"--" + name + "\"/>")) << name;
        } else if (rule.words) {  // the default is the choice without an argument
            for (int32_t value = rule.low; value <= rule.high; ++value) {
                const std::string word = rule.words[value - rule.low];
                EXPECT_EQ(has("arg-set=\"--" + name + " " + word + "\""),
                          value != rule.saverDefault)
                    << word;
            }
            EXPECT_TRUE(has("<option id=\"" + std::string(rule.words[rule.saverDefault]) + "\" "));
        } else {
            EXPECT_TRUE(has("arg=\"--" + name + " %\"")) << name;
            const std::string range = "low=\"" + std::to_string(rule.low) + "\" high=\"" +
                                      std::to_string(rule.high) + "\" default=\"" +
                                      std::to_string(rule.saverDefault) + "\"/>";
            EXPECT_TRUE(has(range)) << name << ": " << range;
        }
    }
    EXPECT_TRUE(has(std::to_string(kScreenPixelsPerWalker) + " pixels of screen height"));

    std::ifstream manFile(TEKUTEKU_SOURCE_DIR "/linux/tekuteku.6");
    std::string man;  // with every run of blanks and line breaks as one space
    for (std::string word; manFile >> word;) man += word + " ";
    const auto says = [&](const std::string& text) { return man.find(text) != std::string::npos; };
    const auto n = [](auto number) { return std::to_string(number); };
    const SettingRule &speed = RuleFor(Setting::Speed), &count = RuleFor(Setting::Count);
    std::string table;
    for (int i = 0; i < kSpeedLevels; ++i)
        table += (i == 0 ? "" : i + 1 < kSpeedLevels ? ", " : " or ") + n(kSpeedTable[i]);
    for (const std::string& text :
         {"\\fI" + n(speed.low) + ".." + n(speed.high) + "\\fR",
          "\\-\\-speed \" " + n(speed.low) + ".." + n(speed.high) + "\"",
          "default " + n(speed.saverDefault) + ". The time between two steps: " + table +
              " milliseconds, but never less than " + n(kShortestTickInterval) + " milliseconds",
          "below " + n(speed.low) + " count as " + n(speed.low) + ", above " + n(speed.high) +
              " as " + n(speed.high) + ".",
          "default " + n(count.saverDefault) + ". The number of walkers, " + n(count.low) + " to " +
              n(count.high) + " on the command line",
          "At most one walker fits per " + n(kScreenPixelsPerWalker) + " pixels",
          "a monitor lower than " + n(kScreenPixelsPerWalker) + " pixels gets one",
          "mouse movement of more than " + n(kMouseMoveLimit) + " pixels in total",
          "default " + std::string(kEventWords[RuleFor(Setting::Event).saverDefault]) + ":",
          "default " + std::string(kSoundWords[RuleFor(Setting::Sound).saverDefault]) + "."}) {
        EXPECT_TRUE(says(text)) << "linux/tekuteku.6 does not say: " << text;
    }
}
