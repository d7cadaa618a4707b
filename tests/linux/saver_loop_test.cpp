// The one loop against a scripted backend and idle source: which views get new pictures, when
// showings start and end, and what the exit status says.
#include "linux/saver_loop.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "animation/frame_step.h"

namespace {

struct FakeView final : SaverView {
    explicit FakeView(ScreenArea at) : area(at) {}
    ScreenArea Area() const override { return area; }
    int32_t Scale() const override { return 1; }
    bool Changed() const override { return changed; }
    Picture& PictureToStart() override { return picture; }
    void PictureStarted() override {
        changed = false;
        ++starts;
    }
    Canvas& Drawing() override { return canvas; }

    ScreenArea area;
    bool changed = true;
    int starts = 0;
    int steps = 0;
    Picture picture{};
    struct CountingCanvas final : Canvas {
        void CopyFromAtlas(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {}
    } canvas;
};

// Each showing's pumps run `script(showing, pump)`, which returns the events.
struct FakeBackend final : SaverBackend {
    bool Show(std::string&) override {
        ++shows;
        pumps = 0;
        return true;
    }
    void Hide() override { ++hides; }
    int Fd() const override { return -1; }
    BackendEvents Pump() override { return script(*this, shows, ++pumps); }
    int ViewCount() const override { return static_cast<int>(views.size()); }
    SaverView& View(int index) override { return *views[static_cast<size_t>(index)]; }
    void Present() override {}
    std::string GoneReason() const override { return {}; }

    std::vector<std::unique_ptr<FakeView>> views;
    std::function<BackendEvents(FakeBackend&, int, int)> script;
    int shows = 0, hides = 0, pumps = 0;
};

// Idle at the dispatches listed in `idleAt`.
struct FakeIdle final : IdleSource {
    int Fd() const override { return -1; }
    int64_t PollMilliseconds() const override { return 1; }
    bool Dispatch(std::string&) override {
        idle = ++dispatches == idleAt[0] || dispatches == idleAt[1];
        return true;
    }
    bool TakeIdle() override { return std::exchange(idle, false); }
    void Rearm() override { ++rearms; }
    bool StillIdle() const override { return idle; }

    int idleAt[2] = {2, 3};
    int dispatches = 0, rearms = 0;
    bool idle = false;
};

void MakeFast(Saver& saver, uint64_t ticks) {
    saver.options.speed = 6;  // the shortest ticks
    saver.options.count = 5;
    saver.options.soundSE = 1;
    saver.options.seed = 7;
    saver.options.ticks = ticks;
}

TEST(SaverLoop, EachViewStartsItsOwnPictureAgainWhenChanged) {
    Saver saver;
    MakeFast(saver, 6);
    FakeBackend backend;
    backend.views.push_back(std::make_unique<FakeView>(ScreenArea{0, 0, 640, 480}));
    backend.views.push_back(std::make_unique<FakeView>(ScreenArea{640, 0, 320, 200}));
    backend.script = [](FakeBackend& b, int, int pump) {
        if (pump == 3) b.views[1]->changed = true;  // say, its monitor shrank
        return BackendEvents{};
    };
    EndSignals signals;
    EXPECT_EQ(RunSaver(saver, backend, nullptr, signals), kExitOk);
    EXPECT_EQ(saver.ticks, 6u);
    EXPECT_EQ(backend.views[0]->starts, 1);
    EXPECT_EQ(backend.views[1]->starts, 2);
    const Stage& first = backend.views[0]->picture.population.stage;
    EXPECT_EQ(first.right, 640);
    EXPECT_EQ(first.count, 2);  // 480 / 195
    EXPECT_EQ(backend.views[1]->picture.population.stage.count, 1);
    // View i walks as a single stage seeded with seed + i.
    Picture expected{};
    StartPicture(expected, {640, 0, 320, 200}, 1, 5, saver.ReadSettings(200).eventOdds, 8);
    EXPECT_EQ(backend.views[1]->picture.population.walkers[0].y, expected.population.walkers[0].y);
}

TEST(SaverLoop, IdleTimeStartsShowingsAndInputRearmsTheSource) {
    Saver saver;
    MakeFast(saver, 4);
    FakeBackend backend;
    backend.views.push_back(std::make_unique<FakeView>(ScreenArea{0, 0, 640, 480}));
    // The first showing ends on input at its second pump, after one tick; the second runs
    // until --ticks.
    backend.script = [](FakeBackend&, int showing, int pump) {
        return BackendEvents{showing == 1 && pump == 2, false};
    };
    FakeIdle idle;
    EndSignals signals;
    EXPECT_EQ(RunSaver(saver, backend, &idle, signals), kExitOk);
    EXPECT_EQ(backend.shows, 2);
    EXPECT_EQ(backend.hides, 2);
    EXPECT_EQ(idle.rearms, 1);
    EXPECT_EQ(saver.ticks, 4u);
    EXPECT_EQ(backend.views[0]->starts, 1);  // the view was never changed
}

// A window taken away ends a single showing quietly (XScreenSaver does so), but is a failure
// for a saver that waits for idle time.
TEST(SaverLoop, AWindowGoneFailsOnlyASaverThatWaitsForIdleTime) {
    FakeBackend backend;
    backend.script = [](FakeBackend&, int, int) { return BackendEvents{false, true}; };
    EndSignals signals;
    Saver single;
    MakeFast(single, 0);
    EXPECT_EQ(RunSaver(single, backend, nullptr, signals), kExitOk);
    Saver waiting;
    MakeFast(waiting, 0);
    FakeIdle idle;
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunSaver(waiting, backend, &idle, signals), kExitFailure);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "tekuteku: the window went away\n");
}

}  // namespace
