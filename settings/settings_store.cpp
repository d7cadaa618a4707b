#include "settings/settings_store.h"

int32_t ClampInt(int32_t value, int32_t low, int32_t high) {
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

namespace {
int32_t Read(ProfileReader& profile, Setting setting) {
    const SettingRule& rule = RuleFor(setting);
    return profile.GetInt(rule.key, rule.saverDefault);
}

int32_t ReadInRange(ProfileReader& profile, Setting setting) {
    const SettingRule& rule = RuleFor(setting);
    return ClampInt(Read(profile, setting), rule.low, rule.high);
}
}  // namespace

SaverSettings ReadSaverSettings(ProfileReader& profile, int32_t screenHeight) {
    SaverSettings settings{};
    const int32_t speed = ReadInRange(profile, Setting::Speed);
    settings.timerInterval = kSpeedTable[speed];
    settings.tickInterval = TickIntervalWithFloor(settings.timerInterval);

    settings.storedCount = Read(profile, Setting::Count);
    settings.walkerCount = BoundedWalkerCount(settings.storedCount, screenHeight);

    const int32_t event = ReadInRange(profile, Setting::Event);
    settings.eventOdds = kEventTable[event];
    settings.soundOff = Read(profile, Setting::Sound);
    return settings;
}
