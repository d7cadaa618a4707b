#include "settings/settings_store.h"

int32_t ClampInt(int32_t value, int32_t low, int32_t high) {
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

int32_t ScreenCountLimit(int32_t screenHeight) { return screenHeight / kScreenPixelsPerWalker; }

uint32_t TickIntervalWithFloor(uint32_t timerInterval) {
    return timerInterval < kShortestTickInterval ? kShortestTickInterval : timerInterval;
}

SaverSettings ReadSaverSettings(ProfileReader& profile, int32_t screenHeight) {
    SaverSettings settings{};
    const int32_t speed = ClampInt(profile.GetInt(kSpeedKey, 1), 0, kSpeedLevels - 1);
    settings.timerInterval = kSpeedTable[speed];

    // The lower bound is tested first: on a tiny screen (limit 0) a stored 0 still gives 1 walker.
    int32_t count = profile.GetInt(kCountKey, 1);
    const int32_t limit = ScreenCountLimit(screenHeight);
    if (count < 1) {
        count = 1;
    } else if (count > limit) {
        count = limit;
    }
    settings.walkerCount = count;

    const int32_t event = ClampInt(profile.GetInt(kEventKey, 1), 0, kEventLevels - 1);
    settings.eventOdds = kEventTable[event];
    settings.soundOff = profile.GetInt(kSoundKey, 1);
    return settings;
}
