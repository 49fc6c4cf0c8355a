// The corvane binary end to end: its session survives SIGTERM and a restart, and a second
// launch hands its URL to the running instance. Pages come from a loopback server; each page
// reports its finished load by requesting a beacon, so the test knows what the browser loaded
// without looking inside it.
#include "helper_processes.h"
#include "support/browser_launch.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "unit/store/scoped_env.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace corvane::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

HttpResponse serve(const HttpRequest& request) {
    if (request.path.starts_with("/page-")) {
        const std::string name = request.path.substr(6);
        HttpResponse response{200,
                              "text/html; charset=utf-8",
                              "<!doctype html><title>Page " + name +
                                  "</title><body onload=\"new Image().src='/loaded-" + name +
                                  "'\">" + name,
                              {}};
        // Never cached: every load of the page reaches the server.
        response.headers.emplace_back("Cache-Control", "no-store");
        return response;
    }
    if (request.path == "/selftest") {
        // Reports, by beacon, each warning it is asked to log.
        return html_page("<title>Self</title><script>const w=console.warn;console.warn=function("
                         "...a){new Image().src='/warned-'+a.join('-').replace(/ /g,'-');"
                         "return w.apply(this,a)}</script>self");
    }
    return HttpResponse{204, "text/plain", "", {{"Cache-Control", "no-store"}}};
}

bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds timeout = 20s) {
    const auto until = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// One run of the browser with its own data folder; ended with SIGTERM unless it ended itself.
class Browser {
public:
    // The binary is the build's own unless one is named.
    Browser(const std::filesystem::path& data, const std::vector<std::string>& urls,
            const std::filesystem::path& log, const char* binary = std::getenv("CORVANE_BINARY"))
        : data_(data) {
        if (binary == nullptr) {
            ADD_FAILURE() << "CORVANE_BINARY is not set";
            return;
        }
        pid_ = launch_browser(binary, data, urls, log);
    }
    ~Browser() {
        if (running()) {
            terminate();
        }
    }
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    bool running() { return pid_ > 0 && !status_ && waitpid(pid_, &raw_status_, WNOHANG) == 0; }

    // Waits for the process to end by itself; its exit status, or none after the timeout.
    std::optional<int> wait_exit(std::chrono::milliseconds timeout) {
        if (!wait_until([&] { return !running(); }, timeout)) {
            return std::nullopt;
        }
        status_ = WIFEXITED(raw_status_) ? WEXITSTATUS(raw_status_) : -1;
        return status_;
    }

    // SIGTERM (or signal), then the exit status; -1 when it did not end within ten seconds.
    // Returns once the engine's helper processes of this run have gone too.
    int terminate(int signal = SIGTERM) {
        kill(pid_, signal);
        const std::optional<int> code = wait_exit(10s);
        if (!code) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            status_ = -1;
        }
        wait_for_helpers_to_end();
        return *status_;
    }

private:
    // The sandboxed web and network processes outlive the browser for a moment; they carry the
    // run's environment, which names its data folder.
    void wait_for_helpers_to_end() const {
        wait_for_helper_processes("XDG_DATA_HOME=" + data_.string());
    }

    std::filesystem::path data_;
    pid_t pid_ = -1;
    int raw_status_ = 0;
    std::optional<int> status_;
};

class ProcessTest : public ::testing::Test {
protected:
    std::string page(const std::string& name) const { return server.origin() + "/page-" + name; }
    bool loaded(const std::string& name, std::size_t times = 1) {
        return wait_until([&] { return server.count("/loaded-" + name) >= times; });
    }
    std::filesystem::path store_dir() const { return data / "com.halbrin.corvane"; }
    nlohmann::json session() const {
        return nlohmann::json::parse(read_file(store_dir() / "session.json"));
    }
    std::string log_text() const {
        return std::filesystem::exists(log) ? read_file(log) : std::string();
    }

    LoopbackServer server{serve};
    TempDir home;
    std::filesystem::path data = home / "data";
    std::filesystem::path log = home / "corvane.log";
};

using Session = ProcessTest;
using SingleInstance = ProcessTest;
using Keyboard = ProcessTest;
using DevtoolsSelfTest = ProcessTest;
using Sleep = ProcessTest;

using Installed = ProcessTest;

// Installed as a package would be, below a DESTDIR: the desktop files validate, the installed
// binary opens a URL with a Linux user agent, and "open link" in another program (GIO asking
// the default browser, made Corvane in mimeapps.list) opens a tab in the running instance.
TEST_F(Installed, ValidatesOpensUrlsAsLinuxAndTakesLinksFromTheDesktop) {
    const std::filesystem::path root = home / "root", share = root / "usr/share";
    const char* build = std::getenv("CORVANE_BUILD_DIR");
    ASSERT_NE(build, nullptr);
    std::filesystem::create_directories(home / "config");
    std::ofstream(home / "config/mimeapps.list")
        << "[Default Applications]\nx-scheme-handler/http=com.halbrin.corvane.desktop\n";
    const auto run = [&](const std::string& command) {
        return std::system(("env DESTDIR='" + root.string() + "' PATH='" + root.string() +
                            "/usr/bin:" + std::getenv("PATH") + "' XDG_DATA_DIRS='" +
                            share.string() + "' XDG_CONFIG_HOME='" + (home / "config").string() +
                            "' " + command + " >>'" + log.string() + "' 2>&1")
                               .c_str());
    };
    ASSERT_EQ(run("cmake --install '" + std::string(build) + "' --prefix /usr"), 0) << log_text();
    EXPECT_EQ(run("desktop-file-validate '" + share.string() +
                  "/applications/com.halbrin.corvane.desktop' && appstreamcli validate --no-net '" +
                  share.string() + "/metainfo/com.halbrin.corvane.metainfo.xml'"),
              0)
        << log_text();
    EXPECT_TRUE(
        std::filesystem::exists(share / "icons/hicolor/scalable/apps/com.halbrin.corvane.svg"));

    const std::string binary = (root / "usr/bin/corvane").string();
    Browser browser(data, {page("installed")}, log, binary.c_str());
    ASSERT_TRUE(loaded("installed")) << log_text();
    const std::string agent = server.requests().at(0).headers["user-agent"];
    EXPECT_TRUE(agent.find("(X11; Linux ") != std::string::npos &&
                agent.find(" AppleWebKit/605.1.15 ") != std::string::npos &&
                agent.find("Mac") == std::string::npos && agent.ends_with(" Corvane/0.2.0"))
        << agent;
    // A shell matches the window to the entry by its class.
    EXPECT_TRUE(
        wait_until([&] { return run("xdotool search --classname '^com.halbrin.corvane$'") == 0; }));

    ASSERT_EQ(run("gio open '" + page("linked") + "'"), 0) << log_text();
    ASSERT_TRUE(loaded("linked")) << log_text();
    ASSERT_EQ(browser.terminate(), 0);
    const nlohmann::json saved = session();
    ASSERT_EQ(saved.size(), 1u) << saved.dump();
    EXPECT_EQ(saved[0]["tabs"].back()["url"], page("linked")) << saved.dump();
}

TEST_F(Session, TabsSurviveSigtermAndSigintAndOnlyTheActiveOneLoadsAgain) {
    {
        Browser first(data, {page("one"), page("two")}, log);
        ASSERT_TRUE(loaded("one") && loaded("two")) << log_text();
        std::this_thread::sleep_for(500ms); // the titles' events are handled
        EXPECT_EQ(first.terminate(), 0) << log_text();
    }
    const nlohmann::json saved = session();
    ASSERT_EQ(saved.size(), 1u) << saved.dump();
    EXPECT_EQ(saved[0]["active"], 1);
    ASSERT_EQ(saved[0]["tabs"].size(), 2u);
    EXPECT_EQ(saved[0]["tabs"][0]["url"], page("one"));
    EXPECT_EQ(saved[0]["tabs"][0]["title"], "Page one");
    EXPECT_EQ(saved[0]["tabs"][1]["url"], page("two"));
    EXPECT_EQ(saved[0]["tabs"][1]["title"], "Page two");
    // The visits were written when the loop ended.
    const nlohmann::json history = nlohmann::json::parse(read_file(store_dir() / "history.json"));
    EXPECT_EQ(history.size(), 2u) << history.dump();

    {
        Browser second(data, {}, log);
        ASSERT_TRUE(loaded("two", 2)) << log_text();
        std::this_thread::sleep_for(1s);
        EXPECT_EQ(server.count("/page-one"), 1u) << "the background tab stays asleep";
        EXPECT_EQ(second.terminate(SIGINT), 0) << "Ctrl+C ends it as cleanly";
    }
    EXPECT_EQ(session(), saved) << "the same two tabs, the first still asleep";
}

TEST_F(SingleInstance, SecondLaunchOpensItsUrlAsATabOfTheFirst) {
    Browser first(data, {page("first")}, log);
    ASSERT_TRUE(loaded("first")) << log_text();

    const auto started = Clock::now();
    Browser second(data, {page("second")}, log);
    const std::optional<int> code = second.wait_exit(10s);
    ASSERT_TRUE(code.has_value()) << "the second launch hands over and exits";
    EXPECT_EQ(*code, 0);
    EXPECT_LT(Clock::now() - started, 5s);
    ASSERT_TRUE(loaded("second")) << log_text();

    ASSERT_EQ(first.terminate(), 0);
    const nlohmann::json saved = session();
    ASSERT_EQ(saved.size(), 1u) << "one window: " << saved.dump();
    ASSERT_EQ(saved[0]["tabs"].size(), 2u);
    EXPECT_EQ(saved[0]["tabs"][1]["url"], page("second"));
    EXPECT_EQ(saved[0]["active"], 1);
}

TEST_F(SingleInstance, ClosingTheLastWindowKeepsItRunningForTheNextLaunch) {
    Browser first(data, {page("first")}, log);
    ASSERT_TRUE(loaded("first")) << log_text();
    // Closed as a person would: the window manager's close key on the focused window.
    ASSERT_EQ(std::system("xdotool search --sync --onlyvisible --name '^Corvane$' "
                          "windowactivate --sync >/dev/null 2>&1 && xdotool key alt+F4"),
              0);
    ASSERT_TRUE(wait_until([&] { return std::filesystem::exists(store_dir() / "session.json"); }))
        << "closing the last window saves the session";
    EXPECT_EQ(session()[0]["tabs"][0]["url"], page("first"));
    ASSERT_TRUE(first.running()) << "no window, still running";

    Browser second(data, {page("again")}, log);
    EXPECT_EQ(second.wait_exit(10s), 0);
    ASSERT_TRUE(loaded("again")) << "the running instance opened a window for it";
    ASSERT_EQ(first.terminate(), 0);
    const nlohmann::json saved = session();
    ASSERT_EQ(saved.size(), 1u);
    ASSERT_EQ(saved[0]["tabs"].size(), 1u);
    EXPECT_EQ(saved[0]["tabs"][0]["url"], page("again"));
}

// The pane opens with the window and, six seconds after start, types the console self-test's
// inputs into the page, one of which logs a warning.
TEST_F(DevtoolsSelfTest, ConsoleInputsRunInThePage) {
    Browser browser(data, {"--devtools-selftest=console", server.origin() + "/selftest"}, log);
    ASSERT_TRUE(wait_until([&] { return server.count("/warned-warning-from-the-page") == 1; }, 30s))
        << log_text();
}

// With CORVANE_DEBUG set, each sleep answer is one line on standard error. One awake background
// tab is allowed, so opening a third tab asks the oldest one to sleep.
TEST_F(Sleep, DebugLineNamesTheAnswerTheTabAndItsUrl) {
    std::filesystem::create_directories(store_dir());
    write_file(store_dir() / "settings.json", R"({"max_awake_tabs":1})");
    const ScopedEnv debug("CORVANE_DEBUG", "1");
    Browser browser(data, {page("one"), page("two"), page("three")}, log);
    ASSERT_TRUE(loaded("three")) << log_text();
    const std::regex line("\\[corvane\\] sleep OK tab[0-9]+ " + page("one") + "\n");
    EXPECT_TRUE(wait_until([&] { return std::regex_search(log_text(), line); })) << log_text();
    EXPECT_EQ(browser.terminate(), 0);
}

// The menu bar's shortcuts from the keyboard: two new tabs, a private window and Quit. The
// private window is not part of the saved session; the normal one has its three tabs, the last
// one active.
TEST_F(Keyboard, ShortcutsOpenTabsAndAPrivateWindowAndQuitSaves) {
    if (std::system("xdotool version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "xdotool is not installed";
    }
    Browser browser(data, {page("keys")}, log);
    ASSERT_TRUE(loaded("keys")) << log_text();
    // The window manager gives the new window the keyboard.
    const auto xdotool = [](const std::string& args) {
        return std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()) == 0;
    };
    ASSERT_TRUE(xdotool("search --sync --onlyvisible --name '^Corvane$'"));
    EXPECT_TRUE(xdotool("key --clearmodifiers ctrl+t ctrl+t ctrl+shift+n"));
    EXPECT_TRUE(xdotool("search --sync --name 'Corvane \\(Private\\)'"));
    EXPECT_TRUE(xdotool("key --clearmodifiers ctrl+q"));
    EXPECT_EQ(browser.wait_exit(10s), 0) << "Ctrl+Q ends the browser";
    wait_for_helper_processes("XDG_DATA_HOME=" + data.string());

    const nlohmann::json saved = session();
    ASSERT_EQ(saved.size(), 1u) << saved.dump();
    EXPECT_EQ(saved[0]["active"], 2) << saved.dump();
    ASSERT_EQ(saved[0]["tabs"].size(), 3u) << saved.dump();
    EXPECT_EQ(saved[0]["tabs"][0]["url"], page("keys"));
    EXPECT_EQ(saved[0]["tabs"][1]["url"], "corvane://newtab/");
    EXPECT_EQ(saved[0]["tabs"][2]["url"], "corvane://newtab/");
}

} // namespace
} // namespace corvane::test
