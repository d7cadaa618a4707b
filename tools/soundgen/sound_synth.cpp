#include "tools/soundgen/sound_synth.h"

#include <cmath>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = kWaveRate;

// Our own sine and exponential: libm versions may round differently from machine to machine,
// and the committed sounds must be reproducible byte for byte.
double Sine(double cycles) {
    double q = cycles - std::floor(cycles) - 0.5;  // sin(2*pi*c) = -sin(2*pi*q), q in [-0.5, 0.5)
    if (q > 0.25) q = 0.5 - q;
    if (q < -0.25) q = -0.5 - q;
    const double x = 2.0 * kPi * q;
    const double x2 = x * x;
    const double s =
        x *
        (1.0 -
         x2 / 6.0 * (1.0 - x2 / 20.0 * (1.0 - x2 / 42.0 * (1.0 - x2 / 72.0 * (1.0 - x2 / 110.0)))));
    return -s;
}

double Exp(double x) {
    int halvings = 0;
    while (x > 0.5 || x < -0.5) {
        x *= 0.5;
        ++halvings;
    }
    double term = 1.0, sum = 1.0;
    for (int n = 1; n <= 12; ++n) {
        term *= x / n;
        sum += term;
    }
    while (halvings-- > 0) sum *= sum;
    return sum;
}

// A small xorshift generator with a fixed seed per sound.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed ? seed : 1u) {}
    uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    double Uniform() { return (Next() >> 8) * (1.0 / 16777216.0); }  // [0, 1)
    double Signed() { return Uniform() * 2.0 - 1.0; }                // [-1, 1)

private:
    uint32_t state_;
};

// Chamberlin state-variable filter; fine for centre frequencies well below a sixth of the rate.
struct Resonator {
    double low = 0, band = 0;
    double Run(double in, double centre, double damping) {
        const double f = 2.0 * Sine(centre / kRate / 2.0);
        low += f * band;
        const double high = in - low - damping * band;
        band += f * high;
        return band;
    }
};

struct Stereo {
    std::vector<double> left, right;
    explicit Stereo(int32_t frames) : left(frames, 0.0), right(frames, 0.0) {}
    int32_t Frames() const { return static_cast<int32_t>(left.size()); }
    void Add(int32_t i, double sample, double pan) {  // pan -1 (left) .. 1 (right)
        left[i] += sample * (0.75 - 0.25 * pan);
        right[i] += sample * (0.75 + 0.25 * pan);
    }
};

double Attack(double t, double seconds) { return t >= seconds ? 1.0 : t / seconds; }

// A soft thud (a low sine dropping in pitch over a puff of muffled noise), then a twangy boing
// that springs up in pitch and wobbles as it dies away.
void FallEnd(Stereo& out) {
    Noise noise(0x7EC07EC0u);
    Resonator muffle;
    double thudPhase = 0, boingPhase = 0, wobblePhase = 0;
    const double boingStart = 0.16;
    for (int32_t i = 0; i < out.Frames(); ++i) {
        const double t = i / kRate;
        const double thudFreq = 45.0 + 65.0 * Exp(-t / 0.03);
        thudPhase += thudFreq / kRate;
        const double thud = Sine(thudPhase) * Attack(t, 0.003) * Exp(-t / 0.08);
        const double puff = muffle.Run(noise.Signed(), 260.0, 1.2) * Exp(-t / 0.03) * 0.8;
        out.Add(i, thud + puff, 0.0);

        if (t < boingStart) continue;
        const double tau = t - boingStart;
        wobblePhase += 11.0 / kRate;
        const double wobble = Sine(wobblePhase);
        const double freq =
            150.0 + 170.0 * (1.0 - Exp(-tau / 0.06)) + 70.0 * Exp(-tau / 0.35) * wobble;
        boingPhase += freq / kRate;
        const double twang =
            Sine(boingPhase) + 0.35 * Sine(2.0 * boingPhase) + 0.15 * Sine(3.0 * boingPhase);
        const double envelope = Attack(tau, 0.006) * Exp(-tau / 0.28);
        out.Add(i, 0.55 * twang * envelope, 0.35 * wobble);
    }
}

// A rising bell arpeggio, left to right, over a scatter of high sparkles and a soft shimmer.
void DreamStart(Stereo& out) {
    struct Note {
        double freq, start, pan;
    };
    const Note notes[] = {{783.99, 0.00, -0.6},
                          {1046.50, 0.11, -0.3},
                          {1318.51, 0.22, 0.0},
                          {1567.98, 0.33, 0.3},
                          {2093.00, 0.44, 0.6}};
    struct Partial {
        double ratio, level, decay;
    };
    const Partial partials[] = {{1.0, 1.0, 0.55}, {2.756, 0.3, 0.22}, {5.404, 0.12, 0.09}};
    for (const Note& note : notes) {
        for (const Partial& p : partials) {
            const double freq = note.freq * p.ratio;
            if (freq > 9000.0) continue;  // keep clear of the Nyquist limit
            double phase = 0;
            for (int32_t i = static_cast<int32_t>(note.start * kRate); i < out.Frames(); ++i) {
                const double tau = i / kRate - note.start;
                phase += freq / kRate;
                const double envelope = Attack(tau, 0.002) * Exp(-tau / p.decay);
                out.Add(i, 0.3 * p.level * Sine(phase) * envelope, note.pan);
            }
        }
    }

    Noise noise(0xD2EA3201u);
    for (int sparkle = 0; sparkle < 36; ++sparkle) {
        const double start = 0.05 + noise.Uniform() * 1.0;
        const double freq = 3000.0 + noise.Uniform() * 3000.0;
        const double level = 0.04 + noise.Uniform() * 0.05;
        const double pan = noise.Signed() * 0.9;
        double phase = 0;
        const int32_t first = static_cast<int32_t>(start * kRate);
        const int32_t last = first + static_cast<int32_t>(0.08 * kRate);
        for (int32_t i = first; i < last && i < out.Frames(); ++i) {
            const double tau = (i - first) / kRate;
            phase += freq / kRate;
            out.Add(i, level * Sine(phase) * Attack(tau, 0.002) * Exp(-tau / 0.015), pan);
        }
    }

    double a = 0, b = 0;
    for (int32_t i = 0; i < out.Frames(); ++i) {
        const double t = i / kRate;
        a += 4186.0 / kRate;
        b += 4193.0 / kRate;
        const double swell = Attack(t, 0.4) * Exp(-t / 0.9);
        out.left[i] += 0.03 * swell * Sine(a);
        out.right[i] += 0.03 * swell * Sine(b);
    }
}

// A slip: a swish of noise that sweeps up and then falls away, moving left to right, with a
// slide whistle gliding down under it.
void FallStart(Stereo& out) {
    Noise noise(0x5119F00Du);
    Resonator swish;
    double whistlePhase = 0, vibratoPhase = 0;
    const double duration = out.Frames() / kRate;
    const double whistleStart = 0.08, whistleLength = 0.8;
    for (int32_t i = 0; i < out.Frames(); ++i) {
        const double t = i / kRate;
        const double centre =
            t < 0.12 ? 600.0 + 2400.0 * (t / 0.12) : 300.0 + 2700.0 * Exp(-(t - 0.12) / 0.2);
        const double swishLevel = t < 0.06 ? t / 0.06 : Exp(-(t - 0.06) / 0.25);
        const double pan = -0.7 + 1.4 * t / duration;
        out.Add(i, 0.9 * swish.Run(noise.Signed(), centre, 0.5) * swishLevel, pan);

        if (t < whistleStart) continue;
        const double tau = t - whistleStart;
        vibratoPhase += 6.0 / kRate;
        // An exponential glide from 1800 Hz down to 350 Hz over whistleLength seconds.
        const double glide =
            Exp(-1.6376087894 * (tau < whistleLength ? tau : whistleLength) / whistleLength);
        const double freq = 1800.0 * glide * (1.0 + 0.02 * Sine(vibratoPhase));
        whistlePhase += freq / kRate;
        const double breath = 0.04 * noise.Signed();
        const double tone = Sine(whistlePhase) + 0.1 * Sine(3.0 * whistlePhase) + breath;
        out.Add(i, 0.4 * tone * Attack(tau, 0.03), 0.0);
    }
}

// Short fades at both ends so the sound starts and ends on zero, then scaling to a fixed peak
// well below clipping, then rounding.
std::vector<int16_t> Finish(Stereo& sound, double fadeOutSeconds) {
    const int32_t frames = sound.Frames();
    const int32_t fadeIn = static_cast<int32_t>(0.002 * kRate);
    const int32_t fadeOut = static_cast<int32_t>(fadeOutSeconds * kRate);
    double peak = 0;
    for (int32_t i = 0; i < frames; ++i) {
        double gain = 1.0;
        if (i < fadeIn) gain = static_cast<double>(i) / fadeIn;
        const int32_t fromEnd = frames - 1 - i;
        if (fromEnd < fadeOut) gain *= static_cast<double>(fromEnd) / fadeOut;
        sound.left[i] *= gain;
        sound.right[i] *= gain;
        peak = std::fmax(peak, std::fmax(std::fabs(sound.left[i]), std::fabs(sound.right[i])));
    }
    const double scale = peak > 0 ? 0.6 * 32767.0 / peak : 0.0;
    std::vector<int16_t> samples(static_cast<size_t>(frames) * 2);
    for (int32_t i = 0; i < frames; ++i) {
        samples[2 * i] = static_cast<int16_t>(std::floor(sound.left[i] * scale + 0.5));
        samples[2 * i + 1] = static_cast<int16_t>(std::floor(sound.right[i] * scale + 0.5));
    }
    return samples;
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace

std::vector<uint8_t> MakeWaveImage(const std::vector<int16_t>& interleaved) {
    const uint32_t dataBytes = static_cast<uint32_t>(interleaved.size() * 2);
    std::vector<uint8_t> out(kWaveHeaderSize + dataBytes);
    std::memcpy(&out[0], "RIFF", 4);
    Put32(out, 4, static_cast<uint32_t>(out.size() - 8));
    std::memcpy(&out[8], "WAVEfmt ", 8);
    Put32(out, 16, 16);
    Put16(out, 20, 1);
    Put16(out, 22, kWaveChannels);
    Put32(out, 24, kWaveRate);
    Put32(out, 28, kWaveRate * kWaveChannels * kWaveBits / 8);
    Put16(out, 32, kWaveChannels * kWaveBits / 8);
    Put16(out, 34, kWaveBits);
    std::memcpy(&out[36], "data", 4);
    Put32(out, 40, dataBytes);
    for (size_t i = 0; i < interleaved.size(); ++i) {
        Put16(out, kWaveHeaderSize + 2 * i, static_cast<uint16_t>(interleaved[i]));
    }
    return out;
}

std::vector<uint8_t> SynthesizeSound(int resourceId) {
    for (const SoundClip& clip : kSoundClips) {
        if (clip.resourceId != resourceId) continue;
        Stereo sound(clip.frames);
        double fadeOut = 0.01;
        switch (resourceId) {
            case 200:
                FallEnd(sound);
                fadeOut = 0.15;
                break;
            case 201:
                DreamStart(sound);
                fadeOut = 0.35;
                break;
            default:
                FallStart(sound);
                fadeOut = 0.12;
                break;
        }
        return MakeWaveImage(Finish(sound, fadeOut));
    }
    return {};
}
