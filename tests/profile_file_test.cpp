#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
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
    std::string Read() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

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
    EXPECT_EQ(Get(WithValue("99999999999"), "Speed"), static_cast<int32_t>(99999999999LL & 0xFFFFFFFF));
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
    const std::string longLine = "[" + std::string(1 << 20, 'x') + "\nSpeed=" + std::string(1 << 20, '9');
    EXPECT_EQ(Get(longLine, "Speed"), -77);
    const char withNul[] = "[Screen Saver.てくてくポルッカ]\nSp\0eed=1\nSpeed=4";
    EXPECT_EQ(Get(std::string(withNul, sizeof withNul - 1), "Speed"), 4);
    EXPECT_EQ(Get("[", "Speed"), -77);
    EXPECT_EQ(Get("[]=\n=\n[Screen Saver.てくてくポルッカ\nSpeed=1", "Speed"), -77);
}

TEST(ProfileFile, HugeFilesAreIgnoredAndNeverOverwritten) {
    TempFile file;
    const std::string huge = WithValue("3") + std::string(kMaxProfileBytes, '#');
    file.Write(huge);
    EXPECT_EQ(ProfileFileGetInt(file.path(), kSection, "Speed", 1), 1);
    EXPECT_FALSE(ProfileFileSetString(file.path(), kSection, "Speed", "5"));
    EXPECT_EQ(file.Read().size(), huge.size());
}

TEST(ProfileWrite, ReplacesOneLineAndKeepsEveryOtherLine) {
    const std::string text =
        "; my settings\r\n[Other]\r\nSpeed=1\r\n\r\n[Screen Saver.てくてくポルッカ]\r\n"
        "Speed=2\r\nCharactors=3\r\n\r\n[Last]\r\nx=y";
    const std::string updated = ProfileTextSetString(text, kSection, "Speed", "6");
    EXPECT_EQ(updated,
              "; my settings\r\n[Other]\r\nSpeed=1\r\n\r\n[Screen Saver.てくてくポルッカ]\r\n"
              "Speed=6\r\nCharactors=3\r\n\r\n[Last]\r\nx=y");
}

TEST(ProfileWrite, AddsMissingKeysAndSections) {
    const std::string text = "[Screen Saver.てくてくポルッカ]\nSpeed=2\n\n[Last]\nx=y\n";
    const std::string withKey = ProfileTextSetString(text, kSection, "SE", "0");
    EXPECT_EQ(withKey, "[Screen Saver.てくてくポルッカ]\nSpeed=2\nSE=0\n\n[Last]\nx=y\n");
    EXPECT_EQ(Get(withKey, "SE"), 0);

    const std::string fresh = ProfileTextSetString("", kSection, "Speed", "4");
    EXPECT_EQ(fresh, "[Screen Saver.てくてくポルッカ]\nSpeed=4\n");
    const std::string noNewline = ProfileTextSetString("[a]\nb=c", kSection, "Event", "1");
    EXPECT_EQ(noNewline, "[a]\nb=c\n[Screen Saver.てくてくポルッカ]\nEvent=1\n");
    const std::string sectionAtEnd = ProfileTextSetString("[Screen Saver.てくてくポルッカ]", kSection, "SE", "1");
    EXPECT_EQ(Get(sectionAtEnd, "SE"), 1);
}

TEST(ProfileFile, WriteThenReadRoundTripsAllFourKeys) {
    TempFile file;
    file.Write("[Keep]\nthis=that\n");
    const char* keys[] = {"Speed", "Charactors", "Event", "SE"};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(ProfileFileSetString(file.path(), kSection, keys[i], std::to_string(i + 1)));
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ProfileFileGetInt(file.path(), kSection, keys[i], 0), i + 1);
    EXPECT_EQ(file.Read().rfind("[Keep]\nthis=that\n", 0), 0u);
    ProfileFileReader reader(file.path());
    EXPECT_EQ(reader.GetInt("Charactors", 0), 2);
}

TEST(ProfileFile, UnwritablePlaceReportsFailure) {
    EXPECT_FALSE(ProfileFileSetString("/nonexistent/dir/control.ini", kSection, "Speed", "1"));
}

// control.ini copied from Windows: a byte-order mark before the section, or the section named in
// Shift-JIS; a UTF-8 section wins over a Shift-JIS one. Writing keeps the mark and the section.
TEST(ProfileFile, ReaderFindsTheSectionWithAByteOrderMarkOrInShiftJis) {
    TempFile file;
    file.Write("\xEF\xBB\xBF[Screen Saver.てくてくポルッカ]\r\nSpeed=5\r\n");
    EXPECT_EQ(ProfileFileReader(file.path()).GetInt("Speed", 1), 5);
    ASSERT_TRUE(ProfileFileSetString(file.path(), kSection, "SE", "0"));
    EXPECT_EQ(file.Read(), "\xEF\xBB\xBF[Screen Saver.てくてくポルッカ]\r\nSpeed=5\r\nSE=0\r\n");

    const std::string shiftJis = std::string("[") + kSettingsSectionShiftJis + "]\r\nCharactors=4\r\n";
    file.Write(shiftJis);
    EXPECT_EQ(ProfileFileReader(file.path()).GetInt("Charactors", 1), 4);
    file.Write(shiftJis + "[Screen Saver.てくてくポルッカ]\nCharactors=2\n");
    EXPECT_EQ(ProfileFileReader(file.path()).GetInt("Charactors", 1), 2);
    file.Write("[Screen Saver.other]\nCharactors=9\n");
    EXPECT_EQ(ProfileFileReader(file.path()).GetInt("Charactors", 1), 1);
}
