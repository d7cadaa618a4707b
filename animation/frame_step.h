// One timer tick on screen: update every walker, erase what her old image leaves uncovered,
// draw her new image, then play at most one sound.
#pragma once
#include "animation/canvas.h"
#include "animation/sound_effects.h"
#include "animation/walkers.h"

// Returns the cue the step picked (a SoundCue), or -1 when no walker raised one. The cue is
// played only when sound is on; the result is reported either way.
int RunFrameStep(WalkerPopulation& population, Canvas& canvas, const SoundEffects& sound,
                 SoundPlatform& platform);
