#include "animation/win32/sound_win32.h"

#include <windows.h>
#include <mmsystem.h>

#include "resources/resource_ids.h"
#include "settings/win32/module_instance.h"

// The resource script numbers the sounds with resource_ids.h, which it can read; the core numbers
// them by cue. Both must say the same.
static_assert(RT_SOUND_EFFECT == kSoundResourceType);
static_assert(IDR_SOUND_FALL_END == CueResourceId(FallEndCue) &&
              IDR_SOUND_DREAM_START == CueResourceId(DreamStartCue) &&
              IDR_SOUND_FALL_START == CueResourceId(FallStartCue));

int Win32SoundPlatform::WaveOutDeviceCount() { return static_cast<int>(waveOutGetNumDevs()); }

const void* Win32SoundPlatform::FindSound(int resourceId) {
    return FindResourceA(ModuleInstance, MAKEINTRESOURCEA(resourceId),
                         MAKEINTRESOURCEA(kSoundResourceType));
}

const void* Win32SoundPlatform::LoadSound(const void* found) {
    if (found == nullptr) return nullptr;
    return LoadResource(ModuleInstance, static_cast<HRSRC>(const_cast<void*>(found)));
}

const uint8_t* Win32SoundPlatform::LockSound(const void* loaded) {
    if (loaded == nullptr) return nullptr;
    return static_cast<const uint8_t*>(LockResource(const_cast<void*>(loaded)));
}

void Win32SoundPlatform::Play(const uint8_t* waveImage) {
    sndPlaySoundA(reinterpret_cast<LPCSTR>(waveImage), SND_ASYNC | SND_NODEFAULT | SND_MEMORY);
}
