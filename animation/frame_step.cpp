#include "animation/frame_step.h"

#include "animation/atlas_tables.h"

namespace {

static_assert(kStateSizeTable.stateWidth[StandRight] == kFigureWidth &&
              kStateSizeTable.stateHeight[StandRight] == kFigureHeight &&
              kStateSizeTable.stateHeight[GetUpRight] == kGetUpHeight);

// Copies black from the atlas's background patch: every erase is a small rectangle copy.
void ErasePatch(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h) {
    canvas.CopyFromAtlas(x, y, w, h, kBackgroundPatch.x, kBackgroundPatch.y);
}

// Wipes the strips of the previous image that the new one does not cover. Scene images
// erase nothing: the sheet keeps those leftovers black.
void EraseUncovered(Canvas& canvas, const Walker& w, int32_t height) {
    switch (w.state) {
        case WalkRight:
            ErasePatch(canvas, w.drawnX, w.drawnY, kWalkStep, height);
            break;
        case WalkLeft:
            ErasePatch(canvas, w.x + kFigureWidth, w.y, kWalkStep, height);
            break;
        case StandRight:
        case StandLeft:
            if (w.y == w.drawnY) {  // after a get-up: the rows below the standing image
                ErasePatch(canvas, w.x, w.y + kFigureHeight, kFigureWidth,
                           kGetUpHeight - kFigureHeight);
            } else if (w.state == StandRight) {  // after a day-dream: above, and on the left
                ErasePatch(canvas, w.drawnX, w.drawnY, kFigureWidth, kDreamShiftY);
                ErasePatch(canvas, w.drawnX, w.y, kDreamShiftX, kFigureHeight);
            } else {  // above, and on the right
                ErasePatch(canvas, w.drawnX + kDreamShiftX, w.drawnY, kFigureWidth, kDreamShiftY);
                ErasePatch(canvas, w.x + kFigureWidth, w.y, kDreamShiftX, kFigureHeight);
            }
            break;
        default:
            break;
    }
}

}  // namespace

CueSet StepWalkers(WalkerPopulation& population, Canvas& canvas) {
    CueSet raised = 0;
    for (int i = 0; i < population.stage.count; ++i) {
        raised |= UpdateWalker(population, i);
        Walker& w = population.walkers[i];
        const int32_t width = kStateSizeTable.stateWidth[w.state];
        const int32_t height = kStateSizeTable.stateHeight[w.state];
        EraseUncovered(canvas, w, height);
        canvas.CopyFromAtlas(w.x, w.y, width, height, kFrameTable.frameX[w.frame],
                             kFrameTable.frameY[w.frame]);
        w.drawnX = w.x;
        w.drawnY = w.y;
    }
    return raised;
}

std::optional<SoundCue> PlayStepCue(CueSet raised, const SoundEffects& sound,
                                    SoundPlatform& platform) {
    const std::optional<SoundCue> cue = ChooseCue(raised);
    if (cue && sound.on) platform.Play(*cue);
    return cue;
}

std::optional<SoundCue> RunFrameStep(WalkerPopulation& population, Canvas& canvas,
                                     const SoundEffects& sound, SoundPlatform& platform) {
    return PlayStepCue(StepWalkers(population, canvas), sound, platform);
}
