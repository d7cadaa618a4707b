#include "settings/rules.h"

#include "settings/number_text.h"
#include "settings/settings_store.h"  // ClampInt

const SettingRule* RuleNamed(const char* name, int nameLength) {
    for (const SettingRule& rule : kSettingRules) {
        int i = 0;
        while (i < nameLength && rule.name[i] == name[i]) ++i;
        if (i == nameLength && rule.name[i] == '\0') return &rule;
    }
    return nullptr;
}

const SettingRule* RuleForKey(const char* key) {
    for (const SettingRule& rule : kSettingRules) {
        int i = 0;
        while (rule.key[i] != '\0' && rule.key[i] == key[i]) ++i;
        if (rule.key[i] == '\0' && key[i] == '\0') return &rule;
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

namespace {
uint32_t Distance(int32_t a, int32_t b) {
    return a >= b ? static_cast<uint32_t>(a) - static_cast<uint32_t>(b)
                  : static_cast<uint32_t>(b) - static_cast<uint32_t>(a);
}
}  // namespace

bool MovedTooFar(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY) {
    return Distance(toX, fromX) + Distance(toY, fromY) > static_cast<uint32_t>(kMouseMoveLimit);
}

uint32_t TickIntervalWithFloor(uint32_t timerInterval) {
    return timerInterval < kShortestTickInterval ? kShortestTickInterval : timerInterval;
}
