// The saver's rules, each stated once: the four settings (names, stored values, ranges,
// defaults and help), how many walkers fit a screen, what input ends the saver and how often it
// ticks. Every platform reads them from here: the Windows saver and its dialog, the Linux
// options and its XScreenSaver file, and the browser page (through a module generated from this
// table when the page is built).
#pragma once
#include <cstdint>

#include "animation/walkers.h"

// Profile file and section, as the string resources 1001 and 1007 hold them (UTF-8 here;
// the Windows build loads its own code-page copy from the resources).
constexpr const char* kProfileFileName = "control.ini";
constexpr const char* kSettingsSection = "Screen Saver.てくてくポルッカ";
constexpr const char* kSpeedKey = "Speed";
constexpr const char* kCountKey =
    "Charactors";  // misspelt since the first release; files rely on it
constexpr const char* kEventKey = "Event";
constexpr const char* kSoundKey = "SE";

constexpr int kSpeedLevels = 7;
constexpr uint32_t kSpeedTable[kSpeedLevels] = {200, 165, 130, 90, 65, 40, 1};  // ms per tick
constexpr int kEventLevels = 3;
constexpr int32_t kEventTable[kEventLevels] = {10, 25, 35};  // bound of the scene roll

enum class Setting { Speed, Count, Event, Sound };
constexpr int kSettingCount = 4;

struct SettingRule {
    Setting setting;
    const char* name;  // on the command line (--name) and in the page's address (?name=)
    const char* key;   // in control.ini
    int32_t low;       // the stored values allowed, low..high
    int32_t high;
    int32_t saverDefault;      // what the saver uses when nothing is stored
    int32_t dialogDefault;     // what the settings dialogs show when nothing is stored
    const char* const* words;  // the values' names in stored order (null: the number itself)
    // On the command line a switch: --name stores words[0], --no-name words[1].
    bool isSwitch;
    const char* valueHelp;  // the value in the usage text (null: low..high)
    // What the setting does, for the usage text; {low}, {high} and {band} (pixels per walker)
    // stand for their numbers.
    const char* help;
};

// The sound setting's stored values ("SE"): 0 plays the scene sounds, 1 keeps quiet.
constexpr int32_t kSoundOnValue = 0;
constexpr int32_t kSoundOffValue = 1;

inline constexpr const char* kEventWords[] = {"high", "normal", "low"};
inline constexpr const char* kSoundWords[] = {"on", "off"};

// In the order the saver reads them from control.ini: Speed, Charactors, Event, SE.
// The dialog shows speed 4 when nothing is stored while the saver runs at 1: the dialog has
// always had defaults of its own, and both are kept as users know them.
inline constexpr SettingRule kSettingRules[kSettingCount] = {
    {Setting::Speed, "speed", kSpeedKey, 0, kSpeedLevels - 1, 1, 4, nullptr, false, nullptr,
     "{low} slow, {high} fast"},
    {Setting::Count, "count", kCountKey, 1, kMaxWalkers, 1, 1, nullptr, false, "N",
     "walkers, {low}..{high}; at most one per {band} pixels of height"},
    {Setting::Event, "event", kEventKey, 0, kEventLevels - 1, 1, 1, kEventWords, false, nullptr,
     "how often a walker stops for a scene"},
    {Setting::Sound, "sound", kSoundKey, kSoundOnValue, kSoundOffValue, kSoundOffValue,
     kSoundOffValue, kSoundWords, true, nullptr, "scene sounds on or off"},
};
constexpr const SettingRule& RuleFor(Setting setting) {
    return kSettingRules[static_cast<int>(setting)];
}

// How many walkers fit a screen: one per 195 pixels of height, and at least one, since a saver
// that stays black looks broken.
constexpr int32_t kScreenPixelsPerWalker = 195;
int32_t ScreenCountLimit(int32_t screenHeight);
// A stored count bounded for a screen: at least 1, at most ScreenCountLimit.
int32_t BoundedWalkerCount(int32_t storedCount, int32_t screenHeight);
// The settings dialogs offer at most 9: the count's edit holds a single digit.
constexpr int32_t kDialogCountCap = 9;
// The largest count a settings panel offers for a screen: ScreenCountLimit within 1..kDialogCountCap
// (the Windows dialog keeps showing 0 below one band, as it always has).
int32_t PanelCountLimit(int32_t screenHeight);

// Input that ends a full-screen saver: a key, a click, or the pointer more than 4 pixels (across
// plus down) from its reference point (where it was when the saver started, on Windows where it
// was at the last close request).
constexpr int32_t kMouseMoveLimit = 4;
bool MovedTooFar(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY);

// Windows timers cannot fire faster than every 10 ms, so speed 6 (1 ms) really ticks every 10 ms
// there. Other systems wait at least this long between ticks so that every speed looks the same.
constexpr uint32_t kShortestTickInterval = 10;
uint32_t TickIntervalWithFloor(uint32_t timerInterval);
