#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "settings/profile_file.h"
#include "settings/profile_writer.h"

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

namespace {

const ProfileInt kFour[] = {{"Speed", 4}, {"Charactors", 3}, {"Event", 0}, {"SE", 1}};

std::string Written(std::string_view text, const char* section = kSection) {
    return ProfileTextWithInts(text, section, kFour);
}

}  // namespace

// Keys already there change only their value; the rest of every line stays, line endings and
// all; missing keys follow the section's last line; a missing section comes at the end.
TEST(ProfileWrite, ChangesOnlyTheValues) {
    const std::string other = "; comment\r\n[Other]\r\nSpeed=9\r\n\r\n";
    EXPECT_EQ(
        Written(other +
                "[screen saver.てくてくポルッカ]\r\n speed = \"2\" \r\nSE=0\r\n\r\n[Last]\r\nx=1"),
        other +
            "[screen saver.てくてくポルッカ]\r\n speed = 4\r\nSE=1\r\n"
            "Charactors=3\r\nEvent=0\r\n\r\n[Last]\r\nx=1");
    EXPECT_EQ(Written("[Other]\nx=1"), std::string("[Other]\nx=1\n[") + kSection +
                                           "]\nSpeed=4\nCharactors=3\nEvent=0\nSE=1\n");
    EXPECT_EQ(Written(""),
              std::string("[") + kSection + "]\nSpeed=4\nCharactors=3\nEvent=0\nSE=1\n");
    // Only the first section of the name is read, so only it is written.
    const std::string twice =
        std::string("\xEF\xBB\xBF[") + kSection + "]\nSE=0\n[" + kSection + "]\nSE=0\n";
    EXPECT_EQ(Written(twice), std::string("\xEF\xBB\xBF[") + kSection +
                                  "]\nSE=1\nSpeed=4\nCharactors=3\nEvent=0\n[" + kSection +
                                  "]\nSE=0\n");
}

// A file from Japanese Windows stays Shift-JIS: its section, or a new one in Shift-JIS.
TEST(ProfileWrite, KeepsTheEncoding) {
    const std::string sjisComment = "; \x83\x7C\x83\x8B\r\n";
    EXPECT_EQ(SettingsSectionIn(sjisComment), std::string(kSettingsSectionShiftJis));
    EXPECT_EQ(SettingsSectionIn("; ポルッカ\n"), std::string(kSettingsSection));
    const std::string sjisSection =
        std::string("[") + kSettingsSectionShiftJis + "]\r\nSpeed=1\r\n";
    EXPECT_EQ(SettingsSectionIn("[" + std::string(kSection) + "]\n" + sjisSection),
              std::string(kSettingsSection));
    EXPECT_EQ(Written(sjisSection, SettingsSectionIn(sjisSection)),
              std::string("[") + kSettingsSectionShiftJis +
                  "]\r\nSpeed=4\r\nCharactors=3\r\nEvent=0\r\nSE=1\r\n");
}

TEST(ProfileWrite, WritesAFileThroughANewFolderAndKeepsItsMode) {
    const std::string folder = testing::TempDir() + "tekuteku_write_folder";
    std::filesystem::remove_all(folder);
    const std::string path = folder + "/a/b/control.ini";
    ASSERT_TRUE(WriteProfileInts(path, kFour).ok());
    EXPECT_EQ(ProfileFileReader(path).GetInt("Charactors", 1), 3);
    std::ofstream(path, std::ios::binary) << "[Other]\r\nx=1\r\n";
    chmod(path.c_str(), 0640);
    ASSERT_TRUE(WriteProfileInts(path, kFour).ok());
    struct stat st {};
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ProfileFileReader(path).GetInt("SE", 0), 1);
    // A link stays a link to the file it names.
    const std::string link = folder + "/link.ini";
    std::filesystem::create_symlink(path, link);
    const ProfileInt slow[] = {{"Speed", 0}};
    ASSERT_TRUE(WriteProfileInts(link, slow).ok());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ProfileFileGetInt(path, kSection, "Speed", 9), 0);
    EXPECT_EQ(std::filesystem::directory_iterator(folder + "/a/b")->path(), path);  // no leftovers
    std::filesystem::remove_all(folder);
}

// What cannot be written over is left as it is, and the writer says why, without waiting on a
// FIFO; the reader gives the defaults for a FIFO instead of waiting too.
TEST(ProfileWrite, RefusesWhatItCannotWriteOver) {
    TempFile file;
    file.Write("[Other]\nx=1\n");
    chmod(file.path().c_str(), 0444);
    EXPECT_EQ(WriteProfileInts(file.path(), kFour).error, ProfileWriteError::ReadOnly);
    chmod(file.path().c_str(), 0644);
    file.Write(std::string(kMaxProfileBytes + 1, '#'));
    EXPECT_EQ(WriteProfileInts(file.path(), kFour).error, ProfileWriteError::Unreadable);
    EXPECT_EQ(std::filesystem::file_size(file.path()), kMaxProfileBytes + 1);
    std::remove(file.path().c_str());
    ASSERT_EQ(mkfifo(file.path().c_str(), 0600), 0);
    EXPECT_EQ(WriteProfileInts(file.path(), kFour).error, ProfileWriteError::NotRegularFile);
    EXPECT_EQ(ProfileFileReader(file.path()).GetInt("Speed", 7), 7);
    EXPECT_TRUE(std::filesystem::is_fifo(file.path()));
    std::remove(file.path().c_str());
    std::filesystem::create_directory(file.path());
    EXPECT_EQ(WriteProfileInts(file.path(), kFour).error, ProfileWriteError::NotRegularFile);
    std::filesystem::remove(file.path());
}
