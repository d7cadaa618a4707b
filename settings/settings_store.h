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

// What a settings dialog shows: each stored value, or the dialogs' own default where none is
// stored (dialogDefault), brought into its range; the count into 1..countLimit (countLimit from
// DialogCountLimit for the dialog's screen). soundOff is kSoundOnValue or kSoundOffValue.
struct DialogSettings {
    int32_t speed;
    int32_t count;
    int32_t event;
    int32_t soundOff;
};
DialogSettings ReadDialogSettings(ProfileReader& profile, int32_t countLimit);
