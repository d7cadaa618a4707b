#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace {

class FakeProfile final : public ProfileReader {
public:
    std::map<std::string, int32_t> stored;
    std::vector<std::string> asked;
    int32_t GetInt(const char* key, int32_t defaultValue) override {
        asked.push_back(key);
        const auto found = stored.find(key);
        return found == stored.end() ? defaultValue : found->second;
    }
};

SaverSettings Read(std::map<std::string, int32_t> stored, int32_t screenHeight = 768) {
    FakeProfile profile;
    profile.stored = std::move(stored);
    return ReadSaverSettings(profile, screenHeight);
}

}  // namespace

TEST(SaverSettings, DefaultsWhenNothingIsStored) {
    FakeProfile profile;
    const SaverSettings s = ReadSaverSettings(profile, 768);
    EXPECT_EQ(s.timerInterval, 165u);
    EXPECT_EQ(s.walkerCount, 1);
    EXPECT_EQ(s.eventOdds, 25);
    EXPECT_EQ(s.soundOff, 1);
    EXPECT_EQ(profile.asked, (std::vector<std::string>{"Speed", "Charactors", "Event", "SE"}));
}

TEST(SaverSettings, SpeedAndEventAreClampedIntoTheirTables) {
    EXPECT_EQ(Read({{"Speed", 9}}).timerInterval, 1u);
    EXPECT_EQ(Read({{"Speed", -3}}).timerInterval, 200u);
    const uint32_t intervals[] = {200, 165, 130, 90, 65, 40, 1};
    for (int level = 0; level < 7; ++level) {
        EXPECT_EQ(Read({{"Speed", level}}).timerInterval, intervals[level]);
    }
    EXPECT_EQ(Read({{"Event", -1}}).eventOdds, 10);
    EXPECT_EQ(Read({{"Event", 0}}).eventOdds, 10);
    EXPECT_EQ(Read({{"Event", 2}}).eventOdds, 35);
    EXPECT_EQ(Read({{"Event", 7}}).eventOdds, 35);
}

TEST(SaverSettings, CountIsBoundedByTheScreenHeightOnly) {
    EXPECT_EQ(Read({{"Charactors", 0}}).walkerCount, 1);
    EXPECT_EQ(Read({{"Charactors", -5}}).walkerCount, 1);
    EXPECT_EQ(Read({{"Charactors", 12}}, 768).walkerCount, 3);
    EXPECT_EQ(Read({{"Charactors", 12}}, 2000).walkerCount, 10);  // no bound of 9 here
    EXPECT_EQ(Read({{"Charactors", 2}}, 768).walkerCount, 2);
}

TEST(SaverSettings, ScreenLowerThanOneBandStillGetsOneWalker) {
    EXPECT_EQ(Read({}, 190).walkerCount, 1);
    EXPECT_EQ(Read({{"Charactors", 4}}, 194).walkerCount, 1);
    EXPECT_EQ(Read({{"Charactors", 4}}, 0).walkerCount, 1);
    EXPECT_EQ(Read({{"Charactors", 4}}, 190).storedCount, 4);
    EXPECT_EQ(Read({{"Charactors", 0}}, 190).walkerCount, 1);
    EXPECT_EQ(Read({{"Charactors", -1}}, 190).walkerCount, 1);
}

TEST(SaverSettings, StoredSoundValueIsPassedOnForTheSoundSetUp) {
    EXPECT_EQ(Read({{"SE", 0}}).soundOff, 0);
    EXPECT_EQ(Read({{"SE", 2}}).soundOff, 2);  // nonzero: the sound set-up turns it off
}

TEST(SaverSettings, TickFloorOnlyRaisesIntervalsBelowTenMilliseconds) {
    // Only the fastest level is below the floor; every other level keeps its own interval.
    for (uint32_t interval : kSpeedTable) {
        const uint32_t expected = interval == 1 ? 10u : interval;
        EXPECT_EQ(TickIntervalWithFloor(interval), expected) << interval;
    }
    EXPECT_EQ(TickIntervalWithFloor(0), 10u);
    EXPECT_EQ(TickIntervalWithFloor(10), 10u);
    EXPECT_EQ(TickIntervalWithFloor(11), 11u);
}

// The settings dialogs show their own defaults, each value in its range, and offer as many
// walkers as the screen holds, at most 9.
TEST(DialogSettings, DefaultsRangesAndTheCountLimit) {
    EXPECT_EQ(DialogCountLimit(768), 3);
    EXPECT_EQ(DialogCountLimit(4000), kDialogCountCap);
    FakeProfile nothing;
    const DialogSettings shown = ReadDialogSettings(nothing, 3);
    EXPECT_EQ(shown.speed, 4);
    EXPECT_EQ(shown.count, 1);
    EXPECT_EQ(shown.event, 1);
    EXPECT_EQ(shown.soundOff, kSoundOffValue);
    FakeProfile wild;
    wild.stored = {{"Speed", 70}, {"Charactors", 9}, {"Event", -2}, {"SE", 5}};
    const DialogSettings clamped = ReadDialogSettings(wild, 3);
    EXPECT_EQ(clamped.speed, 6);
    EXPECT_EQ(clamped.count, 3);
    EXPECT_EQ(clamped.event, 0);
    EXPECT_EQ(clamped.soundOff, kSoundOffValue);
}

// The rules themselves, at their edges, in plain numbers: a changed constant shows here first.
TEST(Rules, OneWalkerPer195PixelsOfHeightAndAlwaysOne) {
    EXPECT_EQ(ScreenCountLimit(194), 0);
    EXPECT_EQ(ScreenCountLimit(195), 1);
    EXPECT_EQ(ScreenCountLimit(390), 2);
    EXPECT_EQ(BoundedWalkerCount(2, 389), 1);
    EXPECT_EQ(BoundedWalkerCount(2, 390), 2);
    EXPECT_EQ(BoundedWalkerCount(0, 390), 1);
    EXPECT_EQ(BoundedWalkerCount(3, -5), 1);
}

TEST(Rules, PointerMayMoveFourPixelsAcrossPlusDown) {
    EXPECT_FALSE(MovedTooFar(100, 100, 104, 100));
    EXPECT_FALSE(MovedTooFar(100, 100, 98, 102));
    EXPECT_TRUE(MovedTooFar(100, 100, 105, 100));
    EXPECT_TRUE(MovedTooFar(100, 100, 97, 102));
    // Distances as far apart as coordinates go never wrap round to "still".
    EXPECT_TRUE(MovedTooFar(INT32_MIN, 0, INT32_MAX, 1));
    EXPECT_TRUE(MovedTooFar(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN));
}
