// The browser saver's state, free of any browser call so it can be tested natively: the core's
// walkers and frame step, the sheet in the byte order a <canvas> takes (R, G, B, A), and the
// copies each step makes from it.
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

// Lists the copies a step makes instead of making them: the page makes each one straight from
// the sheet onto its <canvas>, so the screen is kept only there and no pixel is copied twice.
class CopyListCanvas final : public Canvas {
public:
    explicit CopyListCanvas(const Surface& atlas) : atlas_(atlas) {}
    void CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                       int32_t srcY) override;

    void SetScreen(int32_t width, int32_t height);
    void Clear() { copies_.clear(); }
    // Clipped to the screen and the sheet, in the order they were made.
    const std::vector<ClippedCopy>& Copies() const { return copies_; }

private:
    const Surface& atlas_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<ClippedCopy> copies_;
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

    // A new screen of width x height, with the walkers started over; the settings are bounded
    // by the core's rules for that height. The page blacks out its canvas itself.
    void Start(int32_t width, int32_t height, const WebSettings& stored, uint32_t seed,
               bool audioAvailable);
    // One tick; returns the sound request (see WebSoundPlatform::TakeRequest).
    int Step();
    // The copies the last step made from Atlas() onto the screen, to be made in this order.
    const std::vector<ClippedCopy>& Copies() const { return canvas_.Copies(); }

    // The sheet in the canvas's byte order: width x height pixels of R, G, B, 255.
    const Surface& Atlas() const { return atlas_; }
    const SaverSettings& Settings() const { return settings_; }
    uint32_t TickInterval() const { return settings_.tickInterval; }
    bool SoundOn() const { return sound_.on; }

private:
    Surface atlas_;
    CopyListCanvas canvas_{atlas_};
    WalkerPopulation population_{};
    SaverSettings settings_{};
    SoundEffects sound_{};
    WebSoundPlatform soundPlatform_;
};
