#include "animation/win32/sound_win32.h"

#include <iterator>

#include "resources/resource_ids.h"
#include "settings/win32/module_instance.h"

static_assert(std::size(kCueSoundIds) == kSoundCueCount);

void LoadSoundResources(HMODULE module, const int (&ids)[kSoundCueCount],
                        const uint8_t* (&bank)[kSoundCueCount]) {
    HRSRC found[kSoundCueCount];
    HGLOBAL loaded[kSoundCueCount];
    for (int i = 0; i < kSoundCueCount; ++i) {
        found[i] =
            FindResourceA(module, MAKEINTRESOURCEA(ids[i]), MAKEINTRESOURCEA(RT_SOUND_EFFECT));
    }
    bool anyLoaded = false;
    for (int i = 0; i < kSoundCueCount; ++i) {
        loaded[i] = found[i] != nullptr ? LoadResource(module, found[i]) : nullptr;
        anyLoaded = anyLoaded || loaded[i] != nullptr;
    }
    if (!anyLoaded) return;
    for (int i = 0; i < kSoundCueCount; ++i) {
        bank[i] =
            loaded[i] != nullptr ? static_cast<const uint8_t*>(LockResource(loaded[i])) : nullptr;
    }
}

bool Win32SoundPlatform::OpenDevice() {
    if (getWaveOutDeviceCount() == 0) return false;
    LoadSoundResources(ModuleInstance, kCueSoundIds, bank);
    return true;
}

void Win32SoundPlatform::Play(SoundCue cue) {
    playSound(reinterpret_cast<LPCSTR>(bank[cue]), SND_ASYNC | SND_NODEFAULT | SND_MEMORY);
}
