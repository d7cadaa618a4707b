// The X11 side of the saver: a window of its own or a foreign one (the XScreenSaver daemon's,
// the root window, any window named on the command line), rectangles put into it, and the
// events that matter for a saver.
#pragma once
#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "animation/screen_geometry.h"
#include "animation/surface.h"
#include "linux/present_canvas.h"

struct XOutputEvents {
    bool closeRequested = false;   // input or the window manager asked the saver to end
    bool gone = false;             // the window was destroyed
    bool resized = false;          // width/height changed: the stage starts again
    bool mapped = false;           // a window of our own became visible
    bool monitorsChanged = false;  // RandR: the monitors or the screen may be new
};

class XOutput final : public RectSink {
public:
    XOutput() = default;
    XOutput(const XOutput&) = delete;
    XOutput& operator=(const XOutput&) = delete;
    ~XOutput() override;

    bool Open(std::string& error);  // the display named by $DISPLAY
    bool CreateOwnWindow(bool fullScreen, std::string& error);
    // window 0 means the root window of the default screen.
    bool AttachForeignWindow(uint64_t window, std::string& error);

    int ConnectionFd() const;
    // The monitors the window spans, in window coordinates: RandR's monitors for a full-screen
    // window of our own, otherwise the whole window. Monitors of absurd size are left out, with
    // a message on stderr.
    std::vector<ScreenArea> Monitors() const;
    // How long the session has had no input (MIT-SCREEN-SAVER); false without the extension.
    bool IdleMilliseconds(uint64_t& milliseconds) const;
    // Reads every event that has arrived, without waiting.
    XOutputEvents DrainEvents();
    void FillBlack(int32_t x, int32_t y, int32_t w, int32_t h);
    void PutRect(const Surface& pixels, int32_t x, int32_t y) override;
    void Flush();

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    bool Foreign() const { return foreign_; }

private:
    bool SetUpPixelFormat(Visual* visual, int depth, std::string& error);
    bool PointerOnRoot(int& rootX, int& rootY) const;  // where the pointer is, on the root
    void HandleEvent(const XEvent& event, XOutputEvents& events);
    bool IsRandrChange(const XEvent& event) const;  // a screen, CRTC or output change
    bool PointerMovedTooFar() const;  // full screen only: the input rule's mouse movement
    void OnMapped(XOutputEvents& events);
    void OnConfigured(const XConfigureEvent& configure, XOutputEvents& events);
    // RandR 1.5's usable monitors, in root coordinates; with `report`, absurd ones are named on
    // stderr. `listed` (when given) receives how many RandR listed, usable or not.
    std::vector<ScreenArea> RandrMonitors(bool report, int* listed) const;
    void WatchMonitors(Window root);      // RandR's and the root window's change events
    void RequestFullScreen(Window root);  // after mapping: full screen over every monitor

    Display* display_ = nullptr;
    Window window_ = 0;
    bool foreign_ = false;
    bool fullScreen_ = false;
    int32_t width_ = 0;
    int32_t height_ = 0;
    GC gc_ = nullptr;
    Cursor blankCursor_ = 0;
    Atom wmDeleteWindow_ = 0;
    int randrEventBase_ = -1;  // RandR's first event number, where the server has RandR

    // Pixel format of the window.
    int depth_ = 0;
    int bitsPerPixel_ = 0;
    bool directCopy_ = false;  // 32-bit 0x00RRGGBB in host byte order: upload surfaces as they are
    unsigned long redMask_ = 0, greenMask_ = 0, blueMask_ = 0;
    std::vector<char> converted_;        // the other formats go through this buffer
    unsigned long redLevels_[256] = {};  // and these: each 8-bit level in the server's format
    unsigned long greenLevels_[256] = {};
    unsigned long blueLevels_[256] = {};

    // Mouse movement is summed from where the pointer was when the window appeared.
    bool haveReference_ = false;
    int referenceX_ = 0;
    int referenceY_ = 0;
};
