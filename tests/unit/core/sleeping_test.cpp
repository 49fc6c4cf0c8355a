#include "core/sleeping.h"
#include "core/tabs.h"
#include "core_fixture.h"

namespace corvane::test {

class SleepingTest : public CoreTest {
protected:
    // One window of awake tabs, the first active; tab i was last active idle[i] ago.
    void open_awake(const std::vector<std::chrono::minutes>& idle) {
        open({{"https://t0.test/", ""}});
        for (std::size_t i = 1; i < idle.size(); ++i) {
            add_tab(app, 0, "https://t" + std::to_string(i) + ".test/", TabFocus::background,
                    TabPlace::at_end);
        }
        for (std::size_t i = 0; i < idle.size(); ++i) {
            tab(0, i).last_active = now - idle[i];
        }
    }
    // The tabs whose page was asked the guard question, by index; the questions are forgotten.
    std::vector<std::size_t> asked() {
        std::vector<std::size_t> indexes;
        for (std::size_t i = 0; i < app.windows[0].tabs.size(); ++i) {
            if (tab(0, i).webview && !fake(tab(0, i).webview).scripts.empty() &&
                fake(tab(0, i).webview).scripts.back().script == kSleepGuardScript) {
                indexes.push_back(i);
                fake(tab(0, i).webview).scripts.clear();
            }
        }
        return indexes;
    }
};

using std::chrono::minutes;

// Background tabs idle longer than the setting are asked; the active one never is.
TEST_F(SleepingTest, TickAsksIdleBackgroundTabsAndWritesTheStore) {
    const Instant t = now;
    EXPECT_FALSE(is_idle(t + minutes(10), t, 10));
    EXPECT_TRUE(is_idle(t + minutes(10) + std::chrono::nanoseconds(1), t, 10));
    EXPECT_FALSE(is_idle(t + std::chrono::hours(100), t, 0));
    EXPECT_FALSE(is_idle(t, t + std::chrono::hours(1), 1)) << "activity in the future";
    // Settings a file can hold that the clock cannot count (its limit: 153,722,867 minutes).
    for (const std::uint32_t huge : {153'722'868u, 200'000'000u, 4'294'967'295u}) {
        EXPECT_FALSE(is_idle(t + std::chrono::hours(24 * 365), t, huge)) << huge;
    }

    app.store.settings.max_awake_tabs = 10;
    open_awake({minutes(600), minutes(10), minutes(11), minutes(-60), minutes(11)});
    tab(0, 4).webview.reset(); // asleep already
    app.store.settings_dirty = true;
    sleep_tick(app);
    EXPECT_EQ(asked(), (std::vector<std::size_t>{2}));
    EXPECT_FALSE(app.store.settings_dirty);
    app.store.settings.sleep_after_mins = 0;
    sleep_tick(app);
    EXPECT_TRUE(asked().empty());
}

// The tick writes the session, so that a crash loses at most one tick, but only when the tabs
// changed since it was last written: a tab moved, another tab made active, a page that went on.
TEST_F(SleepingTest, TickWritesTheSessionOnlyWhenTheTabsChanged) {
    const std::filesystem::path file = app.store.dir / "session.json";
    const auto written_by_tick = [&] {
        std::filesystem::remove(file);
        sleep_tick(app);
        return read_file(file);
    };
    EXPECT_EQ(written_by_tick(), "") << "no window";
    open_numbered(2, 1);
    EXPECT_EQ(written_by_tick(), R"([{"tabs":[{"url":"https://t0.test/","title":"T"},)"
                                 R"({"url":"https://t1.test/","title":"T"}],"active":1}])");
    EXPECT_EQ(written_by_tick(), "") << "unchanged";
    select_tab(app, 0, 0);
    EXPECT_TRUE(written_by_tick().ends_with(R"("active":0}])"));
    fake(tab(0, 0).webview).url = "https://t0.test/next";
    EXPECT_NE(written_by_tick().find("https://t0.test/next"), std::string::npos);
    EXPECT_EQ(written_by_tick(), "");
}

TEST_F(SleepingTest, TooManyAwakeTabsAskTheOldestFirst) {
    app.store.settings.max_awake_tabs = 50;
    // The active tab and eight background ones; equal activity: the smaller id goes first.
    open_awake({minutes(0), minutes(99), minutes(98), minutes(97), minutes(97), minutes(95),
                minutes(94), minutes(93), minutes(92)});
    app.store.settings.max_awake_tabs = 5;
    enforce_max_awake(app, 0);
    EXPECT_EQ(asked(), (std::vector<std::size_t>{1, 2, 3}));
    app.store.settings.max_awake_tabs = 0; // counts as 1
    enforce_max_awake(app, 0);
    EXPECT_EQ(asked(), (std::vector<std::size_t>{1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(SleepingTest, RepliesAreReadAsStringsElseOk) {
    const std::tuple<std::string, std::string, bool> replies[] = {
        {R"("ok")", "ok", true}, {R"("media")", "media", false}, {"", "ok", true},
        {"42", "ok", true},      {R"({"a":1})", "ok", true},     {R"("OK")", "OK", false}};
    for (const auto& [reply, answer, ok] : replies) {
        const event::SleepAnswer read = read_sleep_reply(reply, 7, 3);
        EXPECT_EQ(std::tuple(read.answer, read.ok, read.tab, read.view),
                  std::tuple(answer, ok, 7u, 3u))
            << reply;
    }
    // The OK line, written under CORVANE_DEBUG: e2e/core/corvane_process_test.
    EXPECT_EQ(sleep_debug_line({"media", 7, false, 3}, "https://a.test/"),
              "[corvane] sleep REFUSED (media) tab7 https://a.test/");
}

// What an "ok" does, with the real engine: integration/commands/pages_test; answers from gone
// tabs and views: user_events_test.
TEST_F(SleepingTest, RefusedAnswersAndTabsActiveMeanwhileStayAwake) {
    open_awake({minutes(0), minutes(0), minutes(0)});
    handle(event::SleepAnswer{"media", tab(0, 1).id, false, tab(0, 1).view});
    select_tab(app, 0, 2);
    handle(event::SleepAnswer{"ok", tab(0, 2).id, true, tab(0, 2).view});
    EXPECT_TRUE(tab(0, 1).webview && tab(0, 2).webview);
}

} // namespace corvane::test
