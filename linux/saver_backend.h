// What the saver's one loop (saver_loop.h) needs from a display system: views to draw
// pictures on, events, presenting, and a descriptor to wait on. X11 (x11_backend.h) and
// Wayland (wayland_backend.h) each implement it; the loop owns the timing, the pictures and the
// rules.
#pragma once
#include <cstdint>
#include <string>

#include "animation/canvas.h"
#include "animation/pictures.h"
#include "animation/screen_geometry.h"

// One monitor, output or window of the saver: a picture of its own, drawn through its canvas.
class SaverView {
public:
    virtual ~SaverView() = default;
    // In device pixels: where the picture lies on the canvas below.
    virtual ScreenArea Area() const = 0;
    virtual int32_t Scale() const = 0;  // device pixels per stage pixel
    // The area, scale or monitor is new since the picture started: it starts again.
    virtual bool Changed() const = 0;
    // Where the loop starts the view's new picture, and then tells it with PictureStarted().
    virtual Picture& PictureToStart() = 0;
    virtual void PictureStarted() = 0;
    // Draws the picture's frame steps, in picture coordinates.
    virtual Canvas& Drawing() = 0;
};

struct BackendEvents {
    bool endInput = false;  // input that ends a showing, or the window was asked to close
    bool gone = false;      // the window or the connection went away
};

class SaverBackend {
public:
    virtual ~SaverBackend() = default;
    // Puts the saver on screen; false, with `error` set, when it cannot.
    virtual bool Show(std::string& error) = 0;
    virtual void Hide() = 0;
    // Readable when events have arrived.
    virtual int Fd() const = 0;
    // Reads and handles what arrived, without waiting.
    virtual BackendEvents Pump() = 0;
    // The views ready to draw on, valid until the next Pump().
    virtual int ViewCount() const = 0;
    virtual SaverView& View(int index) = 0;
    // Sends what the views' canvases drew to the screen.
    virtual void Present() = 0;
    // Why the window went away, when there is something to say; empty otherwise.
    virtual std::string GoneReason() const = 0;
};
