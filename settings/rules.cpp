#include "settings/rules.h"

#include "settings/number_text.h"
#include "settings/settings_store.h"

namespace {
constexpr const char* kEventWords[] = {"high", "normal", "low"};
constexpr const char* kSoundWords[] = {"on", "off"};
}  // namespace

// The dialog shows speed 4 when nothing is stored while the saver runs at 1: the dialog has
// always had defaults of its own, and stored files and users rely on both.
const SettingRule kSettingRules[kSettingCount] = {
    {Setting::Speed, "speed", kSpeedKey, 0, kSpeedLevels - 1, 1, 4, nullptr, false, nullptr,
     "{low} slow, {high} fast"},
    {Setting::Count, "count", kCountKey, 1, kMaxWalkers, 1, 1, nullptr, false, "N",
     "walkers, {low}..{high}; at most one per {band} pixels of height"},
    {Setting::Event, "event", kEventKey, 0, kEventLevels - 1, 1, 1, kEventWords, false, nullptr,
     "how often a walker stops for a scene"},
    {Setting::Sound, "sound", kSoundKey, kSoundOnValue, kSoundOffValue, kSoundOffValue,
     kSoundOffValue, kSoundWords, true, nullptr, "scene sounds on or off"},
};

const SettingRule& RuleFor(Setting setting) { return kSettingRules[static_cast<int>(setting)]; }

const SettingRule* RuleNamed(const char* name, int nameLength) {
    for (const SettingRule& rule : kSettingRules) {
        int i = 0;
        while (i < nameLength && rule.name[i] == name[i]) ++i;
        if (i == nameLength && rule.name[i] == '\0') return &rule;
    }
    return nullptr;
}

bool StoredValueOf(const SettingRule& rule, const char* text, int32_t& value) {
    if (!text) return false;
    if (!rule.words) {
        uint64_t number;
        if (!ParseUnsigned(text, static_cast<uint64_t>(rule.high), number)) return false;
        if (static_cast<int64_t>(number) < rule.low) return false;
        value = static_cast<int32_t>(number);
        return true;
    }
    // A word, or its stored value as one digit.
    for (int32_t stored = rule.low; stored <= rule.high; ++stored) {
        const char* word = rule.words[stored - rule.low];
        int i = 0;
        while (word[i] != '\0' && word[i] == text[i]) ++i;
        const bool isWord = word[i] == '\0' && text[i] == '\0';
        const bool isDigit = text[0] == static_cast<char>('0' + stored) && text[1] == '\0';
        if (isWord || isDigit) {
            value = stored;
            return true;
        }
    }
    return false;
}

int32_t ScreenCountLimit(int32_t screenHeight) { return screenHeight / kScreenPixelsPerWalker; }

int32_t BoundedWalkerCount(int32_t storedCount, int32_t screenHeight) {
    const int32_t limit = ScreenCountLimit(screenHeight);
    return ClampInt(storedCount, 1, limit < 1 ? 1 : limit);
}

bool MovedTooFar(int32_t dx, int32_t dy) {
    return (dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy) > kMouseMoveLimit;
}

uint32_t TickIntervalWithFloor(uint32_t timerInterval) {
    return timerInterval < kShortestTickInterval ? kShortestTickInterval : timerInterval;
}
