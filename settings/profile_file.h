// A profile (INI) file reader that behaves like the Windows profile functions,
// for platforms without them and for tests.
//
//  - a missing file, section or key, or a key with an empty value, gives the default;
//  - section and key names match case-insensitively (ASCII), surrounding blanks ignored, and a
//    UTF-8 byte-order mark before a section header too;
//  - the first section and key of a name win when names repeat;
//  - a value reads as an optional sign and leading decimal digits, wrapping modulo 2^32;
//    a value with none ("abc", "-") reads as 0.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/settings_store.h"

// Files larger than this are treated as unreadable: defaults are used.
constexpr size_t kMaxProfileBytes = 16u << 20;

// The settings section's name as Japanese Windows writes it (code page 932).
constexpr const char* kSettingsSectionShiftJis =
    "Screen Saver.\x82\xC4\x82\xAD\x82\xC4\x82\xAD\x83\x7C\x83\x8B\x83\x62\x83\x4A";

bool ProfileTextHasSection(std::string_view text, std::string_view section);
int32_t ProfileTextGetInt(std::string_view text, std::string_view section, std::string_view key,
                          int32_t defaultValue);

// The settings section's name as `text` holds it: in UTF-8 where it has one, else in Shift-JIS
// where it has one of that. A text with neither gets a new one in its own encoding: Shift-JIS
// when it is not UTF-8 (a file from Japanese Windows), else UTF-8.
const char* SettingsSectionIn(std::string_view text);

// One key of a section and the number to store under it.
struct ProfileInt {
    const char* key;
    int32_t value;
};

// The text with each key of `section` set to its number, every other byte as it was: a key
// already there keeps its line and only its value changes (the first such key of the first
// such section, the one the reader takes); a missing key comes after the section's last line
// that is not blank; a missing section at the end. New lines end as the text's first line does
// (CR LF or LF).
std::string ProfileTextWithInts(std::string_view text, std::string_view section,
                                std::span<const ProfileInt> values);

// The same on a file.
int32_t ProfileFileGetInt(const std::string& path, std::string_view section, std::string_view key,
                          int32_t defaultValue);

// The settings section of one profile file, as a ProfileReader: named in UTF-8, or else in
// Shift-JIS as Japanese Windows writes it. The file is read once, at the first key asked for.
class ProfileFileReader final : public ProfileReader {
public:
    explicit ProfileFileReader(std::string path) : path_(std::move(path)) {}
    int32_t GetInt(const char* key, int32_t defaultValue) override;

private:
    std::string path_;
    std::optional<std::string> text_;
    const char* section_ = kSettingsSection;
    bool loaded_ = false;
};
