#include "settings/profile_file.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "settings/number_text.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

// The lines of the file, without their line breaks.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

// "[name]" gives name; anything else is not a section header. A UTF-8 byte-order mark in
// front (Notepad writes one) is not part of the line.
std::optional<std::string_view> SectionName(std::string_view line) {
    if (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

struct KeyValue {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyValue> SplitKeyValue(std::string_view line) {
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return KeyValue{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

// Where a section and a key in it were found: the indexes of their lines.
struct Location {
    std::optional<size_t> sectionLine;
    std::optional<size_t> keyLine;
};

Location Find(const std::vector<std::string_view>& lines, std::string_view section,
              std::string_view key) {
    Location where;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionName(lines[i])) {
            if (inSection) break;  // the first section of the name is the one that counts
            inSection = SameName(*name, Trim(section));
            if (inSection) where.sectionLine = i;
            continue;
        }
        if (!inSection) continue;
        const auto kv = SplitKeyValue(lines[i]);
        if (kv && SameName(kv->key, Trim(key))) {
            where.keyLine = i;
            return where;
        }
    }
    return where;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

int32_t ParseProfileInt(std::string_view value) {
    const bool signed_ = !value.empty() && (value[0] == '-' || value[0] == '+');
    const bool negative = signed_ && value[0] == '-';
    size_t used;
    const std::string_view digits = value.substr(signed_ ? 1 : 0);
    uint32_t number = LeadingDigits(digits.data(), digits.size(), used);
    if (negative) number = 0u - number;
    return static_cast<int32_t>(number);
}

// The whole file, or nothing when it cannot be read whole. Only a regular file: opening a FIFO
// would wait for a writer, and a directory or a device is no profile.
std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    std::string text;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (text.size() + got > kMaxProfileBytes) {
            std::fclose(file);
            return std::nullopt;
        }
        text.append(buffer, got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return std::nullopt;
    return text;
}

// How many continuation bytes follow a UTF-8 lead byte; kNotALead for a byte that leads none.
constexpr size_t kNotALead = 4;
size_t ContinuationBytes(unsigned char lead) {
    if (lead < 0x80) return 0;
    if (lead >= 0xC2 && lead < 0xE0) return 1;
    if (lead >= 0xE0 && lead < 0xF0) return 2;
    if (lead >= 0xF0 && lead < 0xF5) return 3;
    return kNotALead;
}

bool IsUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const size_t follow = ContinuationBytes(static_cast<unsigned char>(text[i++]));
        if (follow == kNotALead || text.size() - i < follow) return false;
        for (const size_t end = i + follow; i < end; ++i) {
            if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return false;
        }
    }
    return true;
}

// CR LF when the text's first line ends so, else LF (also for a text of one line or none).
std::string_view LineEnding(std::string_view text) {
    const size_t lf = text.find('\n');
    return lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r' ? "\r\n" : "\n";
}

// A key's line with a new value: what comes before the value (the key, '=' and blanks) and a
// CR at its end kept.
std::string LineWithValue(std::string_view line, int32_t value) {
    size_t start = line.find('=') + 1;
    while (start < line.size() && IsBlank(line[start])) ++start;
    std::string out(line.substr(0, start));
    out += std::to_string(value);
    if (!line.empty() && line.back() == '\r') out += '\r';
    return out;
}

// The last line of the section that starts at `header` that is not blank (the header itself
// when it has none), so new keys go before the blank lines that part it from the next one.
size_t LastLineOfSection(const std::vector<std::string_view>& lines, size_t header) {
    size_t last = header;
    for (size_t i = header + 1; i < lines.size() && !SectionName(lines[i]); ++i) {
        if (!Trim(lines[i]).empty()) last = i;
    }
    return last;
}

}  // namespace

const char* SettingsSectionIn(std::string_view text) {
    if (ProfileTextHasSection(text, kSettingsSection)) return kSettingsSection;
    if (ProfileTextHasSection(text, kSettingsSectionShiftJis)) return kSettingsSectionShiftJis;
    return IsUtf8(text) ? kSettingsSection : kSettingsSectionShiftJis;
}

std::string ProfileTextWithInts(std::string_view text, std::string_view section,
                                std::span<const ProfileInt> values) {
    const std::vector<std::string_view> lines = SplitLines(text);
    const std::string eol(LineEnding(text));
    std::vector<std::optional<std::string>> replaced(lines.size());
    std::string missing;  // the lines of keys not there yet, each with its line ending
    for (const ProfileInt& value : values) {
        const Location where = Find(lines, section, value.key);
        if (where.keyLine) {
            replaced[*where.keyLine] = LineWithValue(lines[*where.keyLine], value.value);
        } else {
            missing += std::string(value.key) + "=" + std::to_string(value.value) + eol;
        }
    }
    const std::optional<size_t> header = Find(lines, section, {}).sectionLine;
    if (!header) {
        std::string out(text);
        if (!out.empty() && out.back() != '\n') out += eol;
        return out + "[" + std::string(section) + "]" + eol + missing;
    }
    const size_t last = LastLineOfSection(lines, *header);
    std::string out;
    out.reserve(text.size() + missing.size() + 16 * values.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        out += replaced[i] ? std::string_view(*replaced[i]) : lines[i];
        const bool hadBreak = i + 1 < lines.size() || text.back() == '\n';
        if (hadBreak) out += '\n';
        if (i == last && !missing.empty()) out += (hadBreak ? "" : eol) + missing;
    }
    return out;
}

bool ProfileTextHasSection(std::string_view text, std::string_view section) {
    return Find(SplitLines(text), section, {}).sectionLine.has_value();
}

int32_t ProfileTextGetInt(std::string_view text, std::string_view section, std::string_view key,
                          int32_t defaultValue) {
    const std::vector<std::string_view> lines = SplitLines(text);
    const Location where = Find(lines, section, key);
    if (!where.keyLine) return defaultValue;
    const std::string_view value = Unquote(SplitKeyValue(lines[*where.keyLine])->value);
    if (value.empty()) return defaultValue;
    return ParseProfileInt(value);
}

int32_t ProfileFileGetInt(const std::string& path, std::string_view section, std::string_view key,
                          int32_t defaultValue) {
    const auto text = ReadWholeFile(path);
    if (!text) return defaultValue;
    return ProfileTextGetInt(*text, section, key, defaultValue);
}

int32_t ProfileFileReader::GetInt(const char* key, int32_t defaultValue) {
    if (!loaded_) {  // one read serves all the keys
        text_ = ReadWholeFile(path_);
        loaded_ = true;
        // A file copied from Japanese Windows names the section in Shift-JIS: read that one
        // when there is no UTF-8 one.
        if (text_) section_ = SettingsSectionIn(*text_);
    }
    return text_ ? ProfileTextGetInt(*text_, section_, key, defaultValue) : defaultValue;
}
