#include "linux/x11_output.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/scrnsaver.h>

#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/rules.h"

namespace {

constexpr int32_t kDefaultWindowWidth = 1024;
constexpr int32_t kDefaultWindowHeight = 768;

// Xlib reports protocol errors through one process-wide callback; this is what it may touch.
struct XErrorState {
    Window watched = 0;
    bool watchedGone = false;
    int lastError = 0;
};
XErrorState gXErrors;

int OnXError(Display*, XErrorEvent* error) {
    gXErrors.lastError = error->error_code;
    if ((error->error_code == BadWindow || error->error_code == BadDrawable) &&
        error->resourceid == gXErrors.watched) {
        gXErrors.watchedGone = true;
    }
    return 0;
}

int OnXIOError(Display*) {
    // The server went away; a saver has nothing left to do.
    std::fputs("tekuteku: lost the connection to the X server\n", stderr);
    _exit(1);
}

int ChannelShift(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

int ChannelBits(unsigned long mask) {
    int bits = 0;
    for (mask >>= ChannelShift(mask); mask & 1; mask >>= 1) ++bits;
    return bits;
}

// The server's value for every 8-bit level of the channel `mask` selects.
void FillChannelLevels(unsigned long mask, unsigned long (&levels)[256]) {
    const int bits = ChannelBits(mask);
    const unsigned long max = bits >= 32 ? 0xFFFFFFFFul : ((1ul << bits) - 1);
    const int shift = ChannelShift(mask);
    for (uint32_t value8 = 0; value8 < 256; ++value8) {
        levels[value8] = ((value8 * max + 127) / 255) << shift;
    }
}

bool HostIsLittleEndian() {
    const uint16_t probe = 1;
    unsigned char first;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}

}  // namespace

XOutput::~XOutput() {
    if (!display_) return;
    if (gc_) XFreeGC(display_, gc_);
    if (blankCursor_) XFreeCursor(display_, blankCursor_);
    if (window_ && !foreign_) XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
    gXErrors = XErrorState{};
}

bool XOutput::Open(std::string& error) {
    display_ = XOpenDisplay(nullptr);
    if (!display_) {
        const char* name = std::getenv("DISPLAY");
        error = std::string("cannot open display '") + (name ? name : "") + "'";
        return false;
    }
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXIOError);
    return true;
}

int XOutput::ConnectionFd() const { return ConnectionNumber(display_); }

bool XOutput::SetUpPixelFormat(Visual* visual, int depth, std::string& error) {
    if (visual->c_class != TrueColor && visual->c_class != DirectColor) {
        error = "the window's visual is not a true-colour one";
        return false;
    }
    depth_ = depth;
    int formatCount = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display_, &formatCount);
    for (int i = 0; i < formatCount; ++i) {
        if (formats[i].depth == depth) bitsPerPixel_ = formats[i].bits_per_pixel;
    }
    if (formats) XFree(formats);
    if (bitsPerPixel_ == 0) {
        error = "no pixel format for the window's depth";
        return false;
    }
    redMask_ = visual->red_mask;
    greenMask_ = visual->green_mask;
    blueMask_ = visual->blue_mask;
    const bool serverLittle = ImageByteOrder(display_) == LSBFirst;
    directCopy_ = bitsPerPixel_ == 32 && redMask_ == 0xFF0000 && greenMask_ == 0xFF00 &&
                  blueMask_ == 0xFF && serverLittle == HostIsLittleEndian();
    if (!directCopy_) {
        FillChannelLevels(redMask_, redLevels_);
        FillChannelLevels(greenMask_, greenLevels_);
        FillChannelLevels(blueMask_, blueLevels_);
    }
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    XSetForeground(display_, gc_, 0);  // black in every true-colour format
    XSetGraphicsExposures(display_, gc_, False);
    return true;
}

bool XOutput::CreateOwnWindow(bool fullScreen, std::string& error) {
    foreign_ = false;
    fullScreen_ = fullScreen;
    const int screen = DefaultScreen(display_);
    const Window root = RootWindow(display_, screen);
    const int32_t screenWidth = DisplayWidth(display_, screen);
    const int32_t screenHeight = DisplayHeight(display_, screen);
    width_ = fullScreen ? screenWidth : std::min(kDefaultWindowWidth, screenWidth);
    height_ = fullScreen ? screenHeight : std::min(kDefaultWindowHeight, screenHeight);

    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display_, screen);
    attributes.event_mask = KeyPressMask | ButtonPressMask | StructureNotifyMask | ExposureMask |
                            (fullScreen ? PointerMotionMask : 0);
    window_ = XCreateWindow(display_, root, 0, 0, static_cast<unsigned>(width_),
                            static_cast<unsigned>(height_), 0, CopyFromParent, InputOutput,
                            CopyFromParent, CWBackPixel | CWEventMask, &attributes);

    const char* title = "てくてくポルッカ";
    XStoreName(display_, window_, "tekuteku");
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_NAME", False),
                    XInternAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title),
                    static_cast<int>(std::strlen(title)));
    XClassHint classHint{const_cast<char*>("tekuteku"), const_cast<char*>("Tekuteku")};
    XSetClassHint(display_, window_, &classHint);
    wmDeleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &wmDeleteWindow_, 1);

    if (fullScreen) {
        Atom state = XInternAtom(display_, "_NET_WM_STATE_FULLSCREEN", False);
        XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_STATE", False), XA_ATOM,
                        32, PropModeReplace, reinterpret_cast<unsigned char*>(&state), 1);
        // An invisible cursor, as a full-screen saver shows none.
        char empty[1] = {0};
        Pixmap bitmap = XCreateBitmapFromData(display_, window_, empty, 1, 1);
        XColor black{};
        blankCursor_ = XCreatePixmapCursor(display_, bitmap, bitmap, &black, &black, 0, 0);
        XFreePixmap(display_, bitmap);
        XDefineCursor(display_, window_, blankCursor_);
    }
    if (!SetUpPixelFormat(DefaultVisual(display_, screen), DefaultDepth(display_, screen), error)) {
        return false;
    }
    gXErrors.watched = window_;
    if (fullScreen) WatchMonitors(root);
    XMapRaised(display_, window_);
    if (fullScreen) RequestFullScreen(root);
    XFlush(display_);
    return true;
}

// The property set before mapping is only read when the window maps, and some window managers
// read it too late; the standard request to the root window is honoured once it is mapped.
void XOutput::RequestFullScreen(Window root) {
    const auto send = [&](const char* type, const long(&data)[5]) {
        XEvent request{};
        request.xclient.type = ClientMessage;
        request.xclient.window = window_;
        request.xclient.message_type = XInternAtom(display_, type, False);
        request.xclient.format = 32;
        for (int i = 0; i < 5; ++i) request.xclient.data.l[i] = data[i];
        XSendEvent(display_, root, False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &request);
    };
    const long fullScreen =
        static_cast<long>(XInternAtom(display_, "_NET_WM_STATE_FULLSCREEN", False));
    send("_NET_WM_STATE", {1 /* _NET_WM_STATE_ADD */, fullScreen, 0, 1 /* an application */, 0});
    // And every monitor, not just the one the window manager would pick: the outermost
    // monitors on each side, by their index.
    const std::vector<ScreenArea> monitors = RandrMonitors(false, nullptr);
    if (monitors.size() < 2) return;
    long edge[5] = {0, 0, 0, 0, 1};  // top, bottom, left, right; 1: from an application
    const auto bottom = [](const ScreenArea& a) { return a.top + a.height; };
    const auto right = [](const ScreenArea& a) { return a.left + a.width; };
    for (size_t i = 1; i < monitors.size(); ++i) {
        const ScreenArea& m = monitors[i];
        if (m.top < monitors[edge[0]].top) edge[0] = static_cast<long>(i);
        if (bottom(m) > bottom(monitors[edge[1]])) edge[1] = static_cast<long>(i);
        if (m.left < monitors[edge[2]].left) edge[2] = static_cast<long>(i);
        if (right(m) > right(monitors[edge[3]])) edge[3] = static_cast<long>(i);
    }
    send("_NET_WM_FULLSCREEN_MONITORS", edge);
}

// A monitor is set with `xrandr --setmonitor` (ConfigureNotify on the root window), and comes,
// goes or changes with its CRTC or output (RandR's own events): any of them makes the window's
// pictures follow.
void XOutput::WatchMonitors(Window root) {
    int errorBase = 0;
    XSelectInput(display_, root, StructureNotifyMask);
    if (!XRRQueryExtension(display_, &randrEventBase_, &errorBase)) {
        randrEventBase_ = -1;
        return;
    }
    XRRSelectInput(display_, root,
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
}

std::vector<ScreenArea> XOutput::RandrMonitors(bool report, int* listed) const {
    std::vector<ScreenArea> found;
    int eventBase, errorBase, major = 0, minor = 0;
    if (!XRRQueryExtension(display_, &eventBase, &errorBase) ||
        !XRRQueryVersion(display_, &major, &minor) || (major == 1 && minor < 5)) {
        return found;
    }
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display_, DefaultRootWindow(display_), True, &count);
    if (listed) *listed = count;
    for (int i = 0; i < count; ++i) {
        const XRRMonitorInfo& m = monitors[i];
        if (UsableArea(m.x, m.y, m.width, m.height)) {
            found.push_back({m.x, m.y, m.width, m.height});
        } else if (report) {
            std::fprintf(stderr,
                         "tekuteku: monitor %d (%dx%d at %d,%d) is left out: more than %d "
                         "pixels a side, or out of range\n",
                         i, m.width, m.height, m.x, m.y, kMaxOutputSide);
        }
    }
    if (monitors) XRRFreeMonitors(monitors);
    return found;
}

std::vector<ScreenArea> XOutput::Monitors() const {
    std::vector<ScreenArea> areas;
    int left = 0, top = 0;
    Window child;
    if (!foreign_ && fullScreen_ &&
        XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), 0, 0, &left, &top,
                              &child)) {
        // Each monitor's part of the window, in window coordinates: a window manager may have
        // given the window fewer monitors than it asked for. In 64 bits: nothing here wraps.
        int listed = 0;
        for (const ScreenArea& m : RandrMonitors(true, &listed)) {
            const int64_t x0 = std::max<int64_t>(int64_t{m.left} - left, 0);
            const int64_t y0 = std::max<int64_t>(int64_t{m.top} - top, 0);
            const int64_t x1 = std::min<int64_t>(int64_t{m.left} - left + m.width, width_);
            const int64_t y1 = std::min<int64_t>(int64_t{m.top} - top + m.height, height_);
            if (x1 > x0 && y1 > y0) {
                areas.push_back({static_cast<int32_t>(x0), static_cast<int32_t>(y0),
                                 static_cast<int32_t>(x1 - x0), static_cast<int32_t>(y1 - y0)});
            }
        }
        // Monitors there are, but none usable within the window: nothing to draw on.
        if (listed > 0) return areas;
    }
    if (UsableArea(0, 0, width_, height_)) {
        areas.push_back({0, 0, width_, height_});
    } else {
        std::fprintf(stderr, "tekuteku: the window (%dx%d) is more than %d pixels a side\n", width_,
                     height_, kMaxOutputSide);
    }
    return areas;
}

bool XOutput::IdleMilliseconds(uint64_t& milliseconds) const {
    int eventBase, errorBase;
    if (!XScreenSaverQueryExtension(display_, &eventBase, &errorBase)) return false;
    XScreenSaverInfo info{};
    if (!XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), &info)) return false;
    milliseconds = info.idle;
    return true;
}

bool XOutput::AttachForeignWindow(uint64_t window, std::string& error) {
    foreign_ = true;
    window_ = window ? static_cast<Window>(window) : DefaultRootWindow(display_);
    gXErrors.watched = window_;
    gXErrors.watchedGone = false;
    XWindowAttributes attributes{};
    XSync(display_, False);
    if (!XGetWindowAttributes(display_, window_, &attributes) || gXErrors.watchedGone) {
        char text[64];
        std::snprintf(text, sizeof text, "there is no window 0x%lx", window_);
        error = text;
        return false;
    }
    width_ = attributes.width;
    height_ = attributes.height;
    // Only structure and exposure: input belongs to whoever owns the window.
    XSelectInput(display_, window_, StructureNotifyMask | ExposureMask);
    if (!SetUpPixelFormat(attributes.visual, attributes.depth, error)) return false;
    XSync(display_, False);
    if (gXErrors.watchedGone) {
        error = "the window went away";
        return false;
    }
    FillBlack(0, 0, width_, height_);
    XFlush(display_);
    return true;
}

bool XOutput::PointerOnRoot(int& rootX, int& rootY) const {
    Window rootReturn, childReturn;
    int winX, winY;
    unsigned int maskReturn;
    return XQueryPointer(display_, window_, &rootReturn, &childReturn, &rootX, &rootY, &winX, &winY,
                         &maskReturn);
}

XOutputEvents XOutput::DrainEvents() {
    XOutputEvents events;
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        HandleEvent(event, events);
    }
    if (gXErrors.watchedGone) events.gone = true;
    return events;
}

void XOutput::HandleEvent(const XEvent& event, XOutputEvents& events) {
    switch (event.type) {
        case KeyPress:
        case ButtonPress:
            if (!foreign_) events.closeRequested = true;
            break;
        case MotionNotify:
            if (PointerMovedTooFar()) events.closeRequested = true;
            break;
        case MapNotify:
            if (event.xmap.window == window_ && !foreign_) OnMapped(events);
            break;
        case ConfigureNotify:
            if (event.xconfigure.window == window_) {
                OnConfigured(event.xconfigure, events);
            } else if (!foreign_) {
                events.monitorsChanged = true;  // the root window: the screen or a monitor
            }
            break;
        case Expose:
            // Foreign windows may have any background; ours is black already.
            if (foreign_ && event.xexpose.window == window_) {
                FillBlack(event.xexpose.x, event.xexpose.y, event.xexpose.width,
                          event.xexpose.height);
            }
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window_) events.gone = true;
            break;
        case ClientMessage:
            if (!foreign_ && static_cast<Atom>(event.xclient.data.l[0]) == wmDeleteWindow_) {
                events.closeRequested = true;
            }
            break;
        default:
            if (IsRandrChange(event)) {
                XRRUpdateConfiguration(const_cast<XEvent*>(&event));
                events.monitorsChanged = true;
            }
            break;
    }
}

bool XOutput::IsRandrChange(const XEvent& event) const {
    return randrEventBase_ >= 0 && (event.type == randrEventBase_ + RRScreenChangeNotify ||
                                    event.type == randrEventBase_ + RRNotify);
}

bool XOutput::PointerMovedTooFar() const {
    if (foreign_ || !fullScreen_ || !haveReference_) return false;
    // Where the pointer is now, not where the event says it was.
    int rootX, rootY;
    return PointerOnRoot(rootX, rootY) && MovedTooFar(referenceX_, referenceY_, rootX, rootY);
}

void XOutput::OnMapped(XOutputEvents& events) {
    events.mapped = true;
    if (!fullScreen_) return;
    haveReference_ = PointerOnRoot(referenceX_, referenceY_);
    XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
}

void XOutput::OnConfigured(const XConfigureEvent& configure, XOutputEvents& events) {
    // Moved, not resized: the monitors may lie elsewhere in the window now.
    events.monitorsChanged = true;
    if (configure.width == width_ && configure.height == height_) return;
    width_ = configure.width;
    height_ = configure.height;
    events.resized = true;
}

void XOutput::FillBlack(int32_t x, int32_t y, int32_t w, int32_t h) {
    if (w <= 0 || h <= 0) return;
    XFillRectangle(display_, window_, gc_, x, y, static_cast<unsigned>(w),
                   static_cast<unsigned>(h));
}

void XOutput::PutRect(const Surface& pixels, int32_t x, int32_t y) {
    XImage image{};
    image.width = pixels.width;
    image.height = pixels.height;
    image.format = ZPixmap;
    image.byte_order = ImageByteOrder(display_);
    image.bitmap_unit = BitmapUnit(display_);
    image.bitmap_bit_order = BitmapBitOrder(display_);
    image.depth = depth_;
    image.bits_per_pixel = bitsPerPixel_;
    image.red_mask = redMask_;
    image.green_mask = greenMask_;
    image.blue_mask = blueMask_;
    if (directCopy_) {
        image.bitmap_pad = 32;
        image.bytes_per_line = pixels.width * 4;
        image.data = reinterpret_cast<char*>(const_cast<uint32_t*>(pixels.pixels.data()));
        XInitImage(&image);
    } else {
        // Any other true-colour layout: convert pixel by pixel, through the level tables, into
        // a buffer of the server's format.
        image.bitmap_pad = BitmapPad(display_);
        image.bytes_per_line =
            ((pixels.width * bitsPerPixel_ + image.bitmap_pad - 1) / image.bitmap_pad) *
            (image.bitmap_pad / 8);
        const size_t bytes = static_cast<size_t>(image.bytes_per_line) * pixels.height;
        if (converted_.size() < bytes) converted_.resize(bytes);
        image.data = converted_.data();
        XInitImage(&image);
        for (int32_t row = 0; row < pixels.height; ++row) {
            for (int32_t column = 0; column < pixels.width; ++column) {
                const uint32_t rgb = pixels.At(column, row);
                const unsigned long value = redLevels_[(rgb >> 16) & 0xFF] |
                                            greenLevels_[(rgb >> 8) & 0xFF] |
                                            blueLevels_[rgb & 0xFF];
                XPutPixel(&image, column, row, value);
            }
        }
    }
    XPutImage(display_, window_, gc_, &image, 0, 0, x, y, static_cast<unsigned>(pixels.width),
              static_cast<unsigned>(pixels.height));
}

void XOutput::Flush() { XFlush(display_); }
