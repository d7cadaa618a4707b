// The four stored settings and what the saver makes of them (their rules: settings/rules.h).
#pragma once
#include <cstdint>

#include "settings/rules.h"

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

// Reads "Speed", "Charactors", "Event" and "SE" in that order and bounds them for the saver.
SaverSettings ReadSaverSettings(ProfileReader& profile, int32_t screenHeight);
