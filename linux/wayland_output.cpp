#include "linux/wayland_output.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "ext-idle-notify-v1-client-protocol.h"
#include "fractional-scale-v1-client-protocol.h"
#include "idle-client-protocol.h"
#include "relative-pointer-unstable-v1-client-protocol.h"
#include "settings/rules.h"
#include "viewporter-client-protocol.h"
#include "xdg-shell-client-protocol.h"
#ifdef TEKUTEKU_LAYER_SHELL
#define namespace name_space  // a parameter of the generated C header, a keyword in C++
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
#else
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
#endif

namespace {

constexpr int32_t kDefaultWindowWidth = 1024;  // logical pixels, as on X
constexpr int32_t kDefaultWindowHeight = 768;

struct Output {
    WaylandSession::State* session = nullptr;
    wl_output* output = nullptr;
    uint32_t name = 0;
    int32_t scale = 1;
    int32_t modeWidth = 0;  // device pixels
    int32_t modeHeight = 0;
    bool done = false;
};

// The protocol's side of one of a view's shm buffers, each in memory of its own.
struct ShmBuffer {
    wl_buffer* buffer = nullptr;
    void* memory = MAP_FAILED;
    size_t size = 0;
};

struct View {
    WaylandSession::State* session = nullptr;
    StageView view;
    Output* output = nullptr;  // the output a full-screen surface covers; null for the window
    int32_t enteredScale = 1;  // the window: the scale of the output it is on
    uint32_t fractional = 0;   // preferred scale in 120ths, when the compositor says
    wl_surface* surface = nullptr;
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    zwlr_layer_surface_v1* layerSurface = nullptr;  // instead of the two above, where offered
    bool closed = false;                            // the compositor took the layer surface away
    wp_viewport* viewport = nullptr;
    wp_fractional_scale_v1* fractionalScale = nullptr;
    wl_callback* frame = nullptr;
    int32_t pendingWidth = 0;  // logical, from the last toplevel configure
    int32_t pendingHeight = 0;
    int32_t logicalWidth = 0;
    int32_t logicalHeight = 0;
    int32_t bufferScale = 1;
    bool leftOut = false;  // its size was refused: said once on stderr
    ShmBuffer shm[2];      // view.buffers' pixels

    ~View();
    void FreeBuffers();
    bool MakeBuffer(int index);
    void RefuseSize(double scale);
    void UpdateSize();
    void Configure(int32_t width, int32_t height);
};

}  // namespace

struct WaylandSession::State {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    xdg_wm_base* wmBase = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    bool useLayerShell = true;  // false: full-screen toplevels even where the layer shell is
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_pointer* pointer = nullptr;
    zwp_relative_pointer_manager_v1* relativeManager = nullptr;
    zwp_relative_pointer_v1* relativePointer = nullptr;  // with the pointer, where offered
    wp_viewporter* viewporter = nullptr;
    wp_fractional_scale_manager_v1* fractionalManager = nullptr;
    ext_idle_notifier_v1* idleNotifier = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    ext_idle_notification_v1* idleNotification = nullptr;
    org_kde_kwin_idle_timeout* kdeIdleTimeout = nullptr;
    std::vector<std::unique_ptr<Output>> outputs;
    std::vector<std::unique_ptr<View>> views;
    bool showing = false;
    bool fullScreen = false;
    bool idleStart = false;
    bool idleNow = false;
    bool endRequested = false;
    // The input rule's mouse movement: from the first motion on a surface, or, with relative
    // motion, summed from the first motion of the showing (not from wl_pointer.enter, whose
    // position may be stale, as mutter's is while a window opens).
    bool havePointerReference = false;
    double referenceX = 0;
    double referenceY = 0;
    double movedX = 0;  // relative motion summed since the reference
    double movedY = 0;

    void AddView(Output* output);
    void RemoveViewOf(Output* output);
    void RemoveClosedViews();
};

namespace {

// --- the layer shell -----------------------------------------------------------------------
// Where the compositor has it (sway, Hyprland, KDE Plasma), each output gets an overlay: above
// panels and full-screen windows, over the whole output, and given the keyboard.

#ifdef TEKUTEKU_LAYER_SHELL
void LayerConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
                    uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    static_cast<View*>(data)->Configure(static_cast<int32_t>(width), static_cast<int32_t>(height));
}
// Sent when its output goes away, say. The view goes once the dispatch is over, not in here.
void LayerClosed(void* data, zwlr_layer_surface_v1*) { static_cast<View*>(data)->closed = true; }
const zwlr_layer_surface_v1_listener kLayerListener = {LayerConfigure, LayerClosed};

bool IsLayerShell(std::string_view interface) {
    return interface == zwlr_layer_shell_v1_interface.name;
}
// Bound at version 3 at most: nothing later is used.
zwlr_layer_shell_v1* BindLayerShell(wl_registry* registry, uint32_t name, uint32_t version) {
    return static_cast<zwlr_layer_shell_v1*>(
        wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, std::min(version, 3u)));
}
void DestroyLayerShell(zwlr_layer_shell_v1* shell) {
    if (zwlr_layer_shell_v1_get_version(shell) >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION) {
        zwlr_layer_shell_v1_destroy(shell);
    } else {
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(shell));
    }
}
void DestroyLayerSurface(zwlr_layer_surface_v1* layer) { zwlr_layer_surface_v1_destroy(layer); }

// Anchored to all four edges with size 0, the compositor gives it the output's size.
void MakeLayerSurface(View& v, zwlr_layer_shell_v1* shell) {
    v.layerSurface = zwlr_layer_shell_v1_get_layer_surface(
        shell, v.surface, v.output->output, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "tekuteku");
    zwlr_layer_surface_v1_add_listener(v.layerSurface, &kLayerListener, &v);
    zwlr_layer_surface_v1_set_anchor(
        v.layerSurface, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                            ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(v.layerSurface, -1);  // over panels too
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        v.layerSurface, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
}

// sway 1.7 gives the keyboard to no one when the overlay that had it goes with its output, and
// looks for another only when an overlay's state changes: asking for the keyboard again is such
// a change, and harmless elsewhere.
void ClaimKeyboard(View& v) {
    if (!v.layerSurface) return;
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        v.layerSurface, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    wl_surface_commit(v.surface);
}
#else
bool IsLayerShell(std::string_view) { return false; }
zwlr_layer_shell_v1* BindLayerShell(wl_registry*, uint32_t, uint32_t) { return nullptr; }
void DestroyLayerShell(zwlr_layer_shell_v1*) {}
void DestroyLayerSurface(zwlr_layer_surface_v1*) {}
void MakeLayerSurface(View&, zwlr_layer_shell_v1*) {}
void ClaimKeyboard(View&) {}
#endif

// --- buffers and sizes ---------------------------------------------------------------------

const wl_buffer_listener kBufferListener = {
    [](void* data, wl_buffer*) { static_cast<ShownBuffer*>(data)->held = false; },
};

View::~View() {
    FreeBuffers();
    if (frame) wl_callback_destroy(frame);
    if (fractionalScale) wp_fractional_scale_v1_destroy(fractionalScale);
    if (viewport) wp_viewport_destroy(viewport);
    if (layerSurface) DestroyLayerSurface(layerSurface);
    if (toplevel) xdg_toplevel_destroy(toplevel);
    if (xdgSurface) xdg_surface_destroy(xdgSurface);
    if (surface) wl_surface_destroy(surface);
}

void View::FreeBuffers() {
    for (int i = 0; i < 2; ++i) {
        if (shm[i].buffer) wl_buffer_destroy(shm[i].buffer);
        if (shm[i].memory != MAP_FAILED) munmap(shm[i].memory, shm[i].size);
        shm[i] = ShmBuffer{};
        view.buffers[i] = ShownBuffer{};
    }
    view.drawing = -1;
}

// One buffer of the view's device size. DeviceSize has bounded the sides, so the size fits
// the protocol's int32_t; checked all the same.
bool View::MakeBuffer(int index) {
    const size_t stride = static_cast<size_t>(view.deviceWidth) * sizeof(uint32_t);
    const size_t size = stride * static_cast<size_t>(view.deviceHeight);
    if (stride > INT32_MAX || size > INT32_MAX) return false;
    const int fd = memfd_create("tekuteku", MFD_CLOEXEC);
    if (fd < 0) return false;
    void* memory = MAP_FAILED;
    if (ftruncate(fd, static_cast<off_t>(size)) == 0) {
        memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    }
    if (memory == MAP_FAILED) {
        close(fd);
        return false;
    }
    wl_shm_pool* pool = wl_shm_create_pool(session->shm, fd, static_cast<int32_t>(size));
    ShmBuffer& b = shm[index];
    b.buffer = wl_shm_pool_create_buffer(pool, 0, view.deviceWidth, view.deviceHeight,
                                         static_cast<int32_t>(stride), WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    b.memory = memory;
    b.size = size;
    ShownBuffer& shown = view.buffers[index];
    shown = ShownBuffer{};
    shown.device = {static_cast<uint32_t*>(memory), view.deviceWidth, view.deviceHeight,
                    view.deviceWidth};
    wl_buffer_add_listener(b.buffer, &kBufferListener, &shown);
    return true;
}

// An output too large to draw on, or sizes whose arithmetic would overflow: left out, the
// others go on. Said once until a size is accepted again.
void View::RefuseSize(double scale) {
    FreeBuffers();
    view.configured = false;
    if (!leftOut) {
        std::fprintf(stderr,
                     "tekuteku: an output of %d x %d logical pixels at scale %g is beyond %d "
                     "device pixels a side: left out\n",
                     logicalWidth, logicalHeight, scale, kMaxOutputSide);
    }
    leftOut = true;
}

// Works out the buffer from the logical size and the scale: the output's integer scale, or
// the compositor's fractional one through a viewport. A stage pixel is then the nearest whole
// number of device pixels.
void View::UpdateSize() {
    if (logicalWidth <= 0 || logicalHeight <= 0) return;
    const bool byFraction = fractional != 0 && viewport;
    const int32_t newBufferScale =
        byFraction ? 1 : std::max(1, output ? output->scale : enteredScale);
    const int64_t scale = byFraction ? int64_t{fractional} : newBufferScale;
    int32_t width, height, stageScale;
    if (!DeviceSize(logicalWidth, logicalHeight, scale, byFraction, width, height, stageScale)) {
        RefuseSize(byFraction ? static_cast<double>(scale) / 120 : static_cast<double>(scale));
        return;
    }
    leftOut = false;
    if (byFraction) wp_viewport_set_destination(viewport, logicalWidth, logicalHeight);
    if (width == view.deviceWidth && height == view.deviceHeight && stageScale == view.scale &&
        newBufferScale == bufferScale && view.configured) {
        return;
    }
    view.deviceWidth = width;
    view.deviceHeight = height;
    view.scale = stageScale;
    bufferScale = newBufferScale;
    FreeBuffers();
    if (!MakeBuffer(0)) {
        view.configured = false;
        return;
    }
    wl_surface_set_buffer_scale(surface, bufferScale);
    view.configured = true;
    view.needsStart = true;
}

// The logical size a configure asks for; zero leaves it to the client: the output's size, or
// the window's as it was.
void View::Configure(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) {
        if (output && output->modeWidth > 0) {
            width = output->modeWidth / std::max(1, output->scale);
            height = output->modeHeight / std::max(1, output->scale);
        } else if (logicalWidth > 0) {
            width = logicalWidth;
            height = logicalHeight;
        } else {
            width = kDefaultWindowWidth;
            height = kDefaultWindowHeight;
        }
    }
    logicalWidth = width;
    logicalHeight = height;
    UpdateSize();
}

// --- listeners -----------------------------------------------------------------------------

const wl_callback_listener kFrameListener = {
    [](void* data, wl_callback* callback, uint32_t) {
        View* v = static_cast<View*>(data);
        wl_callback_destroy(callback);
        v->frame = nullptr;
    },
};

void ToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
    View* v = static_cast<View*>(data);
    v->pendingWidth = width;
    v->pendingHeight = height;
}
void ToplevelClose(void* data, xdg_toplevel*) {
    static_cast<View*>(data)->session->endRequested = true;
}
// Bound at version 2: the later events are never sent.
const xdg_toplevel_listener kToplevelListener = {ToplevelConfigure, ToplevelClose, nullptr,
                                                 nullptr};

void SurfaceConfigure(void* data, xdg_surface* surface, uint32_t serial) {
    View* v = static_cast<View*>(data);
    xdg_surface_ack_configure(surface, serial);
    v->Configure(v->pendingWidth, v->pendingHeight);
}
const xdg_surface_listener kXdgSurfaceListener = {SurfaceConfigure};

void SurfaceEnter(void* data, wl_surface*, wl_output* entered) {
    View* v = static_cast<View*>(data);
    for (const auto& o : v->session->outputs) {
        if (o->output == entered && o->scale != v->enteredScale) {
            v->enteredScale = o->scale;
            v->UpdateSize();
        }
    }
}
void SurfaceLeave(void*, wl_surface*, wl_output*) {}
const wl_surface_listener kSurfaceListener = {SurfaceEnter, SurfaceLeave};

void PreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale) {
    View* v = static_cast<View*>(data);
    v->fractional = scale;
    v->UpdateSize();
}
const wp_fractional_scale_v1_listener kFractionalListener = {PreferredScale};

void OutputGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                    const char*, int32_t) {}
void OutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
    Output* o = static_cast<Output*>(data);
    o->modeWidth = width;
    o->modeHeight = height;
}
void OutputDone(void* data, wl_output*) {
    Output* o = static_cast<Output*>(data);
    o->done = true;
    WaylandSession::State* s = o->session;
    for (const auto& v : s->views) {
        if (v->output == o) {
            v->UpdateSize();  // the scale may have changed
            return;
        }
    }
    if (s->showing && s->fullScreen) s->AddView(o);  // an output that came while showing
}
void OutputScale(void* data, wl_output*, int32_t factor) {
    static_cast<Output*>(data)->scale = std::max(1, factor);
}
// Bound at version 3 at most: name and description (version 4) are never sent.
const wl_output_listener kOutputListener = {OutputGeometry, OutputMode, OutputDone,
                                            OutputScale,    nullptr,    nullptr};

WaylandSession::State* SessionOf(void* data) { return static_cast<WaylandSession::State*>(data); }

void PointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface*, wl_fixed_t,
                  wl_fixed_t) {
    WaylandSession::State* s = SessionOf(data);
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);  // a saver shows no pointer
    if (!s->relativePointer) s->havePointerReference = false;
}
void PointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*) {
    WaylandSession::State* s = SessionOf(data);
    if (!s->relativePointer) s->havePointerReference = false;
}
// Where the pointer is, in surface coordinates or as the sum of relative motion: the first
// place of a showing is the reference, and a later one too far from it ends the saver.
void PointerAt(WaylandSession::State* s, double x, double y) {
    if (!s->showing || !s->fullScreen) return;
    if (!s->havePointerReference) {
        s->havePointerReference = true;
        s->referenceX = x;
        s->referenceY = y;
        return;
    }
    // Coordinates may have fractions of a pixel: the rule counts whole pixels.
    if (MovedTooFar(static_cast<int32_t>(std::lround(s->referenceX)),
                    static_cast<int32_t>(std::lround(s->referenceY)),
                    static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y)))) {
        s->endRequested = true;
    }
}
void PointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
    WaylandSession::State* s = SessionOf(data);
    if (!s->relativePointer) PointerAt(s, wl_fixed_to_double(x), wl_fixed_to_double(y));
}
// Relative motion counts from the first movement on, across outputs, and only what the user
// did: a surface that moves or grows under a resting pointer sends none.
void RelativeMotion(void* data, zwp_relative_pointer_v1*, uint32_t, uint32_t, wl_fixed_t dx,
                    wl_fixed_t dy, wl_fixed_t, wl_fixed_t) {
    WaylandSession::State* s = SessionOf(data);
    if (!s->showing || !s->fullScreen) return;
    if (!s->havePointerReference) {
        s->movedX = s->movedY = 0;
        PointerAt(s, 0, 0);  // where the pointer was before this motion
    }
    s->movedX += wl_fixed_to_double(dx);
    s->movedY += wl_fixed_to_double(dy);
    PointerAt(s, s->movedX, s->movedY);
}
const zwp_relative_pointer_v1_listener kRelativeListener = {RelativeMotion};
void PointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
    WaylandSession::State* s = SessionOf(data);
    if (s->showing && state == WL_POINTER_BUTTON_STATE_PRESSED) s->endRequested = true;
}
void PointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
void PointerFrame(void*, wl_pointer*) {}
void PointerAxisSource(void*, wl_pointer*, uint32_t) {}
void PointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void PointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
const wl_pointer_listener kPointerListener = {
    PointerEnter, PointerLeave,      PointerMotion,   PointerButton,       PointerAxis,
    PointerFrame, PointerAxisSource, PointerAxisStop, PointerAxisDiscrete,
    nullptr,  // axis_value120 is version 8; the seat is bound at 5
};

void KeyboardKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); }
void KeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void KeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void KeyboardKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state) {
    WaylandSession::State* s = SessionOf(data);
    if (s->showing && state == WL_KEYBOARD_KEY_STATE_PRESSED) s->endRequested = true;
}
void KeyboardModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void KeyboardRepeat(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kKeyboardListener = {KeyboardKeymap, KeyboardEnter,     KeyboardLeave,
                                                KeyboardKey,    KeyboardModifiers, KeyboardRepeat};

// Release requests exist from version 3 (keyboard, pointer) and 5 (seat) on.
void ReleaseKeyboard(wl_keyboard*& keyboard) {
    if (wl_keyboard_get_version(keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION) {
        wl_keyboard_release(keyboard);
    } else {
        wl_keyboard_destroy(keyboard);
    }
    keyboard = nullptr;
}
void ReleasePointer(wl_pointer*& pointer, zwp_relative_pointer_v1*& relative) {
    if (relative) zwp_relative_pointer_v1_destroy(relative);
    relative = nullptr;
    if (wl_pointer_get_version(pointer) >= WL_POINTER_RELEASE_SINCE_VERSION) {
        wl_pointer_release(pointer);
    } else {
        wl_pointer_destroy(pointer);
    }
    pointer = nullptr;
}

// Keyboards and pointers come and go (a virtual keyboard exists only while its program runs):
// each is asked for when the seat gains it and released when the seat loses it.
void SeatCapabilities(void* data, wl_seat* seat, uint32_t caps) {
    WaylandSession::State* s = SessionOf(data);
    const bool keyboard = caps & WL_SEAT_CAPABILITY_KEYBOARD;
    const bool pointer = caps & WL_SEAT_CAPABILITY_POINTER;
    if (keyboard && !s->keyboard) {
        s->keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(s->keyboard, &kKeyboardListener, s);
    } else if (!keyboard && s->keyboard) {
        ReleaseKeyboard(s->keyboard);
    }
    if (pointer && !s->pointer) {
        s->pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(s->pointer, &kPointerListener, s);
        if (s->relativeManager) {
            s->relativePointer = zwp_relative_pointer_manager_v1_get_relative_pointer(
                s->relativeManager, s->pointer);
            zwp_relative_pointer_v1_add_listener(s->relativePointer, &kRelativeListener, s);
        }
    } else if (!pointer && s->pointer) {
        ReleasePointer(s->pointer, s->relativePointer);
        s->havePointerReference = false;
    }
}
void SeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {SeatCapabilities, SeatName};

const xdg_wm_base_listener kWmBaseListener = {
    [](void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); },
};

void Idled(void* data, bool idle) {
    SessionOf(data)->idleStart = idle;
    SessionOf(data)->idleNow = idle;
}
void IdleIdled(void* data, ext_idle_notification_v1*) { Idled(data, true); }
void IdleResumed(void* data, ext_idle_notification_v1*) { Idled(data, false); }
const ext_idle_notification_v1_listener kIdleListener = {IdleIdled, IdleResumed};
void KdeIdle(void* data, org_kde_kwin_idle_timeout*) { Idled(data, true); }
void KdeResumed(void* data, org_kde_kwin_idle_timeout*) { Idled(data, false); }
const org_kde_kwin_idle_timeout_listener kKdeIdleListener = {KdeIdle, KdeResumed};

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t offered,
        uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

void RegistryGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                    uint32_t version) {
    WaylandSession::State* s = SessionOf(data);
    const std::string_view is = interface;
    if (is == wl_compositor_interface.name && version >= 4) {
        s->compositor = Bind<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
    } else if (is == wl_shm_interface.name) {
        s->shm = Bind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
    } else if (is == xdg_wm_base_interface.name) {
        s->wmBase = Bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, 2);
        xdg_wm_base_add_listener(s->wmBase, &kWmBaseListener, s);
    } else if (is == wl_seat_interface.name && !s->seat) {
        s->seat = Bind<wl_seat>(registry, name, &wl_seat_interface, version, 5);
        wl_seat_add_listener(s->seat, &kSeatListener, s);
    } else if (is == wl_output_interface.name && version >= 2) {
        auto output = std::make_unique<Output>();
        output->session = s;
        output->name = name;
        output->output = Bind<wl_output>(registry, name, &wl_output_interface, version, 3);
        wl_output_add_listener(output->output, &kOutputListener, output.get());
        s->outputs.push_back(std::move(output));
    } else if (is == wp_viewporter_interface.name) {
        s->viewporter = Bind<wp_viewporter>(registry, name, &wp_viewporter_interface, version, 1);
    } else if (is == wp_fractional_scale_manager_v1_interface.name) {
        s->fractionalManager = Bind<wp_fractional_scale_manager_v1>(
            registry, name, &wp_fractional_scale_manager_v1_interface, version, 1);
    } else if (is == ext_idle_notifier_v1_interface.name) {
        s->idleNotifier =
            Bind<ext_idle_notifier_v1>(registry, name, &ext_idle_notifier_v1_interface, version, 1);
    } else if (is == org_kde_kwin_idle_interface.name) {
        s->kdeIdle =
            Bind<org_kde_kwin_idle>(registry, name, &org_kde_kwin_idle_interface, version, 1);
    } else if (is == zwp_relative_pointer_manager_v1_interface.name) {
        s->relativeManager = Bind<zwp_relative_pointer_manager_v1>(
            registry, name, &zwp_relative_pointer_manager_v1_interface, version, 1);
    } else if (IsLayerShell(is) && s->useLayerShell) {
        s->layerShell = BindLayerShell(registry, name, version);
    }
}

void RegistryGlobalRemove(void* data, wl_registry*, uint32_t name) {
    WaylandSession::State* s = SessionOf(data);
    for (auto it = s->outputs.begin(); it != s->outputs.end(); ++it) {
        if ((*it)->name != name) continue;
        s->RemoveViewOf(it->get());
        if (wl_output_get_version((*it)->output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
            wl_output_release((*it)->output);
        } else {
            wl_output_destroy((*it)->output);
        }
        s->outputs.erase(it);
        return;
    }
}
const wl_registry_listener kRegistryListener = {RegistryGlobal, RegistryGlobalRemove};

// A window, or full screen on one output where there is no layer shell.
void MakeToplevel(View& v, xdg_wm_base* wmBase) {
    v.xdgSurface = xdg_wm_base_get_xdg_surface(wmBase, v.surface);
    xdg_surface_add_listener(v.xdgSurface, &kXdgSurfaceListener, &v);
    v.toplevel = xdg_surface_get_toplevel(v.xdgSurface);
    xdg_toplevel_add_listener(v.toplevel, &kToplevelListener, &v);
    xdg_toplevel_set_title(v.toplevel, "てくてくポルッカ");
    xdg_toplevel_set_app_id(v.toplevel, "tekuteku");
    if (v.output) xdg_toplevel_set_fullscreen(v.toplevel, v.output->output);
}

}  // namespace

void WaylandSession::State::AddView(Output* output) {
    auto v = std::make_unique<View>();
    v->session = this;
    v->output = output;
    v->surface = wl_compositor_create_surface(compositor);
    wl_surface_add_listener(v->surface, &kSurfaceListener, v.get());
    if (viewporter && fractionalManager) {
        v->viewport = wp_viewporter_get_viewport(viewporter, v->surface);
        v->fractionalScale =
            wp_fractional_scale_manager_v1_get_fractional_scale(fractionalManager, v->surface);
        wp_fractional_scale_v1_add_listener(v->fractionalScale, &kFractionalListener, v.get());
    }
    if (output && layerShell) {
        MakeLayerSurface(*v, layerShell);
    } else {
        MakeToplevel(*v, wmBase);
    }
    wl_surface_commit(v->surface);  // no buffer yet: asks for the first configure
    views.push_back(std::move(v));
}

namespace {
// The views that remain ask for the keyboard again, in case the one that had it is gone.
template <typename Gone>
void RemoveViewsIf(std::vector<std::unique_ptr<View>>& views, Gone gone) {
    if (std::erase_if(views, gone)) {
        for (const auto& v : views) ClaimKeyboard(*v);
    }
}
}  // namespace

void WaylandSession::State::RemoveViewOf(Output* output) {
    RemoveViewsIf(views, [output](const auto& v) { return v->output == output; });
}

void WaylandSession::State::RemoveClosedViews() {
    RemoveViewsIf(views, [](const auto& v) { return v->closed; });
}

WaylandSession::WaylandSession() : state_(std::make_unique<State>()) {}

WaylandSession::~WaylandSession() {
    State& s = *state_;
    if (!s.display) return;
    s.views.clear();
    if (s.idleNotification) ext_idle_notification_v1_destroy(s.idleNotification);
    if (s.kdeIdleTimeout) org_kde_kwin_idle_timeout_release(s.kdeIdleTimeout);
    if (s.idleNotifier) ext_idle_notifier_v1_destroy(s.idleNotifier);
    if (s.kdeIdle) org_kde_kwin_idle_destroy(s.kdeIdle);
    if (s.layerShell) DestroyLayerShell(s.layerShell);
    for (const auto& o : s.outputs) wl_output_destroy(o->output);
    s.outputs.clear();
    if (s.keyboard) ReleaseKeyboard(s.keyboard);
    if (s.pointer) ReleasePointer(s.pointer, s.relativePointer);
    if (s.relativeManager) zwp_relative_pointer_manager_v1_destroy(s.relativeManager);
    if (s.seat) {
        if (wl_seat_get_version(s.seat) >= WL_SEAT_RELEASE_SINCE_VERSION) {
            wl_seat_release(s.seat);
        } else {
            wl_seat_destroy(s.seat);
        }
    }
    if (s.fractionalManager) wp_fractional_scale_manager_v1_destroy(s.fractionalManager);
    if (s.viewporter) wp_viewporter_destroy(s.viewporter);
    if (s.wmBase) xdg_wm_base_destroy(s.wmBase);
    if (s.shm) wl_shm_destroy(s.shm);
    if (s.compositor) wl_compositor_destroy(s.compositor);
    if (s.registry) wl_registry_destroy(s.registry);
    wl_display_flush(s.display);
    wl_display_disconnect(s.display);
}

bool WaylandSession::Connect(std::string& error) {
    State& s = *state_;
    s.display = wl_display_connect(nullptr);
    if (!s.display) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        error = std::string("cannot connect to the Wayland display '") +
                (name ? name : "wayland-0") + "'";
        return false;
    }
    // For compositors whose layer shell misbehaves, and to try the other way on one that has it.
    const char* noLayerShell = std::getenv("TEKUTEKU_NO_LAYER_SHELL");
    s.useLayerShell = !noLayerShell || !*noLayerShell;
    s.registry = wl_display_get_registry(s.display);
    wl_registry_add_listener(s.registry, &kRegistryListener, &s);
    // The globals, then what they announce (seat capabilities, output modes and scales).
    if (wl_display_roundtrip(s.display) < 0 || wl_display_roundtrip(s.display) < 0) {
        error = "the Wayland connection failed";
        return false;
    }
    if (!s.compositor || !s.shm || !s.wmBase) {
        error = "the compositor lacks wl_compositor 4, wl_shm or xdg_wm_base";
        return false;
    }
    return true;
}

int WaylandSession::ConnectionFd() const { return wl_display_get_fd(state_->display); }

bool WaylandSession::WatchIdle(uint32_t milliseconds, std::string& error) {
    State& s = *state_;
    if (!s.seat) {
        error = "the compositor has no seat to watch for idleness";
        return false;
    }
    if (s.idleNotifier) {
        s.idleNotification =
            ext_idle_notifier_v1_get_idle_notification(s.idleNotifier, milliseconds, s.seat);
        ext_idle_notification_v1_add_listener(s.idleNotification, &kIdleListener, &s);
    } else if (s.kdeIdle) {
        s.kdeIdleTimeout = org_kde_kwin_idle_get_idle_timeout(s.kdeIdle, s.seat, milliseconds);
        org_kde_kwin_idle_timeout_add_listener(s.kdeIdleTimeout, &kKdeIdleListener, &s);
    } else {
        error =
            "the compositor offers no idle notification (ext-idle-notify-v1 or "
            "org_kde_kwin_idle)";
        return false;
    }
    return true;
}

bool WaylandSession::IdleNow() const { return state_->idleNow; }

bool WaylandSession::TakeIdleStart() {
    const bool started = state_->idleStart;
    state_->idleStart = false;
    return started;
}

void WaylandSession::Show(bool fullScreen) {
    State& s = *state_;
    s.showing = true;
    s.fullScreen = fullScreen;
    s.endRequested = false;
    if (!fullScreen) {
        s.AddView(nullptr);
        return;
    }
    for (const auto& o : s.outputs) {
        if (o->done) s.AddView(o.get());
    }
}

void WaylandSession::Hide() {
    State& s = *state_;
    s.views.clear();
    s.showing = false;
    s.havePointerReference = false;
    s.endRequested = false;
    wl_display_flush(s.display);
}

bool WaylandSession::Showing() const { return state_->showing; }

std::vector<StageView*> WaylandSession::Views() {
    std::vector<StageView*> views;
    for (const auto& v : state_->views) views.push_back(&v->view);
    return views;
}

void WaylandSession::Present() {
    for (const auto& pointer : state_->views) {
        View& v = *pointer;
        if (!v.view.configured || v.view.needsStart) continue;
        DrawPending(v.view, !v.frame, [&v](int index) { return v.MakeBuffer(index); });
        // Frame callbacks pace each output: a hidden one never asks, and the drawing stays in
        // the buffer not yet committed.
        if (v.frame || v.view.drawing < 0 || v.view.damage.empty()) continue;
        const int drawn = v.view.drawing;
        wl_surface_attach(v.surface, v.shm[drawn].buffer, 0, 0);
        const int32_t s = v.view.scale;
        for (const StageRect& r : v.view.damage) {
            wl_surface_damage_buffer(v.surface, r.x * s, r.y * s, r.w * s, r.h * s);
        }
        v.view.damage.clear();
        v.view.buffers[drawn].held = true;
        v.view.drawing = -1;
        v.frame = wl_surface_frame(v.surface);
        wl_callback_add_listener(v.frame, &kFrameListener, &v);
        wl_surface_commit(v.surface);
    }
}

WaylandEvents WaylandSession::Dispatch() {
    State& s = *state_;
    WaylandEvents events;
    while (wl_display_prepare_read(s.display) != 0) wl_display_dispatch_pending(s.display);
    wl_display_flush(s.display);
    pollfd readable{wl_display_get_fd(s.display), POLLIN, 0};
    if (poll(&readable, 1, 0) > 0) {
        wl_display_read_events(s.display);
    } else {
        wl_display_cancel_read(s.display);
    }
    if (wl_display_dispatch_pending(s.display) < 0 || wl_display_get_error(s.display) != 0) {
        events.lost = true;
    }
    s.RemoveClosedViews();
    events.endRequested = s.endRequested;
    s.endRequested = false;
    return events;
}

void WaylandSession::Flush() { wl_display_flush(state_->display); }
