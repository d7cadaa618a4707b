#include "animation/sound_effects.h"

#include "settings/rules.h"

void SetUpSound(SoundEffects& sound, SoundPlatform& platform, int storedSE) {
    sound.on = storedSE == kSoundOnValue && platform.OpenDevice();
}

std::optional<SoundCue> ChooseCue(CueSet raised) {
    for (int cue = 0; cue < kSoundCueCount; ++cue) {
        if (raised & CueBit(static_cast<SoundCue>(cue))) return static_cast<SoundCue>(cue);
    }
    return std::nullopt;
}
