#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "settings/profile_file.h"

namespace {

constexpr const char* kSection = "Screen Saver.てくてくポルッカ";

int32_t Get(std::string_view text, std::string_view key, int32_t def = -77) {
    return ProfileTextGetInt(text, kSection, key, def);
}

std::string WithValue(const std::string& value) {
    return std::string("[Screen Saver.てくてくポルッカ]\nSpeed=") + value + "\n";
}

class TempFile {
public:
    TempFile() {
        path_ = testing::TempDir() + "tekuteku_profile_" +
                testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
        std::remove(path_.c_str());
    }
    ~TempFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }
    void Write(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }

private:
    std::string path_;
};

}  // namespace

TEST(ProfileRead, ValuesReadAsSignAndLeadingDigits) {
    EXPECT_EQ(Get(WithValue("5"), "Speed"), 5);
    EXPECT_EQ(Get(WithValue("+7"), "Speed"), 7);
    EXPECT_EQ(Get(WithValue("-3"), "Speed"), -3);
    EXPECT_EQ(Get(WithValue(" 3"), "Speed"), 3);
    EXPECT_EQ(Get(WithValue("3abc"), "Speed"), 3);
    EXPECT_EQ(Get(WithValue("-"), "Speed"), 0);
    EXPECT_EQ(Get(WithValue("abc"), "Speed"), 0);
    EXPECT_EQ(Get(WithValue("0x10"), "Speed"), 0);
    EXPECT_EQ(Get(WithValue("\"4\""), "Speed"), 4);
    EXPECT_EQ(Get(WithValue("99999999999"), "Speed"),
              static_cast<int32_t>(99999999999LL & 0xFFFFFFFF));
    EXPECT_EQ(Get(WithValue(""), "Speed"), -77);  // an empty value counts as missing
    EXPECT_EQ(Get(WithValue("4\r"), "Speed"), 4);
}

TEST(ProfileRead, MissingPiecesGiveTheDefault) {
    EXPECT_EQ(Get("", "Speed"), -77);
    EXPECT_EQ(Get("[Other]\nSpeed=3\n", "Speed"), -77);
    EXPECT_EQ(Get(WithValue("3"), "SE"), -77);
    EXPECT_EQ(Get("Speed=3\n", "Speed"), -77);  // a key before any section belongs to none
    EXPECT_EQ(ProfileFileGetInt("/nonexistent/dir/control.ini", kSection, "Speed", 9), 9);
}

TEST(ProfileRead, NamesMatchWithoutCaseAndFirstOccurrenceWins) {
    const std::string text =
        "[screen saver.てくてくポルッカ]\r\n  speed = 2 \r\nSPEED=5\r\n"
        "[Screen Saver.てくてくポルッカ]\r\nSpeed=6\r\nSE=0\r\n";
    EXPECT_EQ(Get(text, "Speed"), 2);
    EXPECT_EQ(Get(text, "sPeEd"), 2);
    EXPECT_EQ(Get(text, "SE"), -77);  // only the first section of the name is read
}

TEST(ProfileRead, DamagedTextNeverCrashes) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
    EXPECT_EQ(Get(binary, "Speed"), -77);
    const std::string longLine =
        "[" + std::string(1 << 20, 'x') + "\nSpeed=" + std::string(1 << 20, '9');
    EXPECT_EQ(Get(longLine, "Speed"), -77);
    const char withNul[] = "[Screen Saver.てくてくポルッカ]\nSp\0eed=1\nSpeed=4";
    EXPECT_EQ(Get(std::string(withNul, sizeof withNul - 1), "Speed"), 4);
    EXPECT_EQ(Get("[", "Speed"), -77);
    EXPECT_EQ(Get("[]=\n=\n[Screen Saver.てくてくポルッカ\nSpeed=1", "Speed"), -77);
}

TEST(ProfileFile, HugeFilesAreIgnored) {
    TempFile file;
    file.Write(WithValue("3") + std::string(kMaxProfileBytes, '#'));
    EXPECT_EQ(ProfileFileGetInt(file.path(), kSection, "Speed", 1), 1);
}

// control.ini copied from Windows: a byte-order mark before the section, or the section named in
// Shift-JIS; a UTF-8 section wins over a Shift-JIS one.
TEST(ProfileFile, ReaderFindsTheSectionWithAByteOrderMarkOrInShiftJis) {
    TempFile file;
    file.Write("\xEF\xBB\xBF[Screen Saver.てくてくポルッカ]\r\nSpeed=5\r\n");
    EXPECT_EQ(ProfileFileReader(file.path()).GetInt("Speed", 1), 5);

    const std::string shiftJis =
        std::string("[") + kSettingsSectionShiftJis + "]\r\nCharactors=4\r\n";
    file.Write(shiftJis);
    EXPECT_EQ(ProfileFileReader(file.path()).GetInt("Charactors", 1), 4);
    file.Write(shiftJis + "[Screen Saver.てくてくポルッカ]\nCharactors=2\n");
    EXPECT_EQ(ProfileFileReader(file.path()).GetInt("Charactors", 1), 2);
    file.Write("[Screen Saver.other]\nCharactors=9\n");
    EXPECT_EQ(ProfileFileReader(file.path()).GetInt("Charactors", 1), 1);
}
