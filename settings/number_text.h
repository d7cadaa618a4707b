// Numbers and settings written as text, read one way everywhere (the rules themselves are in
// settings/rules.h).
#pragma once
#include <cstdint>
#include <string_view>

#include "settings/rules.h"

// A whole text that is a number no larger than `high`: decimal, or hexadecimal after 0x when
// `hex` allows it. No sign, blanks or trailing text.
bool ParseUnsigned(const char* text, uint64_t high, uint64_t& out, bool hex = true);

// The decimal digits at the start of text[0..size), wrapping modulo 2^32, as the Windows profile
// functions and command-line tails read numbers; `used` is how many characters they took. A C
// string may be given with SIZE_MAX: its NUL ends the digits. `wrapped`, when given, tells
// whether the number was 2^32 or more.
uint32_t LeadingDigits(const char* text, size_t size, size_t& used, bool* wrapped = nullptr);

// The rule with this command-line name, or null.
const SettingRule* RuleNamed(const char* name, int nameLength);
// The rule of this control.ini key (as the saver spells it), or null.
const SettingRule* RuleForKey(const char* key);
// The stored value a setting's word or number names; false when it names none in range.
bool StoredValueOf(const SettingRule& rule, const char* text, int32_t& value);
