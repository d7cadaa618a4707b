#include "linux/session_bus.h"

#include <systemd/sd-bus.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kDBusName = "org.freedesktop.DBus";
constexpr const char* kDBusPath = "/org/freedesktop/DBus";
constexpr const char* kMonitorName = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kMonitorPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kScreenSaverName = "org.freedesktop.ScreenSaver";
// Chromium and most players call the first path; Firefox, VLC and mpv the second.
constexpr const char* kScreenSaverPaths[] = {"/org/freedesktop/ScreenSaver", "/ScreenSaver"};
constexpr const char* kSessionName = "org.gnome.SessionManager";
constexpr const char* kSessionPath = "/org/gnome/SessionManager";
constexpr uint32_t kInhibitIdle = 8;  // gnome-session's flag for "do not mark the session idle"

// Bounds for callers that misbehave: what one caller and all of them together may hold, and
// how many messages one Dispatch() handles before the saver gets to draw again.
constexpr size_t kInhibitorsPerCaller = 16;
constexpr size_t kInhibitorsInAll = 256;
constexpr int kMessagesPerDispatch = 64;

struct Inhibitor {
    uint32_t cookie;
    std::string caller;  // the unique bus name that asked, and alone may release it
};

}  // namespace

struct SessionBus::State {
    sd_bus* bus = nullptr;
    std::string monitor;  // the idle monitor's unique name
    uint32_t idleWatch = 0;
    uint32_t activeWatch = 0;
    uint32_t idleMilliseconds = 0;
    bool idle = false;
    bool serving = false;
    std::vector<Inhibitor> inhibitors;
    uint32_t lastCookie = 0;
    bool desktopInhibited = false;

    ~State() { sd_bus_flush_close_unref(bus); }
    uint32_t NewCookie();
};

// Cookies start somewhere new each run and are never 0 or one in use (the step visits every
// 32-bit value before it repeats).
uint32_t SessionBus::State::NewCookie() {
    if (lastCookie == 0) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        lastCookie = static_cast<uint32_t>(now.tv_nsec) ^ static_cast<uint32_t>(now.tv_sec << 20);
    }
    const auto taken = [this](uint32_t c) {
        return c == 0 || std::any_of(inhibitors.begin(), inhibitors.end(),
                                     [c](const Inhibitor& i) { return i.cookie == c; });
    };
    do {
        lastCookie = lastCookie * 1664525u + 1013904223u;
    } while (taken(lastCookie));
    return lastCookie;
}

namespace {

SessionBus::State& StateOf(void* data) { return *static_cast<SessionBus::State*>(data); }

bool NameOwner(sd_bus* bus, const char* name, std::string& owner) {
    sd_bus_message* reply = nullptr;
    const char* unique = nullptr;
    const bool found = sd_bus_call_method(bus, kDBusName, kDBusPath, kDBusName, "GetNameOwner",
                                          nullptr, &reply, "s", name) >= 0 &&
                       sd_bus_message_read(reply, "s", &unique) >= 0;
    if (found) owner = unique;
    sd_bus_message_unref(reply);
    return found;
}

// --- org.freedesktop.ScreenSaver, served here ----------------------------------------------

int OnInhibit(sd_bus_message* call, void* data, sd_bus_error* error) {
    SessionBus::State& s = StateOf(data);
    const char* application = nullptr;  // neither is kept: a caller may send megabytes
    const char* reason = nullptr;
    const int read = sd_bus_message_read(call, "ss", &application, &reason);
    if (read < 0) return read;
    const char* sender = sd_bus_message_get_sender(call);
    if (!sender) return sd_bus_error_set(error, SD_BUS_ERROR_ACCESS_DENIED, "no sender");
    const auto held = std::count_if(s.inhibitors.begin(), s.inhibitors.end(),
                                    [sender](const Inhibitor& i) { return i.caller == sender; });
    if (static_cast<size_t>(held) >= kInhibitorsPerCaller ||
        s.inhibitors.size() >= kInhibitorsInAll) {
        return sd_bus_error_set(error, SD_BUS_ERROR_LIMITS_EXCEEDED, "too many inhibitors");
    }
    const uint32_t cookie = s.NewCookie();
    s.inhibitors.push_back({cookie, sender});
    return sd_bus_reply_method_return(call, "u", cookie);
}

int OnUnInhibit(sd_bus_message* call, void* data, sd_bus_error* error) {
    SessionBus::State& s = StateOf(data);
    uint32_t cookie = 0;
    const int read = sd_bus_message_read(call, "u", &cookie);
    if (read < 0) return read;
    const char* sender = sd_bus_message_get_sender(call);
    const auto gone = std::erase_if(s.inhibitors, [&](const Inhibitor& i) {
        return i.cookie == cookie && sender && i.caller == sender;
    });
    if (gone == 0) {
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "no such cookie of this caller");
    }
    return sd_bus_reply_method_return(call, "");
}

const sd_bus_vtable kScreenSaverVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Inhibit", "ss", "u", OnInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("UnInhibit", "u", "", OnUnInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

// A caller that leaves the bus, by exiting or crashing, gives up what it held.
int OnNameOwnerChanged(sd_bus_message* signal, void* data, sd_bus_error*) {
    SessionBus::State& s = StateOf(data);
    const char* name = nullptr;
    const char* before = nullptr;
    const char* after = nullptr;
    if (sd_bus_message_read(signal, "sss", &name, &before, &after) < 0 || *after) return 0;
    std::erase_if(s.inhibitors, [name](const Inhibitor& i) { return i.caller == name; });
    return 0;
}

// --- gnome-session's inhibitors -------------------------------------------------------------

int OnIsInhibited(sd_bus_message* reply, void* data, sd_bus_error*) {
    int inhibited = 0;
    // An error, or a reply of another type, counts as not inhibited.
    if (sd_bus_message_is_method_error(reply, nullptr) ||
        sd_bus_message_read(reply, "b", &inhibited) < 0) {
        inhibited = 0;
    }
    StateOf(data).desktopInhibited = inhibited != 0;
    return 0;
}

int AskSession(sd_bus_message*, void* data, sd_bus_error*) {
    SessionBus::State& s = StateOf(data);
    sd_bus_call_method_async(s.bus, nullptr, kSessionName, kSessionPath, kSessionName,
                             "IsInhibited", OnIsInhibited, &s, "u", kInhibitIdle);
    return 0;
}

// --- GNOME's idle monitor -------------------------------------------------------------------

int OnIdleWatchAdded(sd_bus_message* reply, void* data, sd_bus_error*) {
    uint32_t id = 0;
    if (sd_bus_message_read(reply, "u", &id) >= 0) StateOf(data).idleWatch = id;
    return 0;
}

int OnActiveWatchAdded(sd_bus_message* reply, void* data, sd_bus_error*) {
    uint32_t id = 0;
    if (sd_bus_message_read(reply, "u", &id) >= 0) StateOf(data).activeWatch = id;
    return 0;
}

void AddActiveWatch(SessionBus::State& s) {
    sd_bus_call_method_async(s.bus, nullptr, kMonitorName, kMonitorPath, kMonitorName,
                             "AddUserActiveWatch", OnActiveWatchAdded, &s, "");
}

// An idle watch fires each time the idle time is reached; a user-active watch once, at the
// next input, so a new one is set up every time.
int OnWatchFired(sd_bus_message* signal, void* data, sd_bus_error*) {
    SessionBus::State& s = StateOf(data);
    uint32_t id = 0;
    if (sd_bus_message_read(signal, "u", &id) < 0 || id == 0) return 0;
    if (id == s.idleWatch) {
        s.idle = true;
    } else if (id == s.activeWatch) {
        s.idle = false;
        s.activeWatch = 0;
        AddActiveWatch(s);
    }
    return 0;
}

}  // namespace

SessionBus::SessionBus() : state_(std::make_unique<State>()) {}
SessionBus::~SessionBus() = default;

bool SessionBus::Connect(std::string& error) {
    const int r = sd_bus_open_user(&state_->bus);
    if (r < 0) {
        error = std::string("cannot connect to the session bus: ") + strerror(-r);
        return false;
    }
    return true;
}

int SessionBus::Fd() const { return sd_bus_get_fd(state_->bus); }

short SessionBus::Events() const {
    const int events = sd_bus_get_events(state_->bus);
    return static_cast<short>(events < 0 ? 0 : events);
}

int64_t SessionBus::Deadline() const {
    uint64_t usec = 0;
    if (sd_bus_get_timeout(state_->bus, &usec) < 0 || usec == UINT64_MAX) return -1;
    return static_cast<int64_t>(std::min<uint64_t>(usec, INT64_MAX / 1000)) * 1000;
}

bool SessionBus::Dispatch() {
    for (int i = 0; i < kMessagesPerDispatch; ++i) {
        const int r = sd_bus_process(state_->bus, nullptr);
        if (r < 0) return false;
        if (r == 0) break;
    }
    return sd_bus_is_open(state_->bus) > 0;
}

bool SessionBus::HasIdleMonitor() { return NameOwner(state_->bus, kMonitorName, state_->monitor); }

bool SessionBus::WatchIdle(uint32_t milliseconds, std::string& error) {
    State& s = *state_;
    sd_bus_error failure = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int r = sd_bus_match_signal(s.bus, nullptr, s.monitor.c_str(), kMonitorPath, kMonitorName,
                                "WatchFired", OnWatchFired, &s);
    if (r >= 0) {
        r = sd_bus_call_method(s.bus, kMonitorName, kMonitorPath, kMonitorName, "AddIdleWatch",
                               &failure, &reply, "t", uint64_t{milliseconds});
    }
    if (r >= 0) r = sd_bus_message_read(reply, "u", &s.idleWatch);
    sd_bus_message_unref(reply);
    if (r < 0) {
        error = std::string("GNOME's idle monitor refused a watch: ") +
                (failure.message ? failure.message : strerror(-r));
        sd_bus_error_free(&failure);
        return false;
    }
    s.idleMilliseconds = milliseconds;
    AddActiveWatch(s);
    return true;
}

bool SessionBus::Idle() const { return state_->idle; }

void SessionBus::WatchIdleAgain() {
    State& s = *state_;
    if (s.idleWatch != 0) {
        sd_bus_call_method_async(s.bus, nullptr, kMonitorName, kMonitorPath, kMonitorName,
                                 "RemoveWatch", nullptr, nullptr, "u", s.idleWatch);
    }
    s.idleWatch = 0;
    s.idle = false;
    sd_bus_call_method_async(s.bus, nullptr, kMonitorName, kMonitorPath, kMonitorName,
                             "AddIdleWatch", OnIdleWatchAdded, &s, "t",
                             uint64_t{s.idleMilliseconds});
}

void SessionBus::WatchInhibitors() {
    State& s = *state_;
    if (sd_bus_match_signal(s.bus, nullptr, kDBusName, kDBusPath, kDBusName, "NameOwnerChanged",
                            OnNameOwnerChanged, &s) >= 0 &&
        sd_bus_request_name(s.bus, kScreenSaverName, 0) > 0) {
        for (const char* path : kScreenSaverPaths) {
            sd_bus_add_object_vtable(s.bus, nullptr, path, kScreenSaverName, kScreenSaverVtable,
                                     &s);
        }
        s.serving = true;
    }
    // gnome-session's inhibitors count too (on GNOME its settings daemon serves the name above
    // and passes them on to it), asked again whenever they change.
    std::string session;
    if (!NameOwner(s.bus, kSessionName, session)) return;
    for (const char* change : {"InhibitorAdded", "InhibitorRemoved"}) {
        sd_bus_match_signal(s.bus, nullptr, session.c_str(), kSessionPath, kSessionName, change,
                            AskSession, &s);
    }
    AskSession(nullptr, &s, nullptr);
}

bool SessionBus::Inhibited() const {
    return !state_->inhibitors.empty() || state_->desktopInhibited;
}
bool SessionBus::ServesScreenSaver() const { return state_->serving; }
size_t SessionBus::InhibitorCount() const { return state_->inhibitors.size(); }
