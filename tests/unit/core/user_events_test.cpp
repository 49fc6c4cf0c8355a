#include "core/tabs.h"
#include "core_fixture.h"
#include "engine/actions.h"
#include "shield/rule_list.h"

#include <tuple>

namespace corvane::test {
namespace {

class UserEventsTest : public CoreTest {
protected:
    void SetUp() override { open({{"https://www.example.com/", "Old"}, {"https://b.test/", "B"}}); }
    std::size_t render_count() { return renders(chrome()).size(); }
};

// What a tab's view posted before the tab closed, slept or was rebuilt on a new view arrives
// after: none of it may touch a tab, its window or the system.
TEST_F(UserEventsTest, EventsFromGoneTabsOrViewsChangeNothing) {
    add_tab(app, 0, "https://bg.test/", TabFocus::background, TabPlace::at_end);
    tab(0, 2).favicon = "https://bg.test/f.ico";
    const ViewId old = tab(0, 2).view;
    const auto events_from = [&](TabId id) {
        return std::vector<UserEvent>{
            event::PageLoad{"https://x.test/", id, true, old},
            event::PageLoad{"https://x.test/", id, false, old},
            event::TitleChanged{"X", id, old},
            event::FaviconFound{"https://x.test/f.ico", id, old},
            event::NewWindowRequested{"https://x.test/", id, old},
            event::OpenExternally{"mailto:a@x.test", id, old},
            event::WebContentTerminated{id, old},
            event::SleepAnswer{"ok", id, true, old},
            event::FindResult{app.windows[0].id(), false, old}, // not the shown tab's view
            event::UiMessage{msg::CloseTab{id}, 999},
        };
    };
    const auto state = [&] {
        const Tab& t = tab(0, 2);
        return std::tuple(tab_urls(0), t.title, t.favicon, t.loading, t.awake(), t.view,
                          render_count(), scripts(chrome()).size());
    };
    for (const std::string phase : {"closed", "asleep", "rebuilt"}) {
        if (phase == "asleep") {
            handle(event::SleepAnswer{"ok", tab(0, 2).id, true, old});
        } else if (phase == "rebuilt") {
            select_tab(app, 0, 2); // a new view, kept awake in the background after
            select_tab(app, 0, 0);
        }
        const auto before = state();
        for (UserEvent& event : events_from(phase == "closed" ? 999 : tab(0, 2).id)) {
            const std::size_t kind = event.index();
            handle(std::move(event));
            EXPECT_EQ(state(), before) << phase << ", event " << kind;
        }
    }
    EXPECT_TRUE(platform.system_.opened.empty());
    EXPECT_TRUE(app.store.history.empty());
    // From a live tab, an external address goes to the system.
    handle(event::OpenExternally{"mailto:someone@example.com", tab(0, 0).id, tab(0, 0).view});
    EXPECT_EQ(platform.system_.opened, (std::vector<std::string>{"mailto:someone@example.com"}));
}

TEST_F(UserEventsTest, FaviconClearsOnlyWhenALoadStartsOnAnotherHost) {
    const TabId id = tab(0, 0).id;
    const ViewId view = tab(0, 0).view;
    struct Case {
        std::string url;
        bool loading;
        bool keeps_icon;
    };
    const Case cases[] = {
        {"https://example.com/other", true, true}, // same display host without www.
        {"http://www.www.example.com/", true, true}, {"about:blank", true, true}, {"", true, true},
        {"https://elsewhere.test/", false, true}, // a finished load never clears it
        {"https://elsewhere.test/", true, true},  // the host the tab is on by now
        {"https://example.com/", true, false},
    };
    for (const Case& c : cases) {
        tab(0, 0).favicon = "https://example.com/icon.png";
        handle(event::PageLoad{c.url, id, c.loading, view});
        EXPECT_EQ(tab(0, 0).favicon.has_value(), c.keeps_icon) << c.url;
        EXPECT_EQ(tab(0, 0).loading, c.loading);
    }
    EXPECT_EQ(tab(0, 0).url, "https://example.com/");
}

TEST_F(UserEventsTest, FinishedLoadRecordsHistoryAndProbesTheFavicon) {
    const TabId id = tab(0, 0).id;
    const ViewId view = tab(0, 0).view;
    handle(event::PageLoad{"https://example.com/a", id, true, view});
    EXPECT_TRUE(app.store.history.empty());
    handle(event::PageLoad{"https://example.com/a", id, false, view});
    ASSERT_EQ(app.store.history.size(), 1u);
    EXPECT_EQ(app.store.history[0].url, "https://example.com/a");
    EXPECT_EQ(app.store.history[0].title, "Old");
    EXPECT_EQ(app.store.history[0].last, wall);
    EXPECT_EQ(scripts(fake(tab(0, 0).webview)).back(), kFaviconProbeScript);
    EXPECT_EQ(render_count(), 2u);
    EXPECT_EQ(renders(chrome()).back()["loading"], false);

    // The probe's answer becomes the tab's icon; a refused one clears it.
    ASSERT_TRUE(
        fake(tab(0, 0).webview).complete_script(R"("{\"i\":\"https://example.com/f.ico\"}")"));
    for (UserEvent& event : take_posted()) {
        handle(std::move(event));
    }
    EXPECT_EQ(tab(0, 0).favicon, "https://example.com/f.ico");
    EXPECT_EQ(renders(chrome()).back()["tabs"][0]["favicon"], "https://example.com/f.ico");
    handle(event::FaviconFound{std::nullopt, id, view});
    EXPECT_EQ(renders(chrome()).back()["tabs"][0]["favicon"], nullptr);
}

TEST_F(UserEventsTest, PrivateWindowsRecordNoHistoryButStillProbe) {
    create_window(app, WindowKind::private_browsing, {{"https://p.test/", ""}}, 0);
    const TabId id = tab(1, 0).id;
    const ViewId view = tab(1, 0).view;
    handle(event::PageLoad{"https://p.test/", id, false, view});
    handle(event::TitleChanged{"Private", id, view});
    EXPECT_TRUE(app.store.history.empty());
    EXPECT_FALSE(app.store.history_dirty);
    EXPECT_EQ(scripts(fake(tab(1, 0).webview)).back(), kFaviconProbeScript);
    EXPECT_EQ(tab(1, 0).title, "Private");
}

TEST_F(UserEventsTest, TitlesAreCleanedAndUpdateHistory) {
    const TabId id = tab(0, 0).id;
    const ViewId view = tab(0, 0).view;
    fake(tab(0, 0).webview).url = "https://example.com/";
    handle(event::PageLoad{"https://example.com/", id, false, view});
    handle(event::TitleChanged{"  Hello\n\u202E World\t ", id, view});
    EXPECT_EQ(tab(0, 0).title, "Hello World");
    EXPECT_EQ(app.store.history[0].title, "Hello World");
    handle(event::TitleChanged{std::string(400, 'x'), id, view});
    EXPECT_EQ(tab(0, 0).title.size(), 300u);
    // The live view's address replaces the stored one, unless it is blank.
    fake(tab(0, 0).webview).url = "https://example.com/moved";
    handle(event::TitleChanged{"Moved", id, view});
    EXPECT_EQ(tab(0, 0).url, "https://example.com/moved");
    fake(tab(0, 0).webview).url = "about:blank";
    handle(event::TitleChanged{"Blank", id, view});
    EXPECT_EQ(tab(0, 0).url, "https://example.com/moved");
    EXPECT_EQ(renders(chrome()).back()["tabs"][0]["title"], "Blank");
}

TEST_F(UserEventsTest, NewWindowRequestsOpenNextToTheActiveTabUnder8192Bytes) {
    add_tab(app, 0, "https://opener.test/", TabFocus::background, TabPlace::at_end);
    const TabId opener = tab(0, 2).id;
    const ViewId view = tab(0, 2).view;
    const std::string base = "https://example.com/?q=";
    handle(event::NewWindowRequested{base + std::string(8192 - base.size(), 'a'), opener, view});
    handle(event::NewWindowRequested{"javascript:alert(1)", opener, view});
    EXPECT_EQ(app.windows[0].tabs.size(), 3u);
    const std::string accepted = base + std::string(8191 - base.size(), 'a');
    handle(event::NewWindowRequested{accepted, opener, view});
    ASSERT_EQ(app.windows[0].tabs.size(), 4u);
    EXPECT_EQ(tab(0, 1).url, accepted); // right after the active (first) tab
    EXPECT_EQ(app.windows[0].active, 1u);
}

TEST_F(UserEventsTest, CrashedTabsReloadWhenActiveAndSleepOtherwise) {
    add_tab(app, 0, "https://bg.test/", TabFocus::background, TabPlace::at_end);
    tab(0, 0).loading = true;
    tab(0, 2).loading = true;
    handle(event::WebContentTerminated{tab(0, 0).id, tab(0, 0).view});
    handle(event::WebContentTerminated{tab(0, 2).id, tab(0, 2).view});
    ASSERT_TRUE(tab(0, 0).webview);
    EXPECT_EQ(fake(tab(0, 0).webview).calls.back(), "reload");
    EXPECT_FALSE(tab(0, 0).loading);
    EXPECT_FALSE(tab(0, 2).webview);
    EXPECT_FALSE(tab(0, 2).loading);
    EXPECT_EQ(tab(0, 2).url, "https://bg.test/");
}

TEST_F(UserEventsTest, RuleListReadyAppliesOrRemovesTheListOnAwakeTabs) {
    add_tab(app, 0, "https://bg.test/", TabFocus::background, TabPlace::at_end);
    const auto list = std::make_shared<FakeContentFilter>("corvane-shield-test", "[]");
    ASSERT_TRUE(app.engine.shield_slot);
    app.engine.shield_slot->keep(list);
    const std::vector<std::shared_ptr<platform::ContentFilter>> with_list{list};

    handle(event::RuleListReady{true});
    EXPECT_TRUE(app.shield_ready);
    EXPECT_TRUE(app.engine.rule_list_ready);
    EXPECT_EQ(fake(tab(0, 0).webview).filters, with_list);
    EXPECT_EQ(fake(tab(0, 2).webview).filters, with_list);
    EXPECT_FALSE(tab(0, 1).webview); // asleep: gets it when its view is built

    // Not ready: removed even with the Shield on in the settings.
    handle(event::RuleListReady{false});
    EXPECT_FALSE(app.engine.rule_list_ready);
    EXPECT_TRUE(fake(tab(0, 0).webview).filters.empty());
    EXPECT_TRUE(fake(tab(0, 2).webview).filters.empty());

    // Ready, but the Shield is off.
    app.store.settings.block_trackers = false;
    handle(event::RuleListReady{true});
    EXPECT_TRUE(fake(tab(0, 0).webview).filters.empty());
    // Chrome views are never touched.
    EXPECT_TRUE(chrome().filters.empty());
}

} // namespace
} // namespace corvane::test
