// The three scene sounds: whether they play at all, and which one a tick plays. The platform
// (WAVE resources and sndPlaySoundA on Windows, SDL on Linux, the page's audio on the web, a fake
// in tests) sits behind SoundPlatform.
#pragma once
#include <optional>

#include "animation/walkers.h"

class SoundPlatform {
public:
    virtual ~SoundPlatform() = default;
    // Whether a sound device is there. Asked once, at set-up, and only when the stored setting
    // asks for sound; a platform that must fetch its sounds before playing does it here.
    virtual bool OpenDevice() = 0;
    // Starts the cue's sound asynchronously, cutting off any sound still playing.
    virtual void Play(SoundCue cue) = 0;
};

// No device: for tools and hosts that run the animation silently.
class NullSoundPlatform final : public SoundPlatform {
public:
    bool OpenDevice() override { return false; }
    void Play(SoundCue) override {}
};

struct SoundEffects {
    bool on = false;  // decided once by SetUpSound: nothing plays unless it holds
};

// Decides once whether sound is on: stored "SE" 0 and a sound device present.
void SetUpSound(SoundEffects& sound, SoundPlatform& platform, int storedSE);

// The one cue a step plays: fall end, else day-dream start, else fall start.
std::optional<SoundCue> ChooseCue(CueSet raised);
