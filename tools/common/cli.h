// Small pieces the command-line tools share.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/number_text.h"

// A plain decimal number in [low, high]: no sign, no blanks, no trailing text.
inline bool ParseNumber(const char* text, uint64_t low, uint64_t high, uint64_t& out) {
    uint64_t value;
    if (!ParseUnsigned(text, high, value, /*hex=*/false) || value < low) return false;
    out = value;
    return true;
}

struct NumberOption {
    const char* name;
    uint64_t low;
    uint64_t high;
    uint64_t value;  // the default until the option is given
    bool seen;
};

// Stores `text` as the value of the option called `name`. Returns what is wrong, or nullptr.
template <size_t N>
const char* SetNumberOption(NumberOption (&options)[N], std::string_view name, const char* text) {
    NumberOption* option = nullptr;
    for (NumberOption& o : options) {
        if (name == o.name) option = &o;
    }
    if (!option) return "unknown argument";
    if (option->seen) return "an option is given twice";
    if (!text) return "an option is missing its value";
    if (!ParseNumber(text, option->low, option->high, option->value)) {
        return "a value is not a number in its range";
    }
    option->seen = true;
    return nullptr;
}
