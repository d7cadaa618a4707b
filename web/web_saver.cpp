#include "web/web_saver.h"

#include <bit>
#include <string_view>

#include "animation/atlas_image.h"
#include "animation/frame_step.h"
#include "settings/number_text.h"

// The sheet's words are handed to the canvas as bytes: R, G, B, A only on a little-endian machine,
// which WebAssembly always is.
static_assert(std::endian::native == std::endian::little);

void CopyListCanvas::CopyFromAtlas(int32_t dstX, int32_t dstY, int32_t w, int32_t h, int32_t srcX,
                                   int32_t srcY) {
    ClippedCopy c;
    if (ClipCopy(dstX, dstY, w, h, srcX, srcY, width_, height_, atlas_.width, atlas_.height, c)) {
        copies_.push_back(c);
    }
}

void CopyListCanvas::SetScreen(int32_t width, int32_t height) {
    width_ = width;
    height_ = height;
    copies_.clear();
}

int WebSoundPlatform::TakeRequest() {
    const int request = request_ ? *request_ : kNoRequest;
    request_.reset();
    return request;
}

namespace {
class GivenProfile final : public ProfileReader {
public:
    explicit GivenProfile(const WebSettings& s) : s_(s) {}
    int32_t GetInt(const char* key, int32_t defaultValue) override {
        const int32_t values[kSettingCount] = {s_.speed, s_.count, s_.event, s_.se};  // table order
        const SettingRule* rule = RuleForKey(key);
        return rule ? values[static_cast<int>(rule->setting)] : defaultValue;
    }

private:
    const WebSettings& s_;
};
}  // namespace

bool WebSaver::LoadSheet(const uint8_t* data, size_t size, const char** error) {
    if (!DecodeBitmapToSurface(data, size, atlas_, error)) return false;
    ConvertToRgbaOrder(atlas_);
    return true;
}

void WebSaver::Start(int32_t width, int32_t height, const WebSettings& stored, uint32_t seed,
                     bool audioAvailable) {
    GivenProfile profile(stored);
    settings_ = ReadSaverSettings(profile, height);
    sound_ = SoundEffects{};
    soundPlatform_.SetAudioAvailable(audioAvailable);
    SetUpSound(sound_, soundPlatform_, settings_.soundOff);
    soundPlatform_.TakeRequest();

    canvas_.SetScreen(width, height);
    population_ = WalkerPopulation{};
    StartWalkers(population_,
                 MakeStage(0, 0, width, height, settings_.walkerCount, settings_.eventOdds), seed);
}

int WebSaver::Step() {
    canvas_.Clear();
    RunFrameStep(population_, canvas_, sound_, soundPlatform_);
    return soundPlatform_.TakeRequest();
}
