#include "animation/walkers.h"

namespace {

constexpr int32_t kWalkCycle = 8;
constexpr int32_t kStandingFrame = 98;
constexpr int32_t kRightCycleStart = 0;
constexpr int32_t kLeftCycleStart = 207;
constexpr int32_t kRightRollFrame = 3;
constexpr int32_t kLeftRollFrame = 212;
constexpr int32_t kFallShift = 50;  // a left-walker's fall image sits this far left
// A walker's row lies at least kBandTop below her band's top, and a band's height less
// kBandRoom is the spread of rows she may take (negative on purpose in bands that are too low).
constexpr int32_t kBandTop = 19;
constexpr int32_t kBandRoom = 199;
// Scenes start only with the whole figure at least this far inside the drawing area.
constexpr int32_t kSceneMargin = 64;
// A walker turns into a new entry this far beyond the stage's edges.
constexpr int32_t kTurnMargin = 64;

bool FacesLeft(int32_t state) { return (state & 1) != 0; }

// A row inside walker `index`'s band. Bands under 199 pixels pass a negative bound on purpose.
// On a stage lower than the figure that rule would leave her off it in most ticks, so there the
// rows every image lights overlap her band as far as they can; one value is drawn either way.
int32_t RandomRow(WalkerPopulation& population, int index) {
    const int32_t band = population.stage.bottom / population.stage.count;
    if (population.stage.bottom >= kFigureHeight) {
        return RandomUpTo(population.random, band - kBandRoom) + index * band + kBandTop;
    }
    const int32_t lit = kAlwaysLitBottom - kAlwaysLitTop + 1;
    const int32_t highest = band < lit ? band - 1 - kAlwaysLitBottom : -kAlwaysLitTop;
    const int32_t spread = band < lit ? lit - band : band - lit;
    return RandomUpTo(population.random, spread) + highest + index * band;
}

void BeginSequence(Walker& walker, WalkerState state, int32_t firstFrame, int32_t length) {
    walker.state = state;
    walker.frame = firstFrame;
    walker.loopStart = firstFrame;
    walker.tick = 0;
    walker.stepX = 0;
    walker.sequenceLength = length;
}

// Scene variants come in threes; v picks the short (2), middle (1) or long (0) one.
struct Variant {
    int32_t rightFrame;
    int32_t leftFrame;
    int32_t length;
};

const Variant& PickVariant(WalkerPopulation& population, const Variant (&variants)[3]) {
    return variants[RandomUpTo(population.random, 2)];
}

constexpr Variant kFalls[3] = {{22, 46, 10}, {14, 38, 8}, {8, 32, 6}};
constexpr Variant kGetUps[3] = {{68, 89, 9}, {61, 82, 7}, {56, 77, 5}};
constexpr Variant kChanges[3] = {{142, 142, 29}, {117, 117, 25}, {98, 98, 19}};
constexpr Variant kDreams[3] = {{181, 199, 8}, {175, 193, 6}, {171, 189, 4}};

void StartFall(WalkerPopulation& population, Walker& walker) {
    const Variant& v = PickVariant(population, kFalls);
    if (walker.state == WalkLeft) {
        BeginSequence(walker, FallLeft, v.leftFrame, v.length);
        walker.x -= kFallShift;
    } else {
        BeginSequence(walker, FallRight, v.rightFrame, v.length);
    }
}

void StartGetUp(WalkerPopulation& population, Walker& walker) {
    const Variant& v = PickVariant(population, kGetUps);
    if (walker.state == FallLeft) {
        BeginSequence(walker, GetUpLeft, v.leftFrame, v.length);
    } else {
        BeginSequence(walker, GetUpRight, v.rightFrame, v.length);
    }
}

void StandAfterGetUp(Walker& walker) {
    if (walker.state == GetUpRight) {
        BeginSequence(walker, StandRight, kStandingFrame, 1);
    } else {
        BeginSequence(walker, StandLeft, kStandingFrame, 1);
        walker.x += kFallShift;
    }
}

void StartChange(WalkerPopulation& population, Walker& walker) {
    const Variant& v = PickVariant(population, kChanges);
    BeginSequence(walker, walker.state == WalkLeft ? ChangeLeft : ChangeRight, v.rightFrame,
                  v.length);
}

void StartPause(Walker& walker) {
    BeginSequence(walker, walker.state == WalkLeft ? PauseLeft : PauseRight, kStandingFrame, 1);
}

void StartDream(WalkerPopulation& population, Walker& walker) {
    const Variant& v = PickVariant(population, kDreams);
    if (walker.state == PauseLeft) {
        BeginSequence(walker, DreamLeft, v.leftFrame, v.length);
    } else {
        BeginSequence(walker, DreamRight, v.rightFrame, v.length);
        walker.x -= kDreamShiftX;
    }
    walker.y -= kDreamShiftY;
}

void StandAfterDream(Walker& walker) {
    if (walker.state == DreamRight) {
        BeginSequence(walker, StandRight, kStandingFrame, 1);
        walker.x += kDreamShiftX;
    } else {
        BeginSequence(walker, StandLeft, kStandingFrame, 1);
    }
    walker.y += kDreamShiftY;
}

// After a scene the walker picks up her walk at the second image, in the direction she had.
void WalkOn(Walker& walker) {
    if (FacesLeft(walker.state)) {
        walker.state = WalkLeft;
        walker.loopStart = kLeftCycleStart;
        walker.frame = kLeftCycleStart + 1;
        walker.stepX = -kWalkStep;
    } else {
        walker.state = WalkRight;
        walker.loopStart = kRightCycleStart;
        walker.frame = kRightCycleStart + 1;
        walker.stepX = kWalkStep;
    }
    walker.tick = 1;
    walker.sequenceLength = kWalkCycle;
}

void EnterFromLeft(const Stage& stage, Walker& walker, int32_t frame) {
    walker.state = WalkRight;
    walker.x = stage.left;
    walker.stepX = kWalkStep;
    walker.loopStart = kRightCycleStart;
    walker.frame = frame;
}

void EnterFromRight(const Stage& stage, Walker& walker, int32_t frame) {
    walker.state = WalkLeft;
    walker.x = stage.right;
    walker.stepX = -kWalkStep;
    walker.loopStart = kLeftCycleStart;
    walker.frame = frame;
}

CueSet EndSequence(WalkerPopulation& population, Walker& walker) {
    switch (walker.state) {
        case WalkRight:
        case WalkLeft:
            walker.tick = 0;
            walker.frame = walker.loopStart;
            return 0;
        case FallRight:
        case FallLeft:
            StartGetUp(population, walker);
            return CueBit(FallEndCue);
        case GetUpRight:
        case GetUpLeft:
            StandAfterGetUp(walker);
            return 0;
        case PauseRight:
        case PauseLeft:
            StartDream(population, walker);
            return CueBit(DreamStartCue);
        case DreamRight:
        case DreamLeft:
            StandAfterDream(walker);
            return 0;
        default:  // change and stand
            WalkOn(walker);
            return 0;
    }
}

}  // namespace

Stage MakeStage(int32_t areaLeft, int32_t areaTop, int32_t areaRight, int32_t areaBottom,
                int32_t count, int32_t eventOdds) {
    Stage stage{};
    stage.eventLeft = areaLeft + kSceneMargin;
    stage.left = areaLeft - kFigureWidth;
    stage.top = areaTop;
    stage.right = areaRight;
    stage.bottom = areaBottom;
    stage.eventRight = areaRight - kSceneMargin - kFigureWidth;
    stage.count = count < 0 ? 0 : (count > kMaxWalkers ? kMaxWalkers : count);
    stage.eventOdds = eventOdds;
    return stage;
}

void StartWalkers(WalkerPopulation& population, const Stage& stage, uint32_t seed) {
    population.stage = stage;
    SeedRandom(population.random, seed);
    for (int i = 0; i < stage.count; ++i) {
        Walker& walker = population.walkers[i];
        walker = Walker{};
        if (RandomUpTo(population.random, 9) <= 5) {
            EnterFromRight(stage, walker, 6);  // 6 and 3 are never drawn: tick 7 ends the cycle
        } else {
            EnterFromLeft(stage, walker, 3);
        }
        walker.y = RandomRow(population, i);
        walker.sequenceLength = kWalkCycle;
        walker.tick = 7;
        walker.drawnX = walker.x + 1;
        walker.drawnY = walker.y + 1;
    }
}

CueSet UpdateWalker(WalkerPopulation& population, int index) {
    const Stage& stage = population.stage;
    Walker& walker = population.walkers[index];

    walker.x += walker.stepX;
    if (!(stage.left - kTurnMargin < walker.x && walker.x < stage.right + kTurnMargin)) {
        if (walker.state == WalkLeft) {
            EnterFromLeft(stage, walker, kRightCycleStart);
        } else {
            EnterFromRight(stage, walker, kLeftCycleStart);
        }
        walker.tick = 0;
        walker.y = RandomRow(population, index);
        return 0;
    }

    const bool atRollFrame = walker.frame == kRightRollFrame || walker.frame == kLeftRollFrame;
    if (atRollFrame && stage.eventLeft < walker.x && walker.x < stage.eventRight) {
        switch (RandomUpTo(population.random, stage.eventOdds)) {
            case 0:
                return 0;  // hold this frame; the roll comes again next tick
            case 1:
                StartFall(population, walker);
                return CueBit(FallStartCue);
            case 2:
                StartChange(population, walker);
                return 0;
            case 3:
                StartPause(walker);
                return 0;
            default:
                break;
        }
    }

    ++walker.frame;
    ++walker.tick;
    if (walker.tick >= walker.sequenceLength) return EndSequence(population, walker);
    return 0;
}
