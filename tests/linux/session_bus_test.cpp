// The session bus module against a private dbus-daemon, with this test's own connections as
// the players, gnome-session and GNOME's idle monitor.
#include "linux/session_bus.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

struct FakeDesktop {  // what the test's gnome-session and idle monitor answer and were asked
    int inhibited = 1;
    uint32_t askedFlags = 0;
    uint64_t idleInterval = 0;
    uint32_t nextWatch = 7;
    int removed = 0;
};

int IsInhibited(sd_bus_message* m, void* data, sd_bus_error*) {
    auto& d = *static_cast<FakeDesktop*>(data);
    sd_bus_message_read(m, "u", &d.askedFlags);
    return sd_bus_reply_method_return(m, "b", d.inhibited);
}
int AddIdleWatch(sd_bus_message* m, void* data, sd_bus_error*) {
    auto& d = *static_cast<FakeDesktop*>(data);
    sd_bus_message_read(m, "t", &d.idleInterval);
    return sd_bus_reply_method_return(m, "u", d.nextWatch++);
}
int AddUserActiveWatch(sd_bus_message* m, void* data, sd_bus_error*) {
    return sd_bus_reply_method_return(m, "u", static_cast<FakeDesktop*>(data)->nextWatch++);
}
int RemoveWatch(sd_bus_message* m, void* data, sd_bus_error*) {
    ++static_cast<FakeDesktop*>(data)->removed;
    return sd_bus_reply_method_return(m, "");
}
const sd_bus_vtable kSession[] = {SD_BUS_VTABLE_START(0),
                                  SD_BUS_METHOD("IsInhibited", "u", "b", IsInhibited, 0),
                                  SD_BUS_VTABLE_END};
const sd_bus_vtable kMonitor[] = {
    SD_BUS_VTABLE_START(0), SD_BUS_METHOD("AddIdleWatch", "t", "u", AddIdleWatch, 0),
    SD_BUS_METHOD("AddUserActiveWatch", "", "u", AddUserActiveWatch, 0),
    SD_BUS_METHOD("RemoveWatch", "u", "", RemoveWatch, 0), SD_BUS_VTABLE_END};

class SessionBusTest : public ::testing::Test {
protected:
    // A bus of its own for each test, so no name outlives the test that took it.
    void SetUp() override {
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        char* argv[] = {const_cast<char*>("dbus-daemon"), const_cast<char*>("--session"),
                        const_cast<char*>("--nofork"), const_cast<char*>("--print-address"),
                        nullptr};
        ASSERT_EQ(posix_spawnp(&daemon_, "dbus-daemon", &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        FILE* reader = fdopen(out[0], "r");
        char address[512] = {};
        ASSERT_TRUE(fgets(address, sizeof address, reader)) << "dbus-daemon printed no address";
        fclose(reader);
        address[strcspn(address, "\n")] = 0;
        setenv("DBUS_SESSION_BUS_ADDRESS", address, 1);
        std::string error;
        ASSERT_TRUE(saver_.Connect(error)) << error;
    }
    void TearDown() override {
        for (sd_bus* c : clients_) sd_bus_flush_close_unref(c);
        kill(daemon_, SIGTERM);
        waitpid(daemon_, nullptr, 0);
    }
    sd_bus* Client() {
        sd_bus* c = nullptr;
        EXPECT_GE(sd_bus_open_user(&c), 0);
        clients_.push_back(c);
        return c;
    }
    // Runs the saver's side and every client until `done` holds, for at most 10 s.
    template <typename Done>
    bool Until(Done done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end || !saver_.Dispatch()) return false;
            std::vector<pollfd> fds{{saver_.Fd(), saver_.Events(), 0}};
            for (sd_bus* c : clients_) {
                while (sd_bus_process(c, nullptr) > 0) {}
                fds.push_back({sd_bus_get_fd(c), static_cast<short>(sd_bus_get_events(c)), 0});
            }
            poll(fds.data(), fds.size(), 20);
        }
        return true;
    }
    // Calls the saver's ScreenSaver object; the reply's cookie, 0 for an error (in `error`).
    uint32_t Call(sd_bus* client, const char* member, const char* types, const char* a,
                  const char* b, uint32_t cookie = 0, std::string* error = nullptr) {
        struct Reply {
            bool done = false;
            uint32_t cookie = 0;
            std::string error;
        } reply;
        const auto handler = [](sd_bus_message* m, void* data, sd_bus_error*) {
            auto& r = *static_cast<Reply*>(data);
            r.done = true;
            if (const sd_bus_error* e = sd_bus_message_get_error(m))
                r.error = e->name;
            else
                sd_bus_message_read(m, "u", &r.cookie);
            return 0;
        };
        const std::string t = types;
        const char* path =
            std::string(member) == "UnInhibit" ? "/ScreenSaver" : "/org/freedesktop/ScreenSaver";
        const int sent =
            t == "ss" ? sd_bus_call_method_async(client, nullptr, "org.freedesktop.ScreenSaver",
                                                 path, "org.freedesktop.ScreenSaver", member,
                                                 handler, &reply, "ss", a, b)
                      : sd_bus_call_method_async(client, nullptr, "org.freedesktop.ScreenSaver",
                                                 path, "org.freedesktop.ScreenSaver", member,
                                                 handler, &reply, "u", cookie);
        EXPECT_GE(sent, 0);
        EXPECT_TRUE(Until([&] { return reply.done; }));
        if (error) *error = reply.error;
        return reply.cookie;
    }
    void Emit(sd_bus* client, const char* path, const char* interface, const char* member,
              const char* types, uint32_t value) {
        ASSERT_GE(sd_bus_emit_signal(client, path, interface, member, types, value), 0);
    }

    pid_t daemon_ = 0;
    SessionBus saver_;
    std::vector<sd_bus*> clients_;
};

TEST_F(SessionBusTest, HoldsInhibitorsUntilReleasedOrTheCallerLeaves) {
    saver_.WatchInhibitors();
    ASSERT_TRUE(saver_.ServesScreenSaver());
    sd_bus* film = Client();
    sd_bus* browser = Client();
    const uint32_t cookie = Call(film, "Inhibit", "ss", "player", "film");
    EXPECT_NE(cookie, 0u);
    EXPECT_NE(Call(browser, "Inhibit", "ss", "browser", "video"), 0u);
    EXPECT_TRUE(saver_.Inhibited());

    std::string error;
    Call(browser, "UnInhibit", "u", nullptr, nullptr, cookie, &error);  // not the browser's
    EXPECT_EQ(error, SD_BUS_ERROR_INVALID_ARGS);
    Call(film, "UnInhibit", "u", nullptr, nullptr, cookie, &error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(saver_.InhibitorCount(), 1u);

    clients_.erase(clients_.begin() + 1);
    sd_bus_flush_close_unref(browser);  // leaves without UnInhibit
    EXPECT_TRUE(Until([&] { return !saver_.Inhibited(); }));
}

TEST_F(SessionBusTest, BoundsWhatACallerMayHold) {
    saver_.WatchInhibitors();
    sd_bus* hostile = Client();
    const std::string huge(1 << 20, 'x');
    EXPECT_NE(Call(hostile, "Inhibit", "ss", huge.c_str(), huge.c_str()), 0u);
    std::string error;
    for (int i = 0; i < 40 && error.empty(); ++i)
        Call(hostile, "Inhibit", "ss", "a", "b", 0, &error);
    EXPECT_EQ(error, SD_BUS_ERROR_LIMITS_EXCEEDED);
    EXPECT_EQ(saver_.InhibitorCount(), 16u);
    Call(hostile, "Inhibit", "u", nullptr, nullptr, 5, &error);  // the wrong arguments
    EXPECT_EQ(error, SD_BUS_ERROR_INVALID_ARGS);
    EXPECT_NE(Call(Client(), "Inhibit", "ss", "player", "film"), 0u);  // others still may
}

TEST_F(SessionBusTest, AsksGnomeSessionWhereTheDesktopServesTheName) {
    FakeDesktop desktop;
    sd_bus* gnome = Client();
    ASSERT_GE(sd_bus_request_name(gnome, "org.freedesktop.ScreenSaver", 0), 0);
    ASSERT_GE(sd_bus_request_name(gnome, "org.gnome.SessionManager", 0), 0);
    ASSERT_GE(sd_bus_add_object_vtable(gnome, nullptr, "/org/gnome/SessionManager",
                                       "org.gnome.SessionManager", kSession, &desktop),
              0);
    saver_.WatchInhibitors();
    EXPECT_FALSE(saver_.ServesScreenSaver());
    EXPECT_TRUE(Until([&] { return saver_.Inhibited(); }));
    EXPECT_EQ(desktop.askedFlags, 8u);  // idleness, not logout or suspend
    desktop.inhibited = 0;
    ASSERT_GE(sd_bus_emit_signal(gnome, "/org/gnome/SessionManager", "org.gnome.SessionManager",
                                 "InhibitorRemoved", "o", "/org/gnome/SessionManager/Inhibitor1"),
              0);
    EXPECT_TRUE(Until([&] { return !saver_.Inhibited(); }));
}

TEST_F(SessionBusTest, FollowsGnomesIdleMonitor) {
    EXPECT_FALSE(saver_.HasIdleMonitor());
    FakeDesktop desktop;
    sd_bus* mutter = Client();
    const char* path = "/org/gnome/Mutter/IdleMonitor/Core";
    const char* name = "org.gnome.Mutter.IdleMonitor";
    ASSERT_GE(sd_bus_request_name(mutter, name, 0), 0);
    ASSERT_GE(sd_bus_add_object_vtable(mutter, nullptr, path, name, kMonitor, &desktop), 0);
    ASSERT_TRUE(saver_.HasIdleMonitor());
    // The saver waits for its first watch, so the idle monitor answers from a thread.
    std::atomic<bool> watched{false};
    std::thread monitor([&] {
        while (!watched) {
            while (sd_bus_process(mutter, nullptr) > 0) {}
            sd_bus_wait(mutter, 20000);
        }
    });
    std::string error;
    const bool ok = saver_.WatchIdle(2000, error);
    watched = true;
    monitor.join();
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(desktop.idleInterval, 2000u);
    ASSERT_TRUE(Until([&] { return desktop.nextWatch == 9; }));  // 7: idle, 8: user active

    saver_.WatchInhibitors();
    sd_bus* stranger = Client();
    Emit(stranger, path, name, "WatchFired", "u", 7);  // not from the idle monitor: ignored
    Call(stranger, "Inhibit", "ss", "a", "b");         // answered after the signal was read
    EXPECT_FALSE(saver_.Idle());
    Emit(mutter, path, name, "WatchFired", "u", 8);
    EXPECT_TRUE(Until([&] { return desktop.nextWatch == 10; }));  // a new user-active watch
    Emit(mutter, path, name, "WatchFired", "u", 7);
    EXPECT_TRUE(Until([&] { return saver_.Idle(); }));
    Emit(mutter, path, name, "WatchFired", "u", 9);
    EXPECT_TRUE(Until([&] { return !saver_.Idle(); }));

    saver_.WatchIdleAgain();  // after a showing
    EXPECT_TRUE(Until([&] { return desktop.removed == 1 && desktop.nextWatch == 12; }));
    Emit(mutter, path, name, "WatchFired", "u", 11);
    EXPECT_TRUE(Until([&] { return saver_.Idle(); }));
}

}  // namespace
