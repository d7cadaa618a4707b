#include "animation/sound_effects.h"

#include "settings/rules.h"

void SetUpSound(SoundEffects& sound, SoundPlatform& platform, int storedSE) {
    if (storedSE != kSoundOnValue || platform.WaveOutDeviceCount() == 0) {
        sound.soundOff = true;
        return;
    }
    sound.soundOff = false;
    LoadSoundEffects(sound, platform, kFallEndSoundId, kDreamStartSoundId, kFallStartSoundId);
}

void LoadSoundEffects(SoundEffects& sound, SoundPlatform& platform, int fallEndId, int dreamStartId,
                      int fallStartId) {
    const int ids[kSoundCueCount] = {fallEndId, dreamStartId, fallStartId};
    const void* found[kSoundCueCount];
    const void* loaded[kSoundCueCount];
    for (int i = 0; i < kSoundCueCount; ++i) found[i] = platform.FindSound(ids[i]);
    bool anyLoaded = false;
    for (int i = 0; i < kSoundCueCount; ++i) {
        loaded[i] = platform.LoadSound(found[i]);  // a null handle loads nothing
        anyLoaded = anyLoaded || loaded[i] != nullptr;
    }
    if (!anyLoaded) return;
    for (int i = 0; i < kSoundCueCount; ++i) sound.bank[i] = platform.LockSound(loaded[i]);
}

void PlayCue(const SoundEffects& sound, SoundPlatform& platform, SoundCue cue) {
    platform.Play(sound.bank[cue]);
}

int ChooseCue(CueSet raised) {
    for (int cue = 0; cue < kSoundCueCount; ++cue) {
        if (raised & CueBit(static_cast<SoundCue>(cue))) return cue;
    }
    return -1;
}
