// The corvane binary as a person uses it from the keyboard: new tabs, a private window and Quit
// through the menu bar's shortcuts. The session it saves on quitting tells what happened.
#include "helper_processes.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <chrono>
#include <cstdlib>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace corvane::test {
namespace {

using namespace std::chrono_literals;

HttpResponse serve(const HttpRequest& request) {
    if (request.path == "/start") {
        // The page asks for a beacon once it has loaded: proof that the window is up.
        return {200,
                "text/html; charset=utf-8",
                "<!doctype html><title>Start</title><body onload=\"fetch('/shown')\">start",
                {{"Cache-Control", "no-store"}}};
    }
    return {204, "text/plain", "", {{"Cache-Control", "no-store"}}};
}

bool eventually(const std::function<bool()>& done, std::chrono::milliseconds timeout = 20s) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

bool run(const std::vector<std::string>& args) {
    std::vector<const gchar*> argv;
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    argv.push_back(nullptr);
    GSubprocess* process =
        g_subprocess_newv(argv.data(), G_SUBPROCESS_FLAGS_STDOUT_SILENCE, nullptr);
    const bool ok = process != nullptr && g_subprocess_wait_check(process, nullptr, nullptr);
    if (process != nullptr) {
        g_object_unref(process);
    }
    return ok;
}

// A person's key press, a moment after the last one.
bool press(const std::string& keys) {
    std::this_thread::sleep_for(400ms);
    return run({"xdotool", "key", "--clearmodifiers", keys});
}

TEST(Keyboard, ShortcutsOpenTabsAndAPrivateWindowAndQuitSaves) {
    const char* binary = std::getenv("CORVANE_BINARY");
    ASSERT_NE(binary, nullptr) << "CORVANE_BINARY is not set";
    if (!run({"xdotool", "version"})) {
        GTEST_SKIP() << "xdotool is not installed";
    }
    TempDir data;
    LoopbackServer server(serve);
    const std::string start = server.origin() + "/start";

    GSubprocessLauncher* launcher = g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_NONE);
    g_subprocess_launcher_setenv(launcher, "XDG_DATA_HOME", data.path().c_str(), TRUE);
    g_subprocess_launcher_setenv(launcher, "XDG_CACHE_HOME", (data / "cache").c_str(), TRUE);
    const gchar* argv[] = {binary, start.c_str(), nullptr};
    GSubprocess* browser = g_subprocess_launcher_spawnv(launcher, argv, nullptr);
    g_object_unref(launcher);
    ASSERT_NE(browser, nullptr);

    ASSERT_TRUE(eventually([&] { return server.count("/shown") >= 1; }));
    // The window manager gives a new window the keyboard.
    ASSERT_TRUE(run({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^Corvane$"}));
    EXPECT_TRUE(press("ctrl+t"));
    EXPECT_TRUE(press("ctrl+t"));
    EXPECT_TRUE(press("ctrl+shift+n"));
    EXPECT_TRUE(run({"xdotool", "search", "--sync", "--name", "Corvane \\(Private\\)"}));
    EXPECT_TRUE(press("ctrl+q"));

    const bool ended = eventually([&] {
        g_main_context_iteration(nullptr, FALSE);
        return g_subprocess_get_identifier(browser) == nullptr;
    });
    if (!ended) {
        g_subprocess_force_exit(browser);
    }
    g_subprocess_wait(browser, nullptr, nullptr);
    EXPECT_TRUE(ended) << "Ctrl+Q did not end the browser";
    EXPECT_TRUE(g_subprocess_get_if_exited(browser) && g_subprocess_get_exit_status(browser) == 0);
    g_object_unref(browser);
    wait_for_helper_processes("XDG_DATA_HOME=" + data.path().string());

    // The private window is not part of the session; the normal one has its three tabs, the
    // last one active. A new tab page still loading at Ctrl+Q has no title yet, so the new tabs'
    // titles are the page's or empty.
    const nlohmann::json session = nlohmann::json::parse(
        read_file(data / "com.halbrin.corvane" / "session.json"), nullptr, false);
    ASSERT_TRUE(session.is_array() && session.size() == 1) << session.dump();
    const nlohmann::json& window = session[0];
    EXPECT_EQ(window["active"], 2) << session.dump();
    ASSERT_TRUE(window["tabs"].is_array() && window["tabs"].size() == 3) << session.dump();
    EXPECT_EQ(window["tabs"][0], nlohmann::json({{"url", start}, {"title", "Start"}}));
    for (int i : {1, 2}) {
        const nlohmann::json& tab = window["tabs"][i];
        EXPECT_EQ(tab["url"], "corvane://newtab/") << session.dump();
        EXPECT_TRUE(tab["title"] == "New Tab" || tab["title"] == "") << session.dump();
    }
}

} // namespace
} // namespace corvane::test
