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

int32_t ForDialog(ProfileReader& profile, Setting setting) {
    const SettingRule& rule = RuleFor(setting);
    return profile.GetInt(rule.key, rule.dialogDefault);
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

DialogSettings ReadDialogSettings(ProfileReader& profile, int32_t countLimit) {
    DialogSettings shown{};
    const SettingRule& speed = RuleFor(Setting::Speed);
    shown.speed = ClampInt(ForDialog(profile, Setting::Speed), speed.low, speed.high);
    // ClampInt tests the lower bound first: on a screen under one band a stored 0 still shows 1.
    shown.count = ClampInt(ForDialog(profile, Setting::Count), 1, countLimit);
    const SettingRule& event = RuleFor(Setting::Event);
    shown.event = ClampInt(ForDialog(profile, Setting::Event), event.low, event.high);
    const bool off = ForDialog(profile, Setting::Sound) != kSoundOnValue;
    shown.soundOff = off ? kSoundOffValue : kSoundOnValue;
    return shown;
}
