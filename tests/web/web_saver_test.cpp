// The browser side of the saver, natively: its copies must draw what the core draws everywhere
// else, and it must leave the sound decisions to the core.
#include "web/web_saver.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "animation/atlas_image.h"
#include "animation/frame_step.h"
#include "resources/assets.h"

namespace {

struct RunSpec {
    int32_t width, height;
    WebSettings settings;
    uint32_t seed;
};

// What every other system draws for the same run: the render tool's set-up.
struct ReferenceRun {
    Surface atlas, screen;
    WalkerPopulation population{};
    SoftwareCanvas canvas{screen, atlas};
    explicit ReferenceRun(const RunSpec& run, int32_t count, int32_t odds)
        : screen(run.width, run.height) {
        EXPECT_TRUE(DecodeBitmapToSurface(kSheetBmp, kSheetBmpSize, atlas, nullptr));
        StartWalkers(population, MakeStage(0, 0, run.width, run.height, count, odds), run.seed);
    }
    int Step() {
        NullSoundPlatform silent;
        const std::optional<SoundCue> cue =
            RunFrameStep(population, canvas, SoundEffects{}, silent);
        return cue ? *cue : WebSoundPlatform::kNoRequest;
    }
};

std::vector<uint8_t> ToRgba(const Surface& s) {
    std::vector<uint8_t> rgba;
    for (uint32_t p : s.pixels)
        rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255});
    return rgba;
}

// What the page does with a step's copies: each made from the sheet onto the canvas, in order.
void MakeCopies(const WebSaver& saver, Surface& canvas) {
    const Surface& sheet = saver.Atlas();
    for (const ClippedCopy& c : saver.Copies()) {
        for (int32_t row = 0; row < c.height; ++row) {
            const uint32_t* from =
                &sheet.pixels[static_cast<size_t>(c.srcY + row) * sheet.width + c.srcX];
            std::copy(from, from + c.width, &canvas.At(c.dstX, c.dstY + row));
        }
    }
}

class WebSaverTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(saver.LoadSheet(kSheetBmp, kSheetBmpSize, nullptr)); }
    WebSaver saver;
};

TEST_F(WebSaverTest, ItsCopiesDrawWhatTheCoreDraws) {
    const RunSpec run{800, 600, {6, 3, 0, 1}, 7};
    ReferenceRun reference(run, 3, kEventTable[0]);
    saver.Start(run.width, run.height, run.settings, run.seed, false);
    Surface canvas(run.width, run.height);
    std::fill(canvas.pixels.begin(), canvas.pixels.end(), kOpaqueBlackRgba);
    for (int tick = 1; tick <= 900; ++tick) {
        saver.Step();
        reference.Step();
        MakeCopies(saver, canvas);
        if (tick > 300 && tick % 7 != 0) continue;
        const std::vector<uint8_t> expected = ToRgba(reference.screen);
        const auto* shown = reinterpret_cast<const uint8_t*>(canvas.pixels.data());
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), shown)) << "tick " << tick;
    }
}

TEST_F(WebSaverTest, EachStepListsOnlyItsOwnCopiesInsideScreenAndSheet) {
    saver.Start(640, 400, {1, 2, 1, 1}, 1, false);
    EXPECT_TRUE(saver.Copies().empty()) << "nothing copied before the first step";
    size_t total = 0;
    for (int tick = 0; tick < 200; ++tick) {
        saver.Step();
        const auto& copies = saver.Copies();
        total += copies.size();
        EXPECT_LE(copies.size(), 3u * 2)
            << "at most two erases and a figure per walker: this step's only";
        for (const ClippedCopy& c : copies) {
            EXPECT_GE(c.dstX, 0);
            EXPECT_GE(c.dstY, 0);
            EXPECT_LE(c.dstX + c.width, 640);
            EXPECT_LE(c.dstY + c.height, 400);
            EXPECT_GE(c.srcX, 0);
            EXPECT_GE(c.srcY, 0);
            EXPECT_LE(c.srcX + c.width, saver.Atlas().width);
            EXPECT_LE(c.srcY + c.height, saver.Atlas().height);
            EXPECT_LE(c.width * c.height, 176 * 168) << "a walker's copy, not more";
        }
    }
    EXPECT_GT(total, 0u) << "the walkers came on screen";
}

TEST(RgbaOrderTest, ConvertsEachPixelToCanvasBytes) {
    Surface s(3, 1);
    s.pixels = {0x112233, 0x000000, 0xFFFFFF};
    ConvertToRgbaOrder(s);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(s.pixels.data());
    const std::vector<uint8_t> expected = {0x11, 0x22, 0x33, 255, 0, 0, 0, 255, 255, 255, 255, 255};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes));
}

TEST_F(WebSaverTest, SettingsAreBoundedByTheCoreForTheScreen) {
    saver.Start(800, 600, {9, 7, 2, 1}, 1, false);  // speed above the table, 7 walkers on 600 px
    EXPECT_EQ(saver.Settings().walkerCount, 3);
    EXPECT_EQ(saver.TickInterval(), 10u) << "speed 6's 1 ms with the 10 ms floor";
    EXPECT_EQ(saver.Settings().eventOdds, 35);
    saver.Start(800, 600, {0, 0, 1, 1}, 1, false);
    EXPECT_EQ(saver.Settings().walkerCount, 1);
    EXPECT_EQ(saver.TickInterval(), 200u);
}

// Requests, tick by tick, for a run with frequent scenes.
std::vector<int> Requests(WebSaver& saver, int se, bool audio, int ticks) {
    saver.Start(800, 600, {6, 3, 0, se}, 7, audio);
    std::vector<int> requests;
    for (int i = 0; i < ticks; ++i) requests.push_back(saver.Step());
    return requests;
}

TEST_F(WebSaverTest, PlaysTheCoresCueOnlyWithSoundOnAndAudioThere) {
    const int ticks = 600;
    ReferenceRun reference(RunSpec{800, 600, {}, 7}, 3, kEventTable[0]);
    std::vector<int> cues;
    for (int i = 0; i < ticks; ++i) cues.push_back(reference.Step());
    ASSERT_GT(std::count_if(cues.begin(), cues.end(), [](int c) { return c >= 0; }), 2)
        << "the run has scenes";

    EXPECT_EQ(Requests(saver, 0, true, ticks), cues) << "each step's one cue, as the core chose it";
    EXPECT_TRUE(saver.SoundOn());
    const std::vector<int> none(ticks, WebSoundPlatform::kNoRequest);
    EXPECT_EQ(Requests(saver, 1, true, ticks), none) << "sound switched off";
    EXPECT_EQ(Requests(saver, 2, true, ticks), none) << "any value but 0 is off";
    EXPECT_EQ(Requests(saver, 0, false, ticks), none) << "no audio in this browser";
    EXPECT_FALSE(saver.SoundOn());
}

TEST(WebSoundPlatformTest, RequestsEachCueOnceAndOnlyWithAudio) {
    WebSoundPlatform platform;
    EXPECT_FALSE(platform.OpenDevice());
    platform.SetAudioAvailable(true);
    EXPECT_TRUE(platform.OpenDevice());
    for (SoundCue cue : {FallEndCue, DreamStartCue, FallStartCue}) {
        platform.Play(cue);
        EXPECT_EQ(platform.TakeRequest(), cue);
        EXPECT_EQ(platform.TakeRequest(), WebSoundPlatform::kNoRequest) << "taken once";
    }
}

}  // namespace
