#include "engine_test_support.h"

namespace corvane::test {

using platform::NavigationPolicy;

class WebViewsTest : public EngineTest {
protected:
    std::unique_ptr<platform::WebView> tab(TabId id, bool shield = true) {
        return create_tab_webview(
            config, *window, nullptr, *chrome,
            TabParams{"https://example.com/", id, false, true, shield, id + 100, "", ""}, {});
    }
    static NavigationPolicy navigate(platform::WebView& view, const std::string& url) {
        return view.on_navigation({url, platform::NavigationType::link_clicked, true});
    }
};

// Labels, stores, bounds and the stacking are checked through the core's windows and tabs.
TEST_F(WebViewsTest, TabsAndTheChromeViewGetTheirOwnOptionsAndNavigation) {
    const auto view = tab(7);
    const platform::WebViewOptions& t = fake(*view).options;
    const platform::WebViewOptions& c = fake(*chrome).options;
    EXPECT_EQ(std::tuple(t.context, t.url, t.user_agent, t.user_script),
              std::tuple(platform::WebContextKind::content, "https://example.com/",
                         config.user_agent, kContentTabUserScript));
    EXPECT_EQ(std::tuple(c.context, c.session, c.user_agent, c.user_script),
              std::tuple(platform::WebContextKind::ui, config.ui_store, "", ""));
    const auto flags = [](const platform::WebViewOptions& o) {
        return std::vector<bool>{o.back_forward_gestures, o.suspend_when_hidden, o.transparent,
                                 o.script_bridge,         o.developer_extras,    !!o.https_upgrade};
    };
    EXPECT_EQ(flags(t), (std::vector<bool>{true, true, false, false, false, true}));
    EXPECT_EQ(flags(c), (std::vector<bool>{false, false, true, true, false, false}));
    EXPECT_FALSE(fake(*chrome).on_new_window) << "the chrome page opens no windows";

    // Which addresses are external or blocked is the address module's; a tab kept off the chrome
    // page and the chrome page kept on its own: integration/engine/engine_test.
    EXPECT_EQ(navigate(*view, "https://example.org/"), NavigationPolicy::allow);
    EXPECT_EQ(navigate(*chrome, "corvane://ui/devtools.html"), NavigationPolicy::allow);
    EXPECT_EQ(navigate(*view, "mailto:someone@example.com"), NavigationPolicy::deny);
    const auto external = taken<event::OpenExternally>();
    ASSERT_EQ(external.size(), 1u);
    EXPECT_EQ(std::tuple(external[0].url, external[0].tab, external[0].view),
              std::tuple("mailto:someone@example.com", 7u, 107u));
}

// The tab's view hands the new tab page's text over only with the run's key; without it the
// address loads nothing and hands nothing over.
TEST_F(WebViewsTest, OnlyTheRunsKeyHandsNewTabPageTextOver) {
    const auto view = tab(4);
    const std::string key = config.newtab->hand_over_key();
    for (const std::string& url : std::vector<std::string>{
             "corvane://newtab/go?key=" + key + "&q=a%20b",
             "corvane://newtab/go?q=file%3A%2F%2F%2Fx",
             "corvane://newtab/go?key=" + key.substr(1) + "&q=x", "corvane://newtab/go"}) {
        EXPECT_EQ(navigate(*view, url), NavigationPolicy::deny) << url;
    }
    EXPECT_EQ(navigate(*view, "corvane://newtab/"), NavigationPolicy::allow);
    const auto handed = taken<event::NewTabPageText>();
    ASSERT_EQ(handed.size(), 1u);
    EXPECT_EQ(std::tuple(handed[0].text, handed[0].tab, handed[0].view),
              std::tuple("a b", 4u, 104u));
}

TEST_F(WebViewsTest, NewTabsGetTheShieldOnlyOnceReadyAndOn) {
    const auto list = std::make_shared<FakeContentFilter>("corvane-shield-test", "[]");
    config.shield_slot->keep(list);
    EXPECT_TRUE(fake(*tab(6)).filters.empty()) << "not ready yet";
    config.rule_list_ready = true;
    EXPECT_EQ(fake(*tab(8)).filters, std::vector<std::shared_ptr<platform::ContentFilter>>{list});
    EXPECT_TRUE(fake(*tab(9, false)).filters.empty()) << "Shield off in the settings";
}

// Which messages parse, and their size limit, are the protocol's; here, who is heard.
TEST_F(WebViewsTest, ChromeMessagesArePostedOnlyFromUiPagesAndWindowGesturesActAtOnce) {
    const auto pane = create_ui_webview(config, window, 2, "corvane://ui/devtools.html", {}, false);
    const auto from_chrome = fake(*chrome).on_script_message;
    for (const char* page : {"corvane://newtab/", "corvane://ui", "https://corvane://ui/"}) {
        from_chrome(R"({"t":"ready"})", page);
    }
    from_chrome(R"({"t":"closeTab","id":7})", "corvane://ui/index.html");
    // The developer tools' own messages are heard from their view only.
    for (const auto& from : {from_chrome, fake(*pane).on_script_message}) {
        from(R"({"t":"devClose"})", "corvane://ui/devtools.html");
    }
    from_chrome(R"({"t":"drag"})", "corvane://ui/index.html");
    from_chrome(R"({"t":"zoomWindow"})", "corvane://ui/index.html");
    EXPECT_EQ(std::tuple(fake_window().drags, fake_window().maximized), std::tuple(1, true));
    from_chrome(R"({"t":"zoomWindow"})", "corvane://ui/index.html");
    EXPECT_FALSE(fake_window().maximized);
    window.reset(); // a gesture arriving as the window goes away finds it gone
    from_chrome(R"({"t":"drag"})", "corvane://ui/index.html");
    const auto messages = taken<event::UiMessage>();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(std::tuple(std::get<msg::CloseTab>(messages[0].msg).id, messages[0].window),
              std::tuple(7u, 1u));
    EXPECT_TRUE(std::holds_alternative<msg::DevClose>(messages[1].msg));
    EXPECT_EQ(create_ui_webview(config, nullptr, 3, "corvane://ui/devtools.html", {}, false),
              nullptr);
}

} // namespace corvane::test
