// One timer tick on screen: update every walker, erase what her old image leaves uncovered,
// draw her new image, then play at most one sound.
#pragma once
#include "animation/canvas.h"
#include "animation/sound_effects.h"
#include "animation/walkers.h"

// Updates and draws every walker of one population; returns the cues they raised.
CueSet StepWalkers(WalkerPopulation& population, Canvas& canvas);
// Plays the one cue a tick's raised cues call for (only when sound is on) and returns it.
// Several pictures stepped in one tick share one call, so a tick never plays two sounds.
std::optional<SoundCue> PlayStepCue(CueSet raised, const SoundEffects& sound,
                                    SoundPlatform& platform);

// StepWalkers and PlayStepCue for a single population. Returns the cue the step picked, if a
// walker raised one. The cue is played only when sound is on; the result is reported either way.
std::optional<SoundCue> RunFrameStep(WalkerPopulation& population, Canvas& canvas,
                                     const SoundEffects& sound, SoundPlatform& platform);
