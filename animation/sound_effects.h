// The three scene sounds: whether they play at all, where their images are, and the play request.
// The platform (resources and sndPlaySoundA on Windows, SDL on Linux, a fake in tests)
// sits behind SoundPlatform.
#pragma once
#include <cstdint>

#include "animation/walkers.h"

constexpr int kSoundResourceType = 300;
constexpr int kFallEndSoundId = 200;
constexpr int kDreamStartSoundId = 201;
constexpr int kFallStartSoundId = 202;

constexpr int CueResourceId(SoundCue cue) { return kFallEndSoundId + cue; }

class SoundPlatform {
public:
    virtual ~SoundPlatform() = default;
    virtual int WaveOutDeviceCount() = 0;
    virtual const void* FindSound(int resourceId) = 0;        // resource information, or null
    virtual const void* LoadSound(const void* found) = 0;     // loaded data, or null (null in, null out)
    virtual const uint8_t* LockSound(const void* loaded) = 0; // WAVE image, or null (null in, null out)
    // Start playing a whole WAVE image asynchronously, cutting off any sound still playing.
    // A null image plays nothing (and still stops the sound in progress).
    virtual void Play(const uint8_t* waveImage) = 0;
};

// No device and no sounds: for tools and hosts that run the animation silently.
class NullSoundPlatform final : public SoundPlatform {
public:
    int WaveOutDeviceCount() override { return 0; }
    const void* FindSound(int) override { return nullptr; }
    const void* LoadSound(const void*) override { return nullptr; }
    const uint8_t* LockSound(const void*) override { return nullptr; }
    void Play(const uint8_t*) override {}
};

struct SoundEffects {
    bool soundOff = true;  // decided once by SetUpSound: nothing plays while it holds
    const uint8_t* bank[kSoundCueCount] = {};  // indexed by SoundCue; points into platform data
};

// Decides once whether sound is on (stored "SE" 0 and a wave device present) and loads the bank.
void SetUpSound(SoundEffects& sound, SoundPlatform& platform, int storedSE);
void LoadSoundEffects(SoundEffects& sound, SoundPlatform& platform, int fallEndId, int dreamStartId,
                      int fallStartId);
void PlayCue(const SoundEffects& sound, SoundPlatform& platform, SoundCue cue);

// The one cue a step plays: fall end, else day-dream start, else fall start. -1 for none.
int ChooseCue(CueSet raised);
