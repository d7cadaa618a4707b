// Small pieces the command-line tools share.
#pragma once
#include <cerrno>
#include <cstdint>
#include <cstdlib>

// A plain decimal number in [low, high]: no sign, no blanks, no trailing text.
inline bool ParseNumber(const char* text, uint64_t low, uint64_t high, uint64_t& out) {
    if (!text || !*text) return false;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return false;
    out = value;
    return true;
}
