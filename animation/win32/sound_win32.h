// The scene sounds as WAVE images in the executable's resources, played with sndPlaySoundA.
#pragma once
#include "animation/sound_effects.h"

class Win32SoundPlatform final : public SoundPlatform {
public:
    int WaveOutDeviceCount() override;
    const void* FindSound(int resourceId) override;
    const void* LoadSound(const void* found) override;
    const uint8_t* LockSound(const void* loaded) override;
    void Play(const uint8_t* waveImage) override;
};
