// The scene sounds as WAVE images in the executable's resources, played with sndPlaySoundA.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

#include "animation/sound_effects.h"

// Finds, then loads, then locks the WAVE resources numbered `ids` in `module` into `bank` (by
// cue). One that is missing or cannot be loaded stays null; nothing is locked when none loads.
void LoadSoundResources(HMODULE module, const int (&ids)[kSoundCueCount],
                        const uint8_t* (&bank)[kSoundCueCount]);

class Win32SoundPlatform final : public SoundPlatform {
public:
    // A wave device, and then the sounds from the executable's resources.
    bool OpenDevice() override;
    // A cue whose sound did not load plays nothing, and still stops the sound in progress.
    void Play(SoundCue cue) override;

    const uint8_t* bank[kSoundCueCount] = {};  // WAVE images, indexed by SoundCue
    // The system's calls; tests stand in for the device and the player here.
    UINT(WINAPI* getWaveOutDeviceCount)() = waveOutGetNumDevs;
    BOOL(WINAPI* playSound)(LPCSTR sound, UINT flags) = sndPlaySoundA;
};
