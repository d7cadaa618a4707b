// The settings store over the Windows profile functions and the string resources.
#include <gtest/gtest.h>

#include "settings/win32/profile_win32.h"
#include "tests/windows/settings/settings_test_support.h"

namespace {

class ProfileWin32Test : public testing::Test {
protected:
    void SetUp() override { RemoveProfileFile(); }
    void TearDown() override { RemoveProfileFile(); }
};

TEST_F(ProfileWin32Test, LocationComesFromTheStringResourcesInCodePage932) {
    ProfileLocation location;
    LoadProfileLocation(location);
    EXPECT_EQ(std::string(location.file), "control.ini");
    EXPECT_EQ(std::string(location.section), SectionBytes());
    EXPECT_EQ(std::string(location.section).size(), 13u + 16u);  // eight double-byte characters
}

TEST_F(ProfileWin32Test, MissingFileGivesTheSaverDefaults) {
    const SaverSettings settings = ReadSaverSettings();
    EXPECT_EQ(settings.timerInterval, 165u);
    EXPECT_EQ(settings.walkerCount, 1);
    EXPECT_EQ(settings.eventOdds, 25);
    EXPECT_EQ(settings.soundOff, 1);
}

TEST_F(ProfileWin32Test, StoredValuesAreReadAndBoundedForThisScreen) {
    WriteProfileFile(SettingsFile("Speed=-3\r\nCharactors=12\r\nEvent=7\r\nSE=0\r\n"));
    const SaverSettings low = ReadSaverSettings();
    EXPECT_EQ(low.timerInterval, 200u);  // a negative stored value survives the UINT return
    EXPECT_EQ(low.walkerCount, GetSystemMetrics(SM_CYSCREEN) / 195);
    EXPECT_EQ(low.eventOdds, 35);
    EXPECT_EQ(low.soundOff, 0);

    WriteProfileFile(SettingsFile("Speed=9\r\nCharactors=0\r\nEvent=-1\r\nSE=2\r\n"));
    const SaverSettings high = ReadSaverSettings();
    EXPECT_EQ(high.timerInterval, 1u);
    EXPECT_EQ(high.walkerCount, 1);
    EXPECT_EQ(high.eventOdds, 10);
    EXPECT_EQ(high.soundOff, 2);  // any nonzero value means off; the sound set-up decides
}

TEST_F(ProfileWin32Test, OtherSectionsAndMisspeltKeysAreIgnored) {
    WriteProfileFile("[Screen Saver.Other]\r\nSpeed=6\r\n" +
                     SettingsFile("Characters=3\r\nspeed=3\r\n"));
    const SaverSettings settings = ReadSaverSettings();
    EXPECT_EQ(settings.timerInterval, 90u);  // key names match case-insensitively
    EXPECT_EQ(settings.walkerCount, 1);      // "Characters" is not the stored key
}

TEST_F(ProfileWin32Test, WritesAllFourKeysInOrderAsDecimal) {
    ProfileLocation location;
    LoadProfileLocation(location);
    WriteDialogSettings(location, 6, 3, 0, 1);
    EXPECT_EQ(ReadProfileFile(), SettingsFile("Speed=6\r\nCharactors=3\r\nEvent=0\r\nSE=1\r\n"));

    // Rewriting keeps the keys where they are and leaves other sections alone.
    WriteProfileFile("[other]\r\nx=1\r\n" + SettingsFile("SE=0\r\nSpeed=2\r\n"));
    WriteDialogSettings(location, 0, 9, 2, 0);
    EXPECT_EQ(
        ReadProfileFile(),
        "[other]\r\nx=1\r\n" + SettingsFile("SE=0\r\nSpeed=0\r\nCharactors=9\r\nEvent=2\r\n"));
}

}  // namespace
