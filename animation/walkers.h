// The walkers: each copy of the girl walks in her own band and now and then stops for a scene.
// Nothing here draws; the frame step asks for one update per walker per tick.
#pragma once
#include <cstdint>

#include "animation/random.h"

enum WalkerState : int32_t {
    WalkRight = 0,
    WalkLeft = 1,
    FallRight = 2,
    FallLeft = 3,
    GetUpRight = 4,
    GetUpLeft = 5,
    ChangeRight = 6,
    ChangeLeft = 7,
    PauseRight = 8,
    PauseLeft = 9,
    DreamRight = 10,
    DreamLeft = 11,
    StandRight = 12,
    StandLeft = 13,
};

// The figure's measures that the walk, the scenes and the erasing share (the sizes of every
// state's image are in kStateSizeTable).
constexpr int32_t kWalkStep = 16;      // pixels a walker moves each tick
constexpr int32_t kFigureWidth = 128;  // a walking or standing image
constexpr int32_t kFigureHeight = 136;
constexpr int32_t kGetUpHeight = 168;  // a fall or get-up image, which reaches lower
constexpr int32_t kDreamShiftX = 32;   // a right-walker's day-dream image sits this far left
constexpr int32_t kDreamShiftY = 24;   // and every day-dream image this far up
// Every image of hers, scenes included, lights each of these rows below her y.
constexpr int32_t kAlwaysLitTop = 94;
constexpr int32_t kAlwaysLitBottom = 130;

// Sound cues a tick can raise, in order of priority (highest first).
enum SoundCue : int {
    FallEndCue = 0,
    DreamStartCue = 1,
    FallStartCue = 2,
};
constexpr int kSoundCueCount = 3;

// A set of raised cues, one bit per SoundCue.
using CueSet = unsigned;
constexpr CueSet CueBit(SoundCue cue) { return 1u << cue; }

struct Stage {
    int32_t left;  // 128 pixels left of the drawing area, so walkers enter from off screen
    int32_t top;
    int32_t right;
    int32_t bottom;
    int32_t eventLeft;  // scenes only start strictly between eventLeft and eventRight
    int32_t eventRight;
    int32_t count;      // walkers, 0..kMaxWalkers
    int32_t eventOdds;  // bound of the scene roll: 10, 25 or 35
};

struct Walker {
    int32_t x;
    int32_t y;
    int32_t drawnX;
    int32_t drawnY;
    int32_t stepX;
    int32_t frame;
    int32_t tick;
    int32_t sequenceLength;
    int32_t loopStart;
    WalkerState state;
};

constexpr int kMaxWalkers = 10;

// Everything the animation of one saver window owns; reset by value-initialising it.
struct WalkerPopulation {
    Stage stage{};
    Walker walkers[kMaxWalkers]{};
    RandomSource random{};
};

// The stage for a drawing area; the count is clamped to 0..kMaxWalkers so the bands
// always divide the screen among the walkers that really exist.
Stage MakeStage(int32_t areaLeft, int32_t areaTop, int32_t areaRight, int32_t areaBottom,
                int32_t count, int32_t eventOdds);

// Seeds the generator and places stage.count walkers.
void StartWalkers(WalkerPopulation& population, const Stage& stage, uint32_t seed);
inline void StartWalkersFromClock(WalkerPopulation& population, const Stage& stage) {
    StartWalkers(population, stage, ClockSeed());
}

// Advances walker `index` by one tick and returns the cues it raised.
CueSet UpdateWalker(WalkerPopulation& population, int index);
