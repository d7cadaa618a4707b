// The calls the page's script makes into the core. One saver per page; the script owns the
// timer, the canvas, input and sound, and this side owns everything the core decides.
#include <emscripten/emscripten.h>

#include <cstdint>

#include "settings/rules.h"
#include "web/web_saver.h"

namespace {
WebSaver saver;
const char* lastError = "";
}  // namespace

extern "C" {

// The sheet file's bytes, copied in by the script; 1 when it can be used.
EMSCRIPTEN_KEEPALIVE int tk_load_sheet(const uint8_t* data, uint32_t size) {
    return saver.LoadSheet(data, size, &lastError) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE const char* tk_error() { return lastError; }

EMSCRIPTEN_KEEPALIVE void tk_start(int32_t width, int32_t height, int32_t speed, int32_t count,
                                   int32_t event, int32_t se, uint32_t seed, int32_t audio) {
    saver.Start(width, height, WebSettings{speed, count, event, se}, seed, audio != 0);
}

EMSCRIPTEN_KEEPALIVE int tk_step() { return saver.Step(); }

// The copies the last step made, in tk_copies() as six int32 each: destination x and y, source
// x and y in the sheet, width and height.
EMSCRIPTEN_KEEPALIVE int tk_copy_count() { return static_cast<int>(saver.Copies().size()); }
EMSCRIPTEN_KEEPALIVE const ClippedCopy* tk_copies() { return saver.Copies().data(); }

// The sheet as the canvas takes it (see WebSaver::Atlas).
EMSCRIPTEN_KEEPALIVE const uint32_t* tk_sheet_rgba() { return saver.Atlas().pixels.data(); }
EMSCRIPTEN_KEEPALIVE int32_t tk_sheet_width() { return saver.Atlas().width; }
EMSCRIPTEN_KEEPALIVE int32_t tk_sheet_height() { return saver.Atlas().height; }

EMSCRIPTEN_KEEPALIVE int32_t tk_walker_count() { return saver.Settings().walkerCount; }
EMSCRIPTEN_KEEPALIVE uint32_t tk_interval() { return saver.TickInterval(); }
EMSCRIPTEN_KEEPALIVE int tk_sound_on() { return saver.SoundOn() ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE uint32_t tk_clock_seed() { return ClockSeed(); }

// The core's own rules for the page's panel and mouse, rather than the page's copy of them.
EMSCRIPTEN_KEEPALIVE int32_t tk_panel_count_limit(int32_t stageHeight) {
    return PanelCountLimit(stageHeight);
}
EMSCRIPTEN_KEEPALIVE int tk_moved_too_far(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY) {
    return MovedTooFar(fromX, fromY, toX, toY) ? 1 : 0;
}

}  // extern "C"
