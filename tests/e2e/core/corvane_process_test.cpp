// The corvane binary end to end: its session survives SIGTERM, SIGINT, SIGHUP, SIGKILL, closing
// its last window, a private window left open after it and a restart, one data folder has one
// browser, a data folder or bus it cannot use does not stop it, and, installed, it takes links
// from later launches and the desktop. Pages come from a loopback server; each page reports its
// finished load by requesting a beacon, so the test knows what the browser loaded without
// looking inside it.
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "support/web_processes.h"
#include "unit/store/scoped_env.h"

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
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
        const nlohmann::json file = session();
        if (!file.is_array()) {
            return windows;
        }
        for (const nlohmann::json& window : file) {
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
using Crash = ProcessTest;
using Desktop = ProcessTest;
using PrivateWindow = ProcessTest;
using Start = ProcessTest;

// Each file of a folder (not below it) with its size and time of last change.
std::map<std::string, std::pair<std::uintmax_t, std::filesystem::file_time_type>>
stat_folder(const std::filesystem::path& dir) {
    std::map<std::string, std::pair<std::uintmax_t, std::filesystem::file_time_type>> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.is_regular_file()) {
            files[entry.path().filename()] = {entry.file_size(), entry.last_write_time()};
        }
    }
    return files;
}

// The copy that was kept of a refused file; empty when there is none or more than one.
std::string kept_copy(const std::filesystem::path& dir, const std::string& name) {
    std::vector<std::filesystem::path> copies;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().filename().string().starts_with(name + ".refused-")) {
            copies.push_back(entry.path());
        }
    }
    return copies.size() == 1 ? read_file(copies[0]) : "";
}

// One awake background tab is allowed, so the third tab puts the first to sleep, which
// CORVANE_DEBUG writes as a line on standard error. SIGTERM saves the tabs and the visits; the
// next start loads only the active tab again, where the developer-tools self-test types the
// console's inputs six seconds in (one logs a warning); SIGINT ends it as cleanly, and SIGHUP (a
// closed terminal) saves the tabs as SIGTERM does.
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
    {
        Browser third(data, {page("four")}, log);
        ASSERT_TRUE(loaded("four")) << log_text();
        EXPECT_EQ(third.terminate(SIGHUP), 0) << log_text();
    }
    EXPECT_EQ(saved(), (Saved{{{page("one"), page("two"), page("three"), page("four")}, 3}}));
}

// Without a session bus. The periodic tick saves the tabs (the test waits for the file, at most
// one 30-second tick, instead of killing at a fixed time), so SIGKILL loses none of them. A second
// launch on the same data folder cannot reach the first: it says so, exits and touches no file.
TEST_F(Crash, AKilledBrowserLosesNoTabAndASecondOneWithoutABusTouchesNothing) {
    const Saved three{{{page("one"), page("two"), page("three")}, 2}};
    {
        Browser first(data, {page("one"), page("two"), page("three")}, log);
        ASSERT_TRUE(loaded("one") && loaded("two") && loaded("three")) << log_text();
        // The tick writes the session, then the visits.
        ASSERT_TRUE(wait_until(
            [&] {
                return saved() == three && std::filesystem::exists(store_dir() / "history.json");
            },
            40s))
            << log_text();
        const auto files = stat_folder(store_dir());
        Browser second(data, {page("four")}, log);
        EXPECT_EQ(second.wait_exit(), 1);
        EXPECT_NE(log_text().find("corvane: Corvane is already running with the data folder " +
                                  store_dir().string()),
                  std::string::npos)
            << log_text();
        EXPECT_EQ(stat_folder(store_dir()), files);
        EXPECT_EQ(server.count("/page-four"), 0u);
        first.terminate(SIGKILL);
    }
    EXPECT_EQ(saved(), three);
    Browser again(data, {}, log);
    ASSERT_TRUE(loaded("three", 2)) << "the active tab is restored";
    EXPECT_EQ(again.terminate(), 0);
    EXPECT_EQ(saved(), three);
}

// With a window manager and a bus. Two tabs saved by the tick; a private window opens (handed
// over by a second launch: keys typed into a freshly focused window may be lost under load) and
// the normal window closes first, saving its tabs. Neither the next tick (seen by the bookmark
// made in the private window, which only the tick writes) nor Ctrl+Q in the private window
// replaces them, and the next launch shows the two tabs.
TEST_F(PrivateWindow, ClosingTheNormalWindowFirstKeepsItsTabsThroughTheTickAndQuit) {
    const Saved two{{{page("one"), page("two")}, 1}};
    const std::string normal = "search --onlyvisible --name 'Corvane$'";
    const std::string private_window = "search --onlyvisible --name 'Corvane \\(Private\\)$'";
    {
        Browser first(data, {page("one"), page("two")}, log);
        ASSERT_TRUE(loaded("one") && loaded("two")) << log_text();
        ASSERT_TRUE(wait_until([&] { return saved() == two; }, 40s)) << log_text();
        // A launch from the desktop's "New Private Window" hands its page to the running browser.
        const pid_t hand_over = launch_browser(std::getenv("CORVANE_BINARY"), data,
                                               {"--private-window", page("three")}, log);
        // It ends once its page is handed over (reaped here, or by the event loop's child watch).
        EXPECT_TRUE(wait_until([&] { return waitpid(hand_over, nullptr, WNOHANG) != 0; }));
        ASSERT_TRUE(loaded("three")) << log_text();
        ASSERT_TRUE(wait_until([&] { return xdotool(private_window); }));
        ASSERT_TRUE(wait_until([&] { return xdotool(normal + " windowactivate --sync"); }));
        EXPECT_TRUE(xdotool("key --clearmodifiers ctrl+shift+w"));
        ASSERT_TRUE(wait_until([&] { return !xdotool(normal); })) << "the normal window closes";
        EXPECT_EQ(saved(), two);
        // The window manager may still be busy with the closed window.
        ASSERT_TRUE(wait_until([&] { return xdotool(private_window + " windowactivate --sync"); }));
        EXPECT_TRUE(xdotool("key --clearmodifiers ctrl+d"));
        ASSERT_TRUE(wait_until(
            [&] { return std::filesystem::exists(store_dir() / "bookmarks.json"); }, 40s))
            << "a tick has run";
        EXPECT_EQ(saved(), two) << "the tick keeps the saved session";
        EXPECT_TRUE(xdotool("key --clearmodifiers ctrl+q"));
        EXPECT_EQ(first.wait_exit(), 0) << "Ctrl+Q ends the browser";
    }
    EXPECT_EQ(saved(), two);
    Browser again(data, {}, log);
    ASSERT_TRUE(loaded("two", 2)) << "the next launch shows the two tabs";
    EXPECT_EQ(again.terminate(), 0);
    EXPECT_EQ(saved(), two);
}

// A plain file where the data folder goes, or a bus address whose folder is gone (as su or ssh
// leave it), does not stop the start: the page loads, and with the file in the way its website
// data stays in memory and nothing is written.
TEST_F(Start, APlainFileForTheDataFolderOrAGoneBusFolderStillShowsThePage) {
    std::filesystem::create_directories(data);
    write_file(store_dir(), "a file");
    std::filesystem::permissions(store_dir(), std::filesystem::perms(0644));
    {
        Browser browser(data, {page("one")}, log);
        ASSERT_TRUE(loaded("one")) << log_text();
        EXPECT_EQ(browser.terminate(), 0) << log_text();
    }
    EXPECT_EQ(read_file(store_dir()), "a file");
    EXPECT_EQ(std::filesystem::status(store_dir()).permissions(), std::filesystem::perms(0644));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(data)) {
        EXPECT_TRUE(entry.path() == store_dir() ||
                    entry.path().string().find("com.halbrin.corvane") == std::string::npos)
            << entry.path();
    }

    std::filesystem::remove(store_dir());
    const ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS",
                        ("unix:path=" + (home / "gone/bus").string()).c_str());
    {
        Browser browser(data, {page("two")}, log);
        ASSERT_TRUE(loaded("two")) << log_text();
        EXPECT_EQ(browser.terminate(), 0) << log_text();
    }
    EXPECT_EQ(saved(), (Saved{{{page("two")}, 0}}));
}

// Installed as a package would be, below a DESTDIR, with a window manager: the desktop files
// validate, and the installed binary sends a Linux user agent. A second launch hands its URL to
// the running instance, which raises its minimised window, and exits; so does "open link" in
// another program (GIO asking the default browser, made Corvane in mimeapps.list). A history and
// bookmarks that cannot be read are kept beside the files that replace them. The menu bar's
// shortcuts bookmark, open a tab and a private window, and Quit saves the session without the
// private window. Started again, closing the last window ends the browser with its tabs saved,
// and the next launch shows them.
TEST_F(Desktop, InstalledItTakesLinksFromLaunchesAndTheDesktopAndEndsWithItsLastWindow) {
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
    // 41 visits, one without its count, and 25 bookmarks cut short by 40 bytes.
    std::string history = "[";
    for (int i = 0; i < 41; ++i) {
        history += std::string(i ? ",{" : "{") + R"("url":"https://h)" + std::to_string(i) +
                   R"(.test/","title":"H",)" + (i == 20 ? "" : R"("visits":2,)") + R"("last":9})";
    }
    history += "]";
    std::string bookmarks = "[";
    for (int i = 0; i < 25; ++i) {
        bookmarks += std::string(i ? ",{" : "{") + R"("url":"https://b)" + std::to_string(i) +
                     R"(.test/","title":"B","added":9})";
    }
    bookmarks += "]";
    bookmarks.resize(bookmarks.size() - 40);
    std::filesystem::create_directories(store_dir());
    write_file(store_dir() / "history.json", history);
    write_file(store_dir() / "bookmarks.json", bookmarks);

    // A normal window: its title ends in the browser's name, after the active tab's.
    const std::string visible = "search --onlyvisible --name 'Corvane$'";
    const std::string activate = visible + " windowactivate --sync";
    {
        Browser first(data, {page("first")}, log, (home / "root/usr/bin/corvane").c_str());
        ASSERT_TRUE(loaded("first")) << log_text();
        const std::string agent = server.requests().at(0).headers["user-agent"];
        EXPECT_TRUE(std::regex_search(agent, std::regex(R"(\(X11; Linux .* Corvane/)"))) << agent;
        ASSERT_TRUE(wait_until([&] { return xdotool(activate); }));
        EXPECT_TRUE(xdotool("key --clearmodifiers ctrl+d"));
        ASSERT_TRUE(xdotool(visible + " windowminimize --sync"));
        Browser second(data, {page("second")}, log);
        EXPECT_EQ(second.wait_exit(), 0) << "the second launch hands over and exits";
        ASSERT_TRUE(loaded("second")) << log_text();
        EXPECT_TRUE(wait_until([&] { return xdotool(visible); })) << "the window is raised";
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
    EXPECT_EQ(saved(),
              (Saved{{{page("first"), page("second"), page("linked"), "corvane://newtab/"}, 3}}));
    EXPECT_EQ(kept_copy(store_dir(), "history.json"), history);
    EXPECT_EQ(kept_copy(store_dir(), "bookmarks.json"), bookmarks);
    EXPECT_NE(read_file(store_dir() / "history.json").find(page("linked")), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(read_file(store_dir() / "bookmarks.json"))[0]["url"],
              page("first"));

    // Ctrl+W closes the new tab page and wakes the tab before it; Ctrl+Shift+W the window.
    const Saved three{{{page("first"), page("second"), page("linked")}, 2}};
    {
        Browser again(data, {}, log);
        ASSERT_TRUE(wait_until([&] { return xdotool(activate); }));
        EXPECT_TRUE(xdotool("key --clearmodifiers ctrl+w"));
        ASSERT_TRUE(loaded("linked", 2)) << log_text();
        EXPECT_TRUE(xdotool("key --clearmodifiers ctrl+shift+w"));
        EXPECT_EQ(again.wait_exit(), 0) << "closing the last window ends the browser";
    }
    EXPECT_EQ(saved(), three);
    Browser third(data, {}, log);
    ASSERT_TRUE(loaded("linked", 3)) << "the next launch shows the same tabs";
    ASSERT_EQ(third.terminate(), 0);
    EXPECT_EQ(saved(), three);
}

} // namespace
} // namespace corvane::test
