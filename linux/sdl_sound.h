// The scene sounds through SDL's audio queue: a play request replaces whatever is still queued,
// so a new sound cuts off the one playing, and returns at once while SDL's own thread plays.
// SDL (and the sound servers' libraries behind it) is loaded only when sound is on, so a silent
// saver does not carry them in memory.
#pragma once
#include <SDL.h>

#include <cstddef>
#include <cstdint>

#include "animation/sound_effects.h"

// One embedded WAVE file image.
struct WaveImage {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// Where the samples of a PCM WAVE image are, and their format. False for anything that is not
// a whole, uncompressed 8- or 16-bit RIFF WAVE image; nothing outside the image is read.
struct WaveSamples {
    const uint8_t* samples = nullptr;
    uint32_t bytes = 0;
    uint32_t rate = 0;
    uint16_t channels = 0;
    uint16_t bits = 0;
};
bool FindWaveSamples(const uint8_t* image, size_t size, WaveSamples& out);

class SdlSoundPlatform final : public SoundPlatform {
public:
    // The three images in cue order: fall end, day-dream start, fall start.
    explicit SdlSoundPlatform(const WaveImage (&images)[kSoundCueCount]);
    ~SdlSoundPlatform() override;
    SdlSoundPlatform(const SdlSoundPlatform&) = delete;
    SdlSoundPlatform& operator=(const SdlSoundPlatform&) = delete;

    // Opens the default output device on first use: true when there is one.
    bool OpenDevice() override;
    // A cue whose image the device cannot take as it is plays nothing, and still cuts off.
    void Play(SoundCue cue) override;

    // Bytes still waiting in the device's queue (for tests and diagnostics).
    uint32_t QueuedBytes() const;

private:
    WaveImage images_[kSoundCueCount];
    bool triedOpen_ = false;
    bool audioInitialised_ = false;
    SDL_AudioDeviceID device_ = 0;
};
