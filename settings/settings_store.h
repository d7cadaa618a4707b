// The four stored settings and what the saver makes of them.
#pragma once
#include <cstdint>

// Profile file and section, as the string resources 1001 and 1007 hold them (UTF-8 here;
// the Windows build loads its own code-page copy from the resources).
constexpr const char* kProfileFileName = "control.ini";
constexpr const char* kSettingsSection = "Screen Saver.てくてくポルッカ";
constexpr const char* kSpeedKey = "Speed";
constexpr const char* kCountKey = "Charactors";  // misspelt since the first release; files rely on it
constexpr const char* kEventKey = "Event";
constexpr const char* kSoundKey = "SE";

constexpr int kSpeedLevels = 7;
constexpr uint32_t kSpeedTable[kSpeedLevels] = {200, 165, 130, 90, 65, 40, 1};  // ms per tick
constexpr int kEventLevels = 3;
constexpr int32_t kEventTable[kEventLevels] = {10, 25, 35};  // bound of the scene roll
constexpr int kScreenPixelsPerWalker = 195;

// Windows timers cannot fire faster than every 10 ms, so speed 6 (1 ms) really ticks every 10 ms
// there. Other systems wait at least this long between ticks so that every speed looks the same.
constexpr uint32_t kShortestTickInterval = 10;
uint32_t TickIntervalWithFloor(uint32_t timerInterval);

// Reads one integer of the settings section, with the Windows profile rules (missing → default).
class ProfileReader {
public:
    virtual ~ProfileReader() = default;
    virtual int32_t GetInt(const char* key, int32_t defaultValue) = 0;
};

struct SaverSettings {
    uint32_t timerInterval;
    int32_t walkerCount;  // bounded for the screen height given to ReadSaverSettings
    int32_t storedCount;  // as stored, for screens of other heights (BoundedWalkerCount)
    int32_t eventOdds;
    int32_t soundOff;  // the stored "SE" as read; the sound set-up decides whether sound really plays
};

int32_t ClampInt(int32_t value, int32_t low, int32_t high);

// How many walkers fit the screen: one per 195 pixels of height.
int32_t ScreenCountLimit(int32_t screenHeight);
// A stored count bounded for a screen: at least 1, at most ScreenCountLimit.
int32_t BoundedWalkerCount(int32_t storedCount, int32_t screenHeight);

// Reads "Speed", "Charactors", "Event" and "SE" in that order and bounds them for the saver.
SaverSettings ReadSaverSettings(ProfileReader& profile, int32_t screenHeight);
