// One instance per session bus: a second launch hands its command line to the running one, and
// SIGTERM ends the loop cleanly. Runs under a private session bus.
#include "platform/gtk/gtk_platform.h"

#include <csignal>
#include <cstdlib>
#include <glib.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace corvane::test {
namespace {

constexpr const char* kAppId = "com.halbrin.corvane.apptest";
constexpr const char* kRoleVariable = "CORVANE_TEST_SECOND_LAUNCH";

// The same program started again plays the second launch before any test runs.
const bool second_launch_done = [] {
    if (std::getenv(kRoleVariable) == nullptr) {
        return false;
    }
    auto platform = platform::gtk::make_gtk_platform({kAppId, true});
    std::vector<std::string> arguments{"corvane"};
    for (const char* word : {"http://example.com/", "second"}) {
        if (std::string(std::getenv(kRoleVariable)) == "with-urls") {
            arguments.emplace_back(word);
        }
    }
    int status = platform->application().run(arguments);
    std::_Exit(status);
}();

void launch_again(const char* role) {
    char self[4096] = {};
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(length, 0);
    gchar** environment = g_environ_setenv(g_get_environ(), kRoleVariable, role, TRUE);
    char* argv[] = {self, nullptr};
    GError* error = nullptr;
    gboolean started = g_spawn_async(nullptr, argv, environment, G_SPAWN_DEFAULT, nullptr, nullptr,
                                     nullptr, &error);
    g_strfreev(environment);
    g_clear_error(&error);
    ASSERT_TRUE(started);
}

TEST(Application, SecondLaunchesArriveAsRemoteCommandLinesAndSigtermEndsTheLoop) {
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
        GTEST_SKIP() << "needs a session bus (run through scripts/with-display --dbus)";
    }
    auto platform = platform::gtk::make_gtk_platform({kAppId, true});
    platform::Application& app = platform->application();
    std::vector<platform::CommandLine> lines;
    app.on_command_line = [&](const platform::CommandLine& line) {
        lines.push_back(line);
        if (lines.size() == 1) {
            launch_again("with-urls");
        } else if (lines.size() == 2) {
            launch_again("bare");
        } else {
            raise(SIGTERM);
        }
    };
    // A window is not needed to stay alive between the launches.
    guint guard = g_timeout_add_seconds(
        20, [](gpointer) -> gboolean { std::abort(); }, nullptr);
    int status = app.run({"corvane", "first"});
    g_source_remove(guard);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_FALSE(lines[0].remote);
    EXPECT_EQ(lines[0].arguments, (std::vector<std::string>{"corvane", "first"}));
    EXPECT_TRUE(lines[1].remote);
    EXPECT_EQ(lines[1].arguments,
              (std::vector<std::string>{"corvane", "http://example.com/", "second"}));
    EXPECT_TRUE(lines[2].remote);
    EXPECT_EQ(lines[2].arguments, std::vector<std::string>{"corvane"}) << "a reopen request";
    EXPECT_FALSE(lines[1].working_directory.empty());
}

} // namespace
} // namespace corvane::test
