#include "linux/sdl_sound.h"

#include <dlfcn.h>

#include <cstring>

namespace {

uint32_t ReadLE32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t ReadLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// The format every shipped sound has; the device is opened for it so SDL converts, if it must,
// to whatever the hardware wants.
constexpr int kRate = 22050;
constexpr int kChannels = 2;

// The SDL entry points, looked up when the library is loaded.
struct SdlApi {
    decltype(&SDL_SetHint) SetHint;
    decltype(&SDL_InitSubSystem) InitSubSystem;
    decltype(&SDL_Quit) Quit;
    decltype(&SDL_OpenAudioDevice) OpenAudioDevice;
    decltype(&SDL_CloseAudioDevice) CloseAudioDevice;
    decltype(&SDL_PauseAudioDevice) PauseAudioDevice;
    decltype(&SDL_ClearQueuedAudio) ClearQueuedAudio;
    decltype(&SDL_QueueAudio) QueueAudio;
    decltype(&SDL_GetQueuedAudioSize) GetQueuedAudioSize;
};

template <typename Function>
bool Find(void* library, const char* name, Function& out) {
    out = reinterpret_cast<Function>(dlsym(library, name));
    return out != nullptr;
}

// Loads SDL 2; false (and nothing kept open) when it or any entry point is missing.
bool LoadSdl(SdlApi& api) {
    void* library = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) return false;
    const bool complete = Find(library, "SDL_SetHint", api.SetHint) &&
                          Find(library, "SDL_InitSubSystem", api.InitSubSystem) &&
                          Find(library, "SDL_Quit", api.Quit) &&
                          Find(library, "SDL_OpenAudioDevice", api.OpenAudioDevice) &&
                          Find(library, "SDL_CloseAudioDevice", api.CloseAudioDevice) &&
                          Find(library, "SDL_PauseAudioDevice", api.PauseAudioDevice) &&
                          Find(library, "SDL_ClearQueuedAudio", api.ClearQueuedAudio) &&
                          Find(library, "SDL_QueueAudio", api.QueueAudio) &&
                          Find(library, "SDL_GetQueuedAudioSize", api.GetQueuedAudioSize);
    if (!complete) dlclose(library);
    return complete;
}

SdlApi gSdl;  // filled once by LoadSdl; plain function pointers, never freed

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// ALSA reports a missing sound card on stderr, several lines per attempt, and those end up in
// the XScreenSaver daemon's log. No device means silence here, in both senses. The library is
// the one SDL opens in turn, so the handler set here is the one it uses; it stays loaded.
void SilenceAlsa() {
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!alsa) return;  // no ALSA, nothing to say
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) {
        set(IgnoreAlsaError);
    }
}

}  // namespace

namespace {

// The "fmt " chunk: PCM, one or two channels, 8 or 16 bits, a rate.
bool ReadWaveFormat(const uint8_t* chunk, uint32_t length, size_t available, WaveSamples& found) {
    if (length < 16 || length > available) return false;
    if (ReadLE16(chunk + 8) != 1) return false;  // PCM only
    found.channels = ReadLE16(chunk + 10);
    found.rate = ReadLE32(chunk + 12);
    found.bits = ReadLE16(chunk + 22);
    return found.channels >= 1 && found.channels <= 2 && found.rate != 0 &&
           (found.bits == 8 || found.bits == 16);
}

}  // namespace

bool FindWaveSamples(const uint8_t* image, size_t size, WaveSamples& out) {
    if (!image || size < 12 || std::memcmp(image, "RIFF", 4) != 0 ||
        std::memcmp(image + 8, "WAVE", 4) != 0) {
        return false;
    }
    WaveSamples found;
    bool haveFormat = false;
    size_t at = 12;
    while (size - at >= 8) {
        const uint8_t* chunk = image + at;
        const uint32_t length = ReadLE32(chunk + 4);
        const size_t body = at + 8;
        const size_t available = size - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (!ReadWaveFormat(chunk, length, available, found)) return false;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return false;
            // A data chunk that claims more than the image holds plays what is there.
            found.samples = image + body;
            found.bytes = static_cast<uint32_t>(length < available ? length : available);
            const uint32_t frame = found.channels * (found.bits / 8u);
            found.bytes -= found.bytes % frame;
            out = found;
            return true;
        }
        if (length > available) return false;
        at = body + length + (length & 1);  // chunks are padded to even sizes
        if (at > size) return false;
    }
    return false;
}

SdlSoundPlatform::SdlSoundPlatform(const WaveImage (&images)[kSoundCueCount]) {
    for (int i = 0; i < kSoundCueCount; ++i) images_[i] = images[i];
}

SdlSoundPlatform::~SdlSoundPlatform() {
    if (device_) gSdl.CloseAudioDevice(device_);
    // All of SDL, not just its audio: only a full quit lets go of its D-Bus connection.
    if (audioInitialised_) gSdl.Quit();
    // The library stays loaded: its threads and handlers may outlive a dlclose here.
}

bool SdlSoundPlatform::OpenDevice() {
    if (!triedOpen_) {
        triedOpen_ = true;
        if (!LoadSdl(gSdl)) return false;
        SilenceAlsa();
        gSdl.SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // the saver handles SIGTERM itself
        gSdl.SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "tekuteku");
        if (gSdl.InitSubSystem(SDL_INIT_AUDIO) == 0) {
            audioInitialised_ = true;
            SDL_AudioSpec want{};
            want.freq = kRate;
            want.format = AUDIO_S16LSB;
            want.channels = kChannels;
            want.samples = 1024;
            SDL_AudioSpec got{};
            device_ = gSdl.OpenAudioDevice(nullptr, 0, &want, &got, 0);
            if (device_) gSdl.PauseAudioDevice(device_, 0);  // an empty queue plays silence
        }
    }
    return device_ != 0;
}

void SdlSoundPlatform::Play(SoundCue cue) {
    if (!device_) return;
    gSdl.ClearQueuedAudio(device_);  // a new request always cuts off the sound in progress
    WaveSamples samples;
    if (!FindWaveSamples(images_[cue].data, images_[cue].size, samples)) return;
    // Only the format the device was opened with can be queued as it is; anything else is
    // not heard, like an image the platform cannot play.
    if (samples.rate != kRate || samples.channels != kChannels || samples.bits != 16) return;
    gSdl.QueueAudio(device_, samples.samples, samples.bytes);
}

uint32_t SdlSoundPlatform::QueuedBytes() const {
    return device_ ? gSdl.GetQueuedAudioSize(device_) : 0;
}
