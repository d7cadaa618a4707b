// The four stored settings and what the saver makes of them (their rules: settings/rules.h).
#pragma once
#include <cstdint>

#include "settings/rules.h"

// Reads one integer of the settings section, with the Windows profile rules (missing → default).
class ProfileReader {
public:
    virtual ~ProfileReader() = default;
    virtual int32_t GetInt(const char* key, int32_t defaultValue) = 0;
};

struct SaverSettings {
    uint32_t timerInterval;  // what the speed asks for: the Windows timer's interval
    uint32_t
        tickInterval;  // the same with the floor every other system keeps (kShortestTickInterval)
    int32_t walkerCount;  // bounded for the screen height given to ReadSaverSettings
    int32_t storedCount;  // as stored, for screens of other heights (BoundedWalkerCount)
    int32_t eventOdds;
    int32_t
        soundOff;  // the stored "SE" as read; the sound set-up decides whether sound really plays
};

int32_t ClampInt(int32_t value, int32_t low, int32_t high);

// Reads "Speed", "Charactors", "Event" and "SE" in that order and bounds them for the saver.
SaverSettings ReadSaverSettings(ProfileReader& profile, int32_t screenHeight);
