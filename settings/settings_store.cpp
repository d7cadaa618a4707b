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

int32_t BoundedWalkerCount(int32_t storedCount, int32_t screenHeight) {
    // A screen lower than one band still shows one walker, clipped: a saver that stays black
    // looks broken.
    const int32_t limit = ScreenCountLimit(screenHeight);
    return ClampInt(storedCount, 1, limit < 1 ? 1 : limit);
}

SaverSettings ReadSaverSettings(ProfileReader& profile, int32_t screenHeight) {
    SaverSettings settings{};
    const int32_t speed = ClampInt(profile.GetInt(kSpeedKey, 1), 0, kSpeedLevels - 1);
    settings.timerInterval = kSpeedTable[speed];

    settings.storedCount = profile.GetInt(kCountKey, 1);
    settings.walkerCount = BoundedWalkerCount(settings.storedCount, screenHeight);

    const int32_t event = ClampInt(profile.GetInt(kEventKey, 1), 0, kEventLevels - 1);
    settings.eventOdds = kEventTable[event];
    settings.soundOff = profile.GetInt(kSoundKey, 1);
    return settings;
}
