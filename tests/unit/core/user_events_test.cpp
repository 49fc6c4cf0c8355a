#include "core/tabs.h"
#include "core_fixture.h"
#include "engine/actions.h"
#include "shield/rule_list.h"

namespace corvane::test {

class UserEventsTest : public CoreTest {
protected:
    void SetUp() override {
        open({{"https://www.example.com/", "Old"}, {"https://b.test/", "B"}});
        id = tab(0, 0).id;
        view = tab(0, 0).view;
    }
    // The first tab and its view.
    TabId id = 0;
    ViewId view = 0;
};

// What a tab's view posted before the tab closed, slept or was rebuilt on a new view arrives
// after: none of it may touch a tab or its window (a find result: not from the shown tab's
// view). An external link the user followed there still opens.
TEST_F(UserEventsTest, EventsFromGoneTabsOrViewsChangeNothing) {
    add_tab(app, 0, "https://bg.test/", TabFocus::background, TabPlace::at_end);
    tab(0, 2).favicon = "https://bg.test/f.ico";
    const ViewId old = tab(0, 2).view;
    const auto state = [&] {
        const Tab& t = tab(0, 2);
        return std::tuple(tab_urls(0), t.title, t.favicon, t.loading, t.awake(), t.view,
                          scripts(chrome()).size(), app.store.history.size());
    };
    for (const std::string phase : {"closed", "asleep", "rebuilt"}) {
        if (phase == "asleep") {
            handle(event::SleepAnswer{"ok", tab(0, 2).id, true, old});
        } else if (phase == "rebuilt") {
            select_tab(app, 0, 2); // a new view, kept awake in the background after
            select_tab(app, 0, 0);
        }
        const auto before = state();
        const TabId gone = phase == "closed" ? 999 : tab(0, 2).id;
        for (UserEvent& event : std::vector<UserEvent>{
                 event::PageLoad{"https://x.test/", gone, true, old},
                 event::PageLoad{"https://x.test/", gone, false, old},
                 event::TitleChanged{"X", gone, old},
                 event::FaviconFound{"https://x.test/f.ico", gone, old},
                 event::NewWindowRequested{"https://x.test/", gone, old},
                 event::OpenExternally{"mailto:a@x.test", gone, old},
                 event::WebContentTerminated{gone, old}, event::SleepAnswer{"ok", gone, true, old},
                 event::LocationChanged{gone, old}, event::PageFullscreen{gone, true, old},
                 event::FindResult{app.windows[0].id(), false, old},
                 event::UiMessage{msg::CloseTab{gone}, 999}}) {
            const std::size_t kind = event.index();
            handle(std::move(event));
            EXPECT_EQ(state(), before) << phase << ", event " << kind;
        }
    }
    EXPECT_EQ(platform.system_.opened, std::vector<std::string>(3, "mailto:a@x.test"));
    handle(event::OpenExternally{"tel:+15550100", id, view});
    EXPECT_EQ(platform.system_.opened.back(), "tel:+15550100");
}

TEST_F(UserEventsTest, FaviconClearsOnlyWhenALoadStartsOnAnotherHost) {
    const std::tuple<std::string, bool, bool> cases[] = {
        {"https://example.com/other", true, true}, // the same host without www.
        {"", true, true},
        {"https://elsewhere.test/", false, true}, // a finished load never clears it
        {"https://elsewhere.test/", true, true},  // the host the tab is on by now
        {"https://example.com/", true, false}};
    for (const auto& [url, loading, keeps_icon] : cases) {
        tab(0, 0).favicon = "https://example.com/icon.png";
        handle(event::PageLoad{url, id, loading, view});
        EXPECT_EQ(std::tuple(tab(0, 0).favicon.has_value(), tab(0, 0).loading),
                  std::tuple(keeps_icon, loading))
            << url;
    }
}

// A page that goes to about:blank (typed, a link, a script) is named by it everywhere: the field,
// the tab, the window, the star and the saved session no longer show the page before.
TEST_F(UserEventsTest, ALoadOfTheBlankPageReplacesTheAddressShown) {
    app.store.bookmarks.push_back({"https://www.example.com/", "Old", 1});
    tab(0, 0).favicon = "https://example.com/icon.png";
    fake(tab(0, 0).webview).url = "about:blank";
    handle(event::PageLoad{"about:blank", id, true, view});
    handle(event::TitleChanged{"", id, view});
    handle(event::PageLoad{"about:blank", id, false, view});
    const nlohmann::json state = renders(chrome()).back();
    EXPECT_EQ(std::tuple(state["url"], state["host"], state["bookmarked"], state["tabs"][0]["url"],
                         state["tabs"][0]["favicon"]),
              std::tuple("about:blank", "", false, "about:blank", nullptr));
    EXPECT_EQ(dynamic_cast<FakeWindow&>(*app.windows[0].window).options.title, "Corvane");
    save_session_now(app);
    EXPECT_EQ(app.store.session.at(0).tabs.at(0), (SessionTab{"about:blank", ""}));
}

// The page's history entry, title and icon with the real engine: integration/core/browser_test.
TEST_F(UserEventsTest, OnlyAFinishedLoadIsRecordedAndAnyWindowProbesTheFavicon) {
    handle(event::PageLoad{"https://example.com/a", id, true, view});
    EXPECT_TRUE(app.store.history.empty());
    handle(event::PageLoad{"https://example.com/a", id, false, view});
    EXPECT_EQ(app.store.history.at(0).last, wall);
    handle(event::FaviconFound{"https://example.com/f.ico", id, view});
    handle(event::FaviconFound{std::nullopt, id, view}); // a refused one clears it
    EXPECT_EQ(renders(chrome()).back()["tabs"][0]["favicon"], nullptr);
    open({{"https://p.test/", ""}}, 0, WindowKind::private_browsing);
    handle(event::PageLoad{"https://p.test/", tab(1, 0).id, false, tab(1, 0).view});
    EXPECT_EQ(scripts(fake(tab(1, 0).webview)).back(), kFaviconProbeScript);
}

// The title's clean-up: page_calls_test. The live view's address replaces the stored one, unless
// it is blank.
TEST_F(UserEventsTest, TitlesUpdateHistoryAndTheLiveAddress) {
    handle(event::PageLoad{"https://example.com/", id, false, view});
    const std::pair<std::string, std::string> steps[] = {{"https://example.com/", "Kept"},
                                                         {"https://example.com/moved", "Moved"},
                                                         {"about:blank", " Blank\n"}};
    for (const auto& [live, title] : steps) {
        fake(tab(0, 0).webview).url = live;
        handle(event::TitleChanged{title, id, view});
    }
    EXPECT_EQ(std::tuple(tab(0, 0).url, app.store.history[0].title),
              std::tuple("https://example.com/moved", "Kept"));
    EXPECT_EQ(renders(chrome()).back()["tabs"][0]["title"], "Blank");
}

// Where the new tab goes, with the real engine: integration/core/browser_test.
TEST_F(UserEventsTest, NewWindowRequestsOpenATabUnder8192Bytes) {
    const std::string base = "https://example.com/?q=";
    handle(event::NewWindowRequested{base + std::string(8192 - base.size(), 'a'), id, view});
    handle(event::NewWindowRequested{"javascript:alert(1)", id, view});
    EXPECT_EQ(app.windows[0].tabs.size(), 2u);
    const std::string accepted = base + std::string(8191 - base.size(), 'a');
    handle(event::NewWindowRequested{accepted, id, view});
    EXPECT_EQ(std::tuple(tab(0, 1).url, app.windows[0].active), std::tuple(accepted, 1u));
}

// Typed text from a new tab page loads in that tab; a tab opened on the hand-over address itself
// (a pop-up, a link opened elsewhere) never opens, and would hand nothing over.
TEST_F(UserEventsTest, OnlyATabShowingItsNewTabPageTakesTypedTextFromIt) {
    using platform::OpenIn;
    const std::string address = "corvane://newtab/go?key=" + app.newtab->hand_over_key() + "&q=x";
    for (OpenIn where : {OpenIn::foreground_tab, OpenIn::background_tab, OpenIn::window}) {
        handle(event::NewWindowRequested{address, id, view, where});
        handle(event::NewWindowRequested{"corvane://newtab/go?q=x", id, view, where});
    }
    EXPECT_EQ(std::tuple(app.windows.size(), app.windows[0].tabs.size()), std::tuple(1u, 2u));
    const auto loads = [&](std::size_t at) {
        return std::count(fake(tab(0, at).webview).calls.begin(),
                          fake(tab(0, at).webview).calls.end(), "load_url http://127.0.0.1/a");
    };
    for (const auto& [url, loaded] : std::vector<std::pair<std::string, long>>{
             {address, 0}, {"https://www.example.com/", 0}, {"corvane://newtab/", 1}}) {
        tab(0, 0).url = url;
        handle(event::NewTabPageText{"127.0.0.1/a", id, view});
        EXPECT_EQ(loads(0), loaded) << url;
    }
}

// A link the user opens elsewhere: a tab behind the current one, one in front, or a window of
// the same kind as the link's own.
TEST_F(UserEventsTest, LinksOpenedElsewhereGoToABackgroundTabAForegroundTabOrAWindow) {
    using platform::OpenIn;
    const std::size_t active = app.windows[0].active;
    handle(event::NewWindowRequested{"https://bg.test/", id, view, OpenIn::background_tab});
    EXPECT_EQ(std::tuple(tab(0, active + 1).url, app.windows[0].active, app.windows.size()),
              std::tuple("https://bg.test/", active, 1u));
    handle(event::NewWindowRequested{"https://fg.test/", id, view, OpenIn::foreground_tab});
    EXPECT_EQ(std::tuple(tab(0, active + 1).url, app.windows[0].active,
                         fake(tab(0, active + 1).webview).focused),
              std::tuple("https://fg.test/", active + 1, true));
    app.windows[0].is_private = true;
    handle(event::NewWindowRequested{"https://win.test/", id, view, OpenIn::window});
    handle(event::NewWindowRequested{"javascript:alert(1)", id, view, OpenIn::window});
    ASSERT_EQ(app.windows.size(), 2u);
    EXPECT_EQ(std::tuple(app.windows[1].tabs.size(), tab(1, 0).url, app.windows[1].is_private),
              std::tuple(1u, "https://win.test/", true));
}

// With the real engine: integration/core/browser_test. Seconds since the previous crash, and what
// the shown tab's view is asked: three crashes within a minute stop the reloads, a hand reload
// crashing again stays stopped, and a crash a minute after the others reloads once more.
TEST_F(UserEventsTest, AShownPageThatKeepsCrashingStopsOnAnErrorPageUnderItsTitle) {
    tab(0, 0).title = "<Old>";
    const std::pair<int, const char*> crashes[] = {{0, "reload"},
                                                   {10, "reload"},
                                                   {10, "show_error_page"},
                                                   {5, "show_error_page"},
                                                   {65, "reload"}};
    for (const auto& [seconds, call] : crashes) {
        now += std::chrono::seconds(seconds);
        handle(event::WebContentTerminated{id, view});
        const std::string last = fake(tab(0, 0).webview).calls.back();
        EXPECT_EQ(last.substr(0, last.find(' ')), call) << seconds;
        EXPECT_EQ(tab(0, 0).url, "https://www.example.com/");
    }
    const std::vector<std::string>& calls = fake(tab(0, 0).webview).calls;
    EXPECT_NE(std::ranges::find_if(calls,
                                   [](const std::string& c) {
                                       return c.starts_with("show_error_page") &&
                                              c.find("<title>&lt;Old&gt;</title>") !=
                                                  std::string::npos;
                                   }),
              calls.end());
}

// With the real engine and window manager: integration/commands/window_test. A background page
// cannot take the window; the full-screen page leaving, losing its process or no longer being shown
// gives the window back.
TEST_F(UserEventsTest, APageInFullScreenHasTheWindowUntilItLeavesOrIsNoLongerShown) {
    auto& window = dynamic_cast<FakeWindow&>(*app.windows[0].window);
    window.size = {1000, 700};
    layout_window(app.windows[0]);
    window.fullscreen = true; // as the engine makes it
    add_tab(app, 0, "https://bg.test/", TabFocus::background, TabPlace::at_end);
    const auto shown = [&] {
        return std::tuple(window.menu_bar_visible, chrome().hidden, fake(tab(0, 0).webview).rect.y,
                          fake(tab(0, 0).webview).rect.height);
    };
    handle(event::PageFullscreen{tab(0, 2).id, true, tab(0, 2).view});
    EXPECT_EQ(shown(), std::tuple(true, false, 86.0, 614.0));
    handle(event::PageFullscreen{id, true, view});
    EXPECT_EQ(shown(), std::tuple(false, true, 0.0, 700.0));
    handle(event::PageFullscreen{id, false, view});
    EXPECT_EQ(shown(), std::tuple(true, false, 86.0, 614.0));
    handle(event::PageFullscreen{id, true, view});
    handle(event::WebContentTerminated{id, view}); // its process ended
    EXPECT_EQ(shown(), std::tuple(true, false, 86.0, 614.0));
    EXPECT_FALSE(window.fullscreen);
    window.fullscreen = true;
    handle(event::PageFullscreen{id, true, view});
    select_tab(app, 0, 1);
    EXPECT_EQ(shown(), std::tuple(true, false, 86.0, 614.0));
    EXPECT_FALSE(window.fullscreen);
}

TEST_F(UserEventsTest, RuleListReadyAppliesOrRemovesTheListOnAwakeTabs) {
    add_tab(app, 0, "https://bg.test/", TabFocus::background, TabPlace::at_end);
    const auto list = std::make_shared<FakeContentFilter>("corvane-shield-test", "[]");
    app.engine.shield_slot->keep(list);
    const auto filters = [this] {
        return std::vector<std::size_t>{fake(tab(0, 0).webview).filters.size(),
                                        fake(tab(0, 2).webview).filters.size(),
                                        chrome().filters.size()};
    };
    handle(event::RuleListReady{true});
    EXPECT_EQ(std::tuple(app.shield_ready, app.engine.rule_list_ready), std::tuple(true, true));
    EXPECT_EQ(fake(tab(0, 2).webview).filters.at(0), list);
    EXPECT_EQ(filters(), (std::vector<std::size_t>{1, 1, 0})) << "never on the chrome view";
    EXPECT_FALSE(tab(0, 1).webview) << "asleep: it gets the list when its view is built";
    handle(event::RuleListReady{false}); // removed, even with the Shield on in the settings
    EXPECT_EQ(std::tuple(app.engine.rule_list_ready, filters()),
              std::tuple(false, std::vector<std::size_t>{0, 0, 0}));
    app.store.settings.block_trackers = false;
    handle(event::RuleListReady{true});
    EXPECT_EQ(filters(), (std::vector<std::size_t>{0, 0, 0})) << "the Shield is off";
}

} // namespace corvane::test
