#include "settings/number_text.h"

#include "settings/rules.h"

namespace {

// The value of one digit in `base` (10 or 16), or `base` itself when c is none.
uint64_t DigitValue(char c, uint64_t base) {
    if (c >= '0' && c <= '9') return static_cast<uint64_t>(c - '0');
    if (base == 16 && c >= 'a' && c <= 'f') return static_cast<uint64_t>(c - 'a' + 10);
    if (base == 16 && c >= 'A' && c <= 'F') return static_cast<uint64_t>(c - 'A' + 10);
    return base;
}

}  // namespace

bool ParseUnsigned(const char* text, uint64_t high, uint64_t& out, bool hex) {
    if (!text || !*text) return false;
    uint64_t base = 10;
    const char* p = text;
    if (hex && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
        if (!*p) return false;
    }
    // Without a 64-bit division, which the 32-bit Windows build would need a library for.
    const uint64_t largest = base == 16 ? UINT64_MAX / 16 : UINT64_MAX / 10;
    uint64_t value = 0;
    for (; *p; ++p) {
        const uint64_t digit = DigitValue(*p, base);
        if (digit == base) return false;
        if (value > largest || value * base > UINT64_MAX - digit) return false;
        value = value * base + digit;
        if (value > high) return false;
    }
    out = value;
    return true;
}

uint32_t LeadingDigits(const char* text, size_t size, size_t& used, bool* wrapped) {
    uint32_t number = 0;
    bool over = false;
    used = 0;
    for (; used < size && text[used] >= '0' && text[used] <= '9'; ++used) {
        const uint32_t digit = static_cast<uint32_t>(text[used] - '0');
        if (number > (UINT32_MAX - digit) / 10u) over = true;
        number = number * 10u + digit;
    }
    if (wrapped) *wrapped = over;
    return number;
}

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
