// The browser saver's state, free of any browser call so it can be tested natively: the core's
// walkers and frame step drawing into a software surface kept in the byte order a <canvas> takes
// (R, G, B, A), and the rectangles each step changed.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "animation/canvas.h"
#include "animation/sound_effects.h"
#include "animation/surface.h"
#include "animation/walkers.h"
#include "settings/settings_store.h"

// The four settings as the page read them (URL, panel or stored), with the stored-value meaning:
// speed 0..6, count, event 0 high .. 2 low, se 0 on / 1 off.
struct WebSettings {
    int32_t speed = RuleFor(Setting::Speed).saverDefault;
    int32_t count = RuleFor(Setting::Count).saverDefault;
    int32_t event = RuleFor(Setting::Event).saverDefault;
    int32_t se = RuleFor(Setting::Sound).saverDefault;
};

// Copies onto the screen surface and remembers where: what a step copied is exactly what
// changed, so only that is handed to the canvas.
class ChangedRectCanvas final : public Canvas {
public:
    ChangedRectCanvas(Surface& screen, const Surface& atlas) : screen_(screen), atlas_(atlas) {}
    void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override;

    void MarkAll();  // the whole screen, after it was cleared or resized
    // Moves the rectangles changed since the last call into `into` (its old content is dropped).
    void TakeChanged(std::vector<ClippedCopy>& into) {
        into.swap(changed_);
        changed_.clear();
        all_ = false;
    }

    // Past this many rectangles (many ticks between two presents) the whole screen is cheaper.
    static constexpr size_t kMaxRects = 256;

private:
    Surface& screen_;
    const Surface& atlas_;
    std::vector<ClippedCopy> changed_;  // destination rectangles only; src fields unused
    bool all_ = false;                  // changed_ is the whole screen
};

// Sound decisions stay in the core; this platform only says whether the page can play sound and
// records the one play request a step makes. The sounds themselves live in the page's audio
// buffers, indexed by cue.
class WebSoundPlatform final : public SoundPlatform {
public:
    void SetAudioAvailable(bool available) { audioAvailable_ = available; }
    bool OpenDevice() override { return audioAvailable_; }
    void Play(SoundCue cue) override { request_ = cue; }

    // The cue the last step asked to play (0 fall end, 1 day-dream start, 2 fall start), or
    // kNoRequest when the step made none.
    static constexpr int kNoRequest = -1;
    int TakeRequest();

private:
    bool audioAvailable_ = false;
    std::optional<SoundCue> request_;
};

class WebSaver {
public:
    // The atlas comes from the sheet file (a whole .bmp or a headerless bitmap), converted once
    // to the canvas's byte order.
    bool LoadSheet(const uint8_t* data, size_t size, const char** error);

    // A new screen of width x height, black, with the walkers started over; the settings are
    // bounded by the core's rules for that height.
    void Start(int32_t width, int32_t height, const WebSettings& stored, uint32_t seed,
               bool audioAvailable);
    // One tick; returns the sound request (see WebSoundPlatform::TakeRequest).
    int Step();
    // The rectangles of Rgba() changed since the last call.
    const std::vector<ClippedCopy>& Present();
    const std::vector<ClippedCopy>& Presented() const { return presented_; }

    // The screen in the canvas's byte order: width x height pixels of R, G, B, 255.
    const Surface& Screen() const { return screen_; }
    uint8_t* Rgba() { return reinterpret_cast<uint8_t*>(screen_.pixels.data()); }
    const SaverSettings& Settings() const { return settings_; }
    uint32_t TickInterval() const { return settings_.tickInterval; }
    bool SoundOn() const { return sound_.on; }

private:
    Surface atlas_;
    Surface screen_;
    ChangedRectCanvas canvas_{screen_, atlas_};
    WalkerPopulation population_{};
    SaverSettings settings_{};
    SoundEffects sound_{};
    WebSoundPlatform soundPlatform_;
    std::vector<ClippedCopy> presented_;
};
