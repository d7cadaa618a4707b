#include "settings/number_text.h"

bool ParseUnsigned(const char* text, uint64_t high, uint64_t& out, bool hex) {
    if (!text || !*text) return false;
    uint64_t base = 10;
    const char* p = text;
    if (hex && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
        if (!*p) return false;
    }
    uint64_t value = 0;
    for (; *p; ++p) {
        uint64_t digit;
        if (*p >= '0' && *p <= '9') {
            digit = static_cast<uint64_t>(*p - '0');
        } else if (base == 16 && *p >= 'a' && *p <= 'f') {
            digit = static_cast<uint64_t>(*p - 'a' + 10);
        } else if (base == 16 && *p >= 'A' && *p <= 'F') {
            digit = static_cast<uint64_t>(*p - 'A' + 10);
        } else {
            return false;
        }
        if (digit > high || value > (high - digit) / base) return false;  // would pass `high`
        value = value * base + digit;
    }
    out = value;
    return true;
}

uint32_t LeadingDigits(std::string_view text, size_t& used) {
    uint32_t number = 0;
    used = 0;
    for (; used < text.size() && text[used] >= '0' && text[used] <= '9'; ++used) {
        number = number * 10u + static_cast<uint32_t>(text[used] - '0');
    }
    return number;
}
