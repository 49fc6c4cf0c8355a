// The corvane binary end to end: its session survives SIGTERM, SIGINT and a restart, and,
// installed, it takes links from later launches and the desktop. Pages come from a loopback server;
// each page reports its finished load by requesting a beacon, so the test knows what the browser
// loaded without looking inside it.
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "support/web_processes.h"
#include "unit/store/scoped_env.h"

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <sys/wait.h>
#include <thread>

namespace corvane::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Saved = std::vector<std::pair<std::vector<std::string>, int>>;

// Every path is a page titled with it that reports its load, and each warning it logs, by a
// beacon. Nothing is cached, so every load of a page reaches the server.
HttpResponse serve(const HttpRequest& request) {
    return HttpResponse{200,
                        "text/html",
                        "<title>" + request.path +
                            "</title><body onload=\"new Image().src='/loaded" + request.path +
                            "'\"><script>const w=console.warn;console.warn=function"
                            "(...a){new Image().src='/warned-'+a.join('-').replace(/ /g,'-');"
                            "return w.apply(this,a)}</script>",
                        {{"Cache-Control", "no-store"}}};
}

bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds timeout = 20s) {
    for (const auto until = Clock::now() + timeout; !done() && Clock::now() < until;) {
        std::this_thread::sleep_for(20ms);
    }
    return done();
}

bool xdotool(const std::string& args) {
    return std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()) == 0;
}

// One run of the browser with its own data folder; ended with SIGTERM unless it ended itself.
class Browser {
public:
    Browser(const std::filesystem::path& data, const std::vector<std::string>& args,
            const std::filesystem::path& log, const char* binary = std::getenv("CORVANE_BINARY"))
        : data_(data), pid_(launch_browser(binary != nullptr ? binary : "", data, args, log)) {}
    // Returns once the sandboxed helper processes, which outlive the browser for a moment, have
    // gone too: they carry the run's environment, which names its data folder.
    ~Browser() {
        if (running()) {
            terminate();
        }
        wait_for_helper_processes("XDG_DATA_HOME=" + data_.string());
    }
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    bool running() { return !status_ && waitpid(pid_, &raw_status_, WNOHANG) == 0; }

    // Waits for the process to end by itself; its exit status, or none after ten seconds.
    std::optional<int> wait_exit() {
        if (wait_until([&] { return !running(); }, 10s)) {
            status_ = WIFEXITED(raw_status_) ? WEXITSTATUS(raw_status_) : -1;
        }
        return status_;
    }

    // SIGTERM (or signal), then the exit status; -1 when it had to be killed.
    int terminate(int signal = SIGTERM) {
        kill(pid_, signal);
        if (!wait_exit()) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            status_ = -1;
        }
        return *status_;
    }

private:
    std::filesystem::path data_;
    pid_t pid_;
    int raw_status_ = 0;
    std::optional<int> status_;
};

class ProcessTest : public ::testing::Test {
protected:
    std::string page(const std::string& name) const { return server.origin() + "/page-" + name; }
    bool loaded(const std::string& name, std::size_t times = 1) {
        return wait_until([&] { return server.count("/loaded/page-" + name) >= times; });
    }
    std::filesystem::path store_dir() const { return data / "com.halbrin.corvane"; }
    nlohmann::json session() const {
        return nlohmann::json::parse(read_file(store_dir() / "session.json"), nullptr, false);
    }
    // The saved windows, each as its tabs' urls and the active tab's index.
    Saved saved() const {
        Saved windows;
        for (const nlohmann::json& window : session()) {
            windows.emplace_back(std::vector<std::string>{}, window.value("active", -1));
            for (const nlohmann::json& tab : window["tabs"]) {
                windows.back().first.push_back(tab["url"]);
            }
        }
        return windows;
    }
    std::string log_text() const { return read_file(log); }

    LoopbackServer server{serve};
    TempDir home;
    std::filesystem::path data = home / "data";
    std::filesystem::path log = home / "corvane.log";
};

using Session = ProcessTest;
using Desktop = ProcessTest;

// One awake background tab is allowed, so the third tab puts the first to sleep, which
// CORVANE_DEBUG writes as a line on standard error. SIGTERM saves the tabs and the visits; the
// next start loads only the active tab again, where the developer-tools self-test types the
// console's inputs six seconds in (one logs a warning); SIGINT ends it as cleanly.
TEST_F(Session, SurvivesSigtermAndSigintAndOnlyTheActiveTabLoadsAgain) {
    std::filesystem::create_directories(store_dir());
    write_file(store_dir() / "settings.json", R"({"max_awake_tabs":1})");
    {
        const ScopedEnv debug("CORVANE_DEBUG", "1");
        Browser first(data, {page("one"), page("two"), page("three")}, log);
        const std::regex line("\\[corvane\\] sleep OK tab[0-9]+ " + page("one") + "\n");
        ASSERT_TRUE(loaded("two") && loaded("three") &&
                    wait_until([&] { return std::regex_search(log_text(), line); }))
            << log_text();
        std::this_thread::sleep_for(500ms); // the titles' events are handled; nothing shows it
        EXPECT_EQ(first.terminate(), 0) << log_text();
    }
    const nlohmann::json saved_first = session();
    EXPECT_EQ(saved(), (Saved{{{page("one"), page("two"), page("three")}, 2}}));
    const std::string history = read_file(store_dir() / "history.json");
    for (const char* name : {"two", "three"}) {
        EXPECT_NE(history.find(page(name)), std::string::npos) << history;
    }
    EXPECT_EQ(saved_first[0]["tabs"][2]["title"], "/page-three");

    const std::size_t background_loads = server.count("/page-one") + server.count("/page-two");
    {
        Browser second(data, {"--devtools-selftest=console"}, log);
        ASSERT_TRUE(loaded("three", 2)) << log_text();
        EXPECT_TRUE(wait_until([&] { return server.count("/warned-warning-from-the-page") == 1; }))
            << log_text();
        EXPECT_EQ(server.count("/page-one") + server.count("/page-two"), background_loads)
            << "the background tabs stay asleep";
        EXPECT_EQ(second.terminate(SIGINT), 0) << "Ctrl+C ends it as cleanly";
    }
    EXPECT_EQ(session(), saved_first);
}

// Installed as a package would be, below a DESTDIR, with a window manager: the desktop files
// validate, and the installed binary sends a Linux user agent. A second launch hands its URL to
// the running instance and exits, and so does "open link" in another program (GIO asking the
// default browser, made Corvane in mimeapps.list). The menu bar's shortcuts open a tab and a
// private window, and Quit saves the session without the private window. Started again, the
// browser keeps running when its last window is closed, and the next launch opens a window in it.
TEST_F(Desktop, InstalledItTakesLinksFromLaunchesAndTheDesktopAndOutlivesItsWindows) {
    // In the home folder, with the installed program first on the path and as the default browser.
    const auto run = [&](const std::string& command) {
        return std::system(
            ("cd '" + home.path().string() +
             "' && export DESTDIR=\"$PWD/root\" "
             "PATH=\"$PWD/root/usr/bin:$PATH\" XDG_DATA_DIRS=\"$PWD/root/usr/share\" "
             "XDG_CONFIG_HOME=\"$PWD/config\" && { " +
             command + "; } >>corvane.log 2>&1")
                .c_str());
    };
    ASSERT_EQ(
        run("mkdir config && printf '[Default Applications]\\nx-scheme-handler/http=com.halbrin"
            ".corvane.desktop\\n' >config/mimeapps.list && cmake --install \"$CORVANE_BUILD_DIR\" "
            "--prefix /usr && cd root/usr/share && desktop-file-validate applications/com.halbrin"
            ".corvane.desktop && appstreamcli validate --no-net metainfo/com.halbrin.corvane"
            ".metainfo.xml && test -f icons/hicolor/scalable/apps/com.halbrin.corvane.svg"),
        0)
        << log_text();
    const std::string activate = "search --sync --onlyvisible --name '^Corvane$' windowactivate "
                                 "--sync";
    {
        Browser first(data, {page("first")}, log, (home / "root/usr/bin/corvane").c_str());
        ASSERT_TRUE(loaded("first")) << log_text();
        const std::string agent = server.requests().at(0).headers["user-agent"];
        EXPECT_TRUE(std::regex_search(agent, std::regex(R"(\(X11; Linux .* Corvane/)"))) << agent;
        Browser second(data, {page("second")}, log);
        EXPECT_EQ(second.wait_exit(), 0) << "the second launch hands over and exits";
        ASSERT_TRUE(loaded("second")) << log_text();
        ASSERT_EQ(run("gio open '" + page("linked") + "'"), 0) << log_text();
        ASSERT_TRUE(loaded("linked")) << log_text();
        ASSERT_TRUE(xdotool(activate));
        // A shell matches the window to the entry by its class.
        EXPECT_TRUE(xdotool("search --classname '^com.halbrin.corvane$'"));
        EXPECT_TRUE(xdotool("key --clearmodifiers ctrl+t ctrl+shift+n"));
        EXPECT_TRUE(xdotool("search --sync --name 'Corvane \\(Private\\)'"));
        EXPECT_TRUE(xdotool("key --clearmodifiers ctrl+q"));
        EXPECT_EQ(first.wait_exit(), 0) << "Ctrl+Q ends the browser";
    }
    const Saved quit = saved();
    EXPECT_EQ(quit,
              (Saved{{{page("first"), page("second"), page("linked"), "corvane://newtab/"}, 3}}));

    Browser again(data, {}, log);
    ASSERT_TRUE(xdotool(activate));
    std::filesystem::remove(store_dir() / "session.json");
    EXPECT_TRUE(xdotool("key alt+F4"));
    ASSERT_TRUE(wait_until([&] { return std::filesystem::exists(store_dir() / "session.json"); }))
        << "closing the last window saves the session";
    EXPECT_EQ(saved(), quit);
    ASSERT_TRUE(again.running()) << "no window, still running";

    Browser third(data, {page("third")}, log);
    EXPECT_EQ(third.wait_exit(), 0);
    ASSERT_TRUE(loaded("third")) << "the running instance opened a window for it";
    ASSERT_EQ(again.terminate(), 0);
    EXPECT_EQ(saved(), (Saved{{{page("third")}, 0}}));
}

} // namespace
} // namespace corvane::test
