// The session bus module against a private dbus-daemon, with this test's own connections as
// hostile callers. (Inhibitors held and released, gnome-session and GNOME's idle monitor are
// checked end to end in standalone_test.sh and wayland_test.sh.)
#include "linux/session_bus.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

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
        const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--print-address", nullptr};
        ASSERT_EQ(
            posix_spawnp(&daemon_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ),
            0);
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
    struct Reply {
        bool done = false;
        uint32_t cookie = 0;
        std::string error;
    };
    // Inhibit (two strings) or UnInhibit (a cookie) on the saver's ScreenSaver object.
    template <typename... Args>
    Reply Call(sd_bus* client, const char* member, const char* types, Args... args) {
        Reply reply;
        const auto handler = [](sd_bus_message* m, void* data, sd_bus_error*) {
            auto& r = *static_cast<Reply*>(data);
            r.done = true;
            if (const sd_bus_error* e = sd_bus_message_get_error(m))
                r.error = e->name;
            else
                sd_bus_message_read(m, "u", &r.cookie);
            return 0;
        };
        EXPECT_GE(sd_bus_call_method_async(client, nullptr, "org.freedesktop.ScreenSaver",
                                           "/ScreenSaver", "org.freedesktop.ScreenSaver", member,
                                           handler, &reply, types, args...),
                  0);
        EXPECT_TRUE(Until([&] { return reply.done; }));
        return reply;
    }

    pid_t daemon_ = 0;
    SessionBus saver_;
    std::vector<sd_bus*> clients_;
};

TEST_F(SessionBusTest, BoundsWhatCallersMayDo) {
    saver_.WatchInhibitors();
    ASSERT_TRUE(saver_.ServesScreenSaver());
    sd_bus* hostile = Client();
    const std::string huge(1 << 20, 'x');  // not kept
    const uint32_t cookie = Call(hostile, "Inhibit", "ss", huge.c_str(), huge.c_str()).cookie;
    EXPECT_NE(cookie, 0u);
    Reply more;
    for (int i = 0; i < 40 && more.error.empty(); ++i)
        more = Call(hostile, "Inhibit", "ss", "a", "b");
    EXPECT_EQ(more.error, SD_BUS_ERROR_LIMITS_EXCEEDED);
    EXPECT_EQ(saver_.InhibitorCount(), 16u);
    EXPECT_EQ(Call(hostile, "Inhibit", "u", 5u).error, SD_BUS_ERROR_INVALID_ARGS);

    sd_bus* player = Client();  // others may still inhibit, but release only their own
    EXPECT_NE(Call(player, "Inhibit", "ss", "player", "film").cookie, 0u);
    EXPECT_EQ(Call(player, "UnInhibit", "u", cookie).error, SD_BUS_ERROR_INVALID_ARGS);
    EXPECT_EQ(Call(hostile, "UnInhibit", "u", cookie).error, "");
    EXPECT_EQ(saver_.InhibitorCount(), 16u);
}

}  // namespace
