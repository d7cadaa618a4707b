// Numbers written as text, read one way everywhere.
#pragma once
#include <cstdint>
#include <string_view>

// A whole text that is a number no larger than `high`: decimal, or hexadecimal after 0x when
// `hex` allows it. No sign, blanks or trailing text.
bool ParseUnsigned(const char* text, uint64_t high, uint64_t& out, bool hex = true);

// The decimal digits at the start of `text`, wrapping modulo 2^32, as the Windows profile
// functions and command-line tails read numbers; `used` is how many characters they took.
uint32_t LeadingDigits(std::string_view text, size_t& used);
