#include "core/sleeping.h"
#include "core/tabs.h"
#include "core_fixture.h"
#include "unit/store/scoped_env.h"

namespace corvane::test {
namespace {

class SleepingTest : public CoreTest {
protected:
    // One window with `count` tabs, all awake, the first active.
    void open_awake(std::size_t count) {
        open({{"https://t0.test/", ""}});
        for (std::size_t i = 1; i < count; ++i) {
            add_tab(app, 0, "https://t" + std::to_string(i) + ".test/", TabFocus::background,
                    TabPlace::at_end);
        }
    }
    // Tabs whose page was asked the guard question, in order.
    std::vector<TabId> asked() {
        std::vector<TabId> ids;
        for (const Tab& t : app.windows[0].tabs) {
            if (t.webview) {
                for (const PendingScript& script : fake(t.webview).scripts) {
                    if (script.script == kSleepGuardScript) {
                        ids.push_back(t.id);
                    }
                }
            }
        }
        return ids;
    }
};

TEST_F(SleepingTest, IdleMeansStrictlyLongerThanTheSetting) {
    const Instant start = now;
    EXPECT_FALSE(is_idle(start + std::chrono::minutes(10), start, 10));
    EXPECT_TRUE(is_idle(start + std::chrono::minutes(10) + std::chrono::nanoseconds(1), start, 10));
    EXPECT_FALSE(is_idle(start + std::chrono::hours(100), start, 0));
    EXPECT_FALSE(is_idle(start, start + std::chrono::hours(1), 1)); // activity in the future
}

TEST_F(SleepingTest, TickAsksIdleBackgroundTabsAndFlushes) {
    app.store.settings.max_awake_tabs = 10;
    open_awake(3);
    tab(0, 2).last_active = now - std::chrono::minutes(10);
    advance(std::chrono::minutes(10));
    // Tab 1 (idle exactly ten minutes from its creation) is not idle yet; tab 2 is.
    app.store.settings_dirty = true;
    sleep_tick(app);
    EXPECT_EQ(asked(), (std::vector<TabId>{tab(0, 2).id}));
    EXPECT_TRUE(std::filesystem::exists(app.store.dir / "settings.json"));

    advance(std::chrono::nanoseconds(1));
    EXPECT_EQ(idle_background_tabs(app), (std::vector<TabId>{tab(0, 1).id, tab(0, 2).id}));
    // The active tab is never asked, however long it has been idle.
    advance(std::chrono::hours(5));
    EXPECT_EQ(idle_background_tabs(app).size(), 2u);
    app.store.settings.sleep_after_mins = 0;
    EXPECT_TRUE(idle_background_tabs(app).empty());
}

TEST_F(SleepingTest, TooManyAwakeTabsAskTheOldestFirst) {
    app.store.settings.max_awake_tabs = 50;
    open_awake(9); // active + 8 background tabs
    for (std::size_t i = 1; i < 9; ++i) {
        tab(0, i).last_active = now - std::chrono::minutes(100 - i);
    }
    // Equal activity: the smaller id goes first.
    tab(0, 4).last_active = tab(0, 3).last_active;
    app.store.settings.max_awake_tabs = 6;
    enforce_max_awake(app, 0);
    EXPECT_EQ(asked(), (std::vector<TabId>{tab(0, 1).id, tab(0, 2).id}));

    app.store.settings.max_awake_tabs = 0; // counts as 1
    for (std::size_t i = 1; i < 9; ++i) {
        fake(tab(0, i).webview).scripts.clear();
    }
    enforce_max_awake(app, 0);
    EXPECT_EQ(asked().size(), 7u);
}

TEST_F(SleepingTest, RepliesAreReadAsStringsElseOk) {
    struct Case {
        std::string reply;
        std::string answer;
        bool ok;
    };
    const Case cases[] = {
        {R"("ok")", "ok", true},
        {R"("media")", "media", false},
        {R"("typed")", "typed", false},
        {"", "ok", true},
        {"42", "ok", true},
        {R"({"a":1})", "ok", true},
        {R"("OK")", "OK", false},
    };
    for (const Case& c : cases) {
        const event::SleepAnswer answer = read_sleep_reply(c.reply, 7, 3);
        EXPECT_EQ(answer.answer, c.answer) << c.reply;
        EXPECT_EQ(answer.ok, c.ok) << c.reply;
        EXPECT_EQ(answer.tab, 7u);
        EXPECT_EQ(answer.view, 3u);
    }
    EXPECT_EQ(sleep_debug_line({"media", 7, false}, "https://a.test/"),
              "[corvane] sleep REFUSED (media) tab7 https://a.test/");
    EXPECT_EQ(sleep_debug_line({"ok", 9, true}, ""), "[corvane] sleep OK tab9 ");
}

TEST_F(SleepingTest, AnOkAnswerDropsTheViewAndKeepsTheLiveUrl) {
    open_awake(2);
    tab(0, 1).loading = true;
    request_sleep(app, tab(0, 1).id);
    fake(tab(0, 1).webview).url = "https://t1.test/later";
    ASSERT_TRUE(fake(tab(0, 1).webview).complete_script(R"("ok")"));
    std::vector<UserEvent> posted = take_posted();
    ASSERT_EQ(posted.size(), 1u);
    handle(std::move(posted[0]));
    EXPECT_FALSE(tab(0, 1).webview);
    EXPECT_FALSE(tab(0, 1).loading);
    EXPECT_EQ(tab(0, 1).url, "https://t1.test/later");
    EXPECT_EQ(renders(chrome()).back()["tabs"][1]["sleeping"], true);
}

TEST_F(SleepingTest, RefusalsAndTabsThatBecameActiveStayAwakeAndTheDebugLineNeedsItsVariable) {
    open_awake(2);
    const std::string line = "[corvane] sleep REFUSED (media) tab" + std::to_string(tab(0, 1).id) +
                             " https://t1.test/\n";
    for (const char* debug : {static_cast<const char*>(nullptr), ""}) {
        const ScopedEnv env("CORVANE_DEBUG", debug);
        testing::internal::CaptureStderr();
        handle(event::SleepAnswer{"media", tab(0, 1).id, false});
        EXPECT_EQ(testing::internal::GetCapturedStderr(), debug ? line : "");
    }
    EXPECT_TRUE(tab(0, 1).webview);
    select_tab(app, 0, 1);
    handle(event::SleepAnswer{"ok", tab(0, 1).id, true, tab(0, 1).view});
    EXPECT_TRUE(tab(0, 1).webview);
    handle(event::SleepAnswer{"ok", 999, true}); // closed meanwhile
}

} // namespace
} // namespace corvane::test
