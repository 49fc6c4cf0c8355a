// Tab sleeping on real pages: an idle background tab gives up its view and its web process and
// wakes where it was; the
// pages that must stay awake say so through the guard; the limit of awake tabs puts the least
// recently used to sleep. Every answer is checked by the debug line the browser writes for it.
#include "chrome_driver.h"
#include "core/commands.h"
#include "core/sleeping.h"
#include "core/tabs.h"
#include "store/store.h"
#include "support/temp_dir.h"
#include "support/web_processes.h"
#include "unit/store/scoped_env.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace corvane::test {
namespace {

// Standard error of this process, collected in a file while the test runs.
class CapturedStderr {
public:
    CapturedStderr() : file_(std::tmpfile()), saved_(dup(STDERR_FILENO)) {
        std::fflush(stderr);
        dup2(fileno(file_), STDERR_FILENO);
    }
    ~CapturedStderr() {
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        std::fclose(file_);
    }
    CapturedStderr(const CapturedStderr&) = delete;
    CapturedStderr& operator=(const CapturedStderr&) = delete;

    bool has_line(const std::string& line) {
        std::fflush(stderr);
        std::string text(static_cast<std::size_t>(lseek(fileno(file_), 0, SEEK_END)), '\0');
        const ssize_t read = pread(fileno(file_), text.data(), text.size(), 0);
        text.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
        return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
    }

private:
    std::FILE* file_;
    int saved_;
};

class Sleeping : public ChromePageTest {
protected:
    void TearDown() override {
        app().store.settings = Settings{};
        ChromePageTest::TearDown();
    }
    bool answered(TabId id, const std::string& verdict, const std::string& url) {
        return wait_until([&] {
            return stderr_.has_line("[corvane] sleep " + verdict + " tab" + std::to_string(id) +
                                    " " + url);
        });
    }
    double page_width(std::size_t index) {
        return js(*tab(0, index).webview, "innerWidth").get<double>();
    }

    ScopedEnv debug_{"CORVANE_DEBUG", "1"};
    CapturedStderr stderr_;
};

TEST_F(Sleeping, IdleBackgroundTabSleepsAndWakesWhereItWasWithItsZoom) {
    open({{page_url("/article-front"), ""}});
    add_tab(app(), 0, page_url("/article-idle"), TabFocus::background, TabPlace::at_end);
    ASSERT_TRUE(loaded(0, 0, "Article front") && loaded(0, 1, "Article idle"));
    select_tab(app(), 0, 1);
    const double plain_width = page_width(1);
    ControlFlow flow = ControlFlow::wait;
    run_command(app(), "zoomIn", flow);
    ASSERT_TRUE(wait_until([&] { return page_width(1) < plain_width - 2; }));
    const double zoomed_width = page_width(1);
    select_tab(app(), 0, 0);
    // The page moved on by itself; it sleeps at its own address, and its process is the largest.
    const std::string moved = page_url("/article-idle?moved");
    evaluate(*tab(0, 1).webview, "history.pushState({}, '', '?moved');"
                                 "window.ballast = new Uint8Array(200 << 20).fill(1); 0");
    const std::optional<pid_t> process = largest_web_process();
    ASSERT_TRUE(process);

    app().store.settings.sleep_after_mins = 1;
    for (Tab& t : app().windows[0].tabs) {
        t.last_active = app().now() - std::chrono::seconds(61);
    }
    sleep_tick(app());
    // The line names the address the tab had stored when the answer came.
    ASSERT_TRUE(answered(tab(0, 1).id, "OK", page_url("/article-idle")));
    ASSERT_TRUE(wait_until([&] { return !tab(0, 1).webview; }));
    EXPECT_TRUE(tab(0, 0).webview) << "the active tab never sleeps";
    EXPECT_TRUE(wait_until([&] { return kill(*process, 0) != 0; })) << "its web process ended";
    EXPECT_EQ(tab(0, 1).url, moved);
    EXPECT_TRUE(wait_until([&] {
        const nlohmann::json shown = strip();
        return shown.size() == 2 && shown[1]["sleeping"] == true &&
               shown[1]["title"] == "Article idle";
    })) << strip().dump();
    save_session_now(app());
    const nlohmann::json session =
        nlohmann::json::parse(read_file(world().data / "store" / kSessionFile), nullptr, false);
    EXPECT_EQ(session[0]["tabs"][1], nlohmann::json({{"url", moved}, {"title", "Article idle"}}));

    select_tab(app(), 0, 1);
    ASSERT_TRUE(tab(0, 1).webview);
    ASSERT_TRUE(loaded(0, 1, "Article idle"));
    EXPECT_EQ(tab(0, 1).webview->uri(), moved);
    EXPECT_TRUE(wait_until([&] { return std::abs(page_width(1) - zoomed_width) < 2; }));
}

struct GuardCase {
    const char* page;
    const char* action; // run in the page, then awaited
    const char* verdict;
};

TEST_F(Sleeping, PagesInUseRefuseAndOthersSleep) {
    const GuardCase cases[] = {
        {"audio", "loud.play(); !loud.paused && loud.readyState > 2", "REFUSED (media)"},
        {"muted", "quiet.play(); !quiet.paused && quiet.readyState > 2", "OK"},
        {"textarea", "area.focus(); document.execCommand('insertText', false, 'draft'); true",
         "REFUSED (typed)"},
        {"editable", "editable.focus(); document.execCommand('insertText', false, 'draft'); true",
         "REFUSED (typed)"},
        {"search", "search.focus(); document.execCommand('insertText', false, 'draft'); true",
         "OK"},
    };
    open({{page_url("/article-guard"), ""}});
    for (const GuardCase& c : cases) {
        add_tab(app(), 0, page_url(std::string("/guard-") + c.page), TabFocus::background,
                TabPlace::at_end);
    }
    for (std::size_t i = 1; i <= std::size(cases); ++i) {
        SCOPED_TRACE(cases[i - 1].page);
        ASSERT_TRUE(loaded(0, i, std::string("Guard ") + cases[i - 1].page));
        EXPECT_TRUE(
            wait_until([&] { return js(*tab(0, i).webview, cases[i - 1].action) == true; }));
    }
    for (std::size_t i = 1; i <= std::size(cases); ++i) {
        request_sleep(app(), tab(0, i).id);
    }
    for (std::size_t i = 1; i <= std::size(cases); ++i) {
        const GuardCase& c = cases[i - 1];
        SCOPED_TRACE(c.page);
        EXPECT_TRUE(answered(tab(0, i).id, c.verdict, page_url(std::string("/guard-") + c.page)));
        EXPECT_EQ(tab(0, i).awake(), c.verdict != std::string("OK"));
    }
}

TEST_F(Sleeping, AwakeTabLimitPutsTheLeastRecentlyUsedToSleep) {
    app().store.settings.max_awake_tabs = 2;
    open({{page_url("/article-0"), ""}});
    for (const char* name : {"/article-1", "/article-2", "/article-3"}) {
        add_tab(app(), 0, page_url(name), TabFocus::background, TabPlace::at_end);
    }
    const auto awake = [&] {
        std::vector<bool> shown;
        for (const Tab& t : app().windows[0].tabs) {
            shown.push_back(t.awake());
        }
        return shown;
    };
    // Three background tabs for two places: the one added first was used least recently.
    EXPECT_TRUE(wait_until([&] { return awake() == std::vector{true, false, true, true}; }));
    select_tab(app(), 0, 1);
    EXPECT_TRUE(wait_until([&] {
        return awake() == std::vector{false, true, true, true};
    })) << "the tab left behind is now the least recently used";
}

} // namespace
} // namespace corvane::test
