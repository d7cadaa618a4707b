// Synthesis of the three scene sounds as whole WAVE file images (PCM, 22050 Hz, 16-bit, stereo).
// Everything is computed with plain IEEE arithmetic and our own sine, exponential and noise,
// so the same program writes the same bytes on every run.
#pragma once
#include <cstdint>
#include <vector>

constexpr int32_t kWaveRate = 22050;
constexpr int32_t kWaveChannels = 2;
constexpr int32_t kWaveBits = 16;
constexpr int32_t kWaveHeaderSize = 44;

struct SoundClip {
    int resourceId;        // 200, 201 or 202
    const char* fileName;  // as committed under resources/
    int32_t frames;        // sample frames (one left and one right sample each)
};

constexpr SoundClip kSoundClips[3] = {
    {200, "fall_end.wav", 23680},     // a soft thud, then a comic bounce
    {201, "dream_start.wav", 28800},  // a rising bell arpeggio with sparkles
    {202, "fall_start.wav", 20864},   // a slip: a falling whoosh and a sliding whistle
};

// The whole WAVE image for one of the three resource IDs; empty for any other ID.
std::vector<uint8_t> SynthesizeSound(int resourceId);

// Wraps interleaved left/right samples in the 44-byte RIFF header.
std::vector<uint8_t> MakeWaveImage(const std::vector<int16_t>& interleaved);
