#include "engine/webviews.h"
#include "engine_test_support.h"
#include "shield/rule_list.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using platform::LoadPhase;
using platform::NavigationAction;
using platform::NavigationPolicy;
using test::EngineFixture;
using test::FakeWebView;
using test::FakeWindow;

class WebViewsTest : public ::testing::Test {
protected:
    WebViewsTest() : window(f.platform.create_window({"Corvane", {1280, 820}, {520, 360}})) {
        chrome = create_ui_webview(f.config, window, 1, "corvane://ui/index.html", {0, 0, 1280, 86},
                                   true);
    }

    FakeWindow& fake_window() { return static_cast<FakeWindow&>(*window); }
    static FakeWebView& fake(platform::WebView& view) { return static_cast<FakeWebView&>(view); }

    std::unique_ptr<platform::WebView>
    tab(TabId id, std::shared_ptr<platform::NetworkSession> store = nullptr,
        bool block_trackers = true) {
        return create_tab_webview(
            f.config, *window, store, *chrome,
            TabParams{"https://example.com/", id, store != nullptr, true, block_trackers, id + 100},
            {0, 86, 1280, 734});
    }

    static NavigationPolicy navigate(platform::WebView& view, const std::string& url) {
        return view.on_navigation(
            NavigationAction{url, platform::NavigationType::link_clicked, true});
    }

    EngineFixture f;
    std::shared_ptr<platform::Window> window;
    std::unique_ptr<platform::WebView> chrome;
};

TEST_F(WebViewsTest, ContentTabIsBuiltBelowTheChromeWithItsOptions) {
    auto view = tab(7);
    ASSERT_NE(view, nullptr);
    const platform::WebViewOptions& options = fake(*view).options;
    EXPECT_EQ(options.label, "tab-7");
    EXPECT_EQ(options.context, platform::WebContextKind::content);
    EXPECT_EQ(options.url, "https://example.com/");
    EXPECT_EQ(options.bounds, (platform::Rect{0, 86, 1280, 734}));
    EXPECT_EQ(options.user_agent, f.config.user_agent);
    EXPECT_EQ(options.session, f.config.default_store);
    EXPECT_TRUE(options.back_forward_gestures);
    EXPECT_TRUE(options.suspend_when_hidden);
    EXPECT_FALSE(options.transparent);
    EXPECT_FALSE(options.script_bridge);
    EXPECT_FALSE(options.developer_extras);
    EXPECT_TRUE(options.https_upgrade);
    EXPECT_EQ(options.user_script, kContentTabUserScript);
    EXPECT_EQ(fake_window().stack, (std::vector<FakeWebView*>{&fake(*view), &fake(*chrome)}))
        << "the chrome page stays above page content";
}

TEST_F(WebViewsTest, TabNavigationHandsExternalSchemesToTheSystemAndRefusesBlockedOnes) {
    auto view = tab(3);
    struct Case {
        std::string url;
        NavigationPolicy policy;
        bool external;
    };
    const std::vector<Case> cases{
        {"https://example.org/", NavigationPolicy::allow, false},
        {"about:blank", NavigationPolicy::allow, false},
        {"corvane://newtab/", NavigationPolicy::allow, false},
        {"mailto:someone@example.com?subject=hi", NavigationPolicy::deny, true},
        {"FaceTime-Audio:12345", NavigationPolicy::deny, true},
        {"corvane://ui/index.html", NavigationPolicy::deny, false},
        {"javascript:alert(1)", NavigationPolicy::deny, false},
        {"ftp://example.com/", NavigationPolicy::deny, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(navigate(*view, c.url), c.policy) << c.url;
        auto external = f.events_of<event::OpenExternally>();
        ASSERT_EQ(external.size(), c.external ? 1u : 0u) << c.url;
        if (c.external) {
            EXPECT_EQ(external[0].url, c.url);
            EXPECT_EQ(external[0].view, 103u);
        }
    }
}

TEST_F(WebViewsTest, TabCallbacksPostTheirEventsWithTheTabAndViewIds) {
    auto view = tab(11);
    FakeWebView& v = fake(*view);
    v.on_new_window("https://popup.example/");
    v.on_load_changed(LoadPhase::started, "https://a.example/");
    v.on_load_changed(LoadPhase::redirected, "https://b.example/");
    v.on_load_changed(LoadPhase::committed, "https://b.example/");
    v.on_load_changed(LoadPhase::finished, "https://b.example/");
    v.on_title_changed("  Title\n");
    v.on_web_process_terminated(platform::TerminationReason::crashed);
    auto events = f.events();
    ASSERT_EQ(events.size(), 5u);
    auto& popup = std::get<event::NewWindowRequested>(events[0]);
    EXPECT_EQ(popup.url, "https://popup.example/");
    EXPECT_EQ(popup.tab, 11u);
    EXPECT_EQ(popup.view, 111u);
    auto& started = std::get<event::PageLoad>(events[1]);
    EXPECT_EQ(started.url, "https://a.example/");
    EXPECT_TRUE(started.loading);
    auto& finished = std::get<event::PageLoad>(events[2]);
    EXPECT_EQ(finished.url, "https://b.example/");
    EXPECT_FALSE(finished.loading);
    EXPECT_EQ(finished.tab, 11u);
    EXPECT_EQ(finished.view, 111u);
    EXPECT_EQ(std::get<event::TitleChanged>(events[3]).title, "  Title\n") << "cleaned up later";
    EXPECT_EQ(std::get<event::TitleChanged>(events[3]).view, 111u);
    EXPECT_EQ(std::get<event::WebContentTerminated>(events[4]).view, 111u);
}

TEST_F(WebViewsTest, PrivateTabUsesTheWindowStoreAndShieldNeedsAReadyList) {
    auto private_store = make_private_data_store(f.config);
    auto view = tab(5, private_store);
    EXPECT_EQ(fake(*view).options.session, private_store);
    EXPECT_TRUE(fake(*view).filters.empty());

    // A kept list reaches new tabs only once it was reported ready and Shield is on.
    f.platform.filter_store->kept["corvane-shield-test"] =
        std::make_shared<test::FakeContentFilter>("corvane-shield-test", "[]");
    auto slot_list = f.platform.filter_store->kept["corvane-shield-test"];
    f.config.shield_slot->keep(slot_list);
    EXPECT_TRUE(fake(*tab(6)).filters.empty()) << "not ready yet";
    f.config.rule_list_ready = true;
    EXPECT_EQ(fake(*tab(8)).filters.size(), 1u);
    EXPECT_TRUE(fake(*tab(9, nullptr, false)).filters.empty()) << "Shield off in the settings";
}

TEST_F(WebViewsTest, ChromeViewStaysOnItsOwnPagesAndOpensNoWindows) {
    FakeWebView& view = fake(*chrome);
    EXPECT_EQ(view.options.label, "ui-1");
    EXPECT_EQ(view.options.context, platform::WebContextKind::ui);
    EXPECT_EQ(view.options.session, f.config.ui_store);
    EXPECT_TRUE(view.options.transparent);
    EXPECT_TRUE(view.options.script_bridge);
    EXPECT_TRUE(view.options.user_script.empty());
    EXPECT_TRUE(view.options.user_agent.empty());
    EXPECT_EQ(navigate(view, "corvane://ui/devtools.html"), NavigationPolicy::allow);
    EXPECT_EQ(navigate(view, "corvane://ui"), NavigationPolicy::deny);
    EXPECT_EQ(navigate(view, "Corvane://ui/index.html"), NavigationPolicy::deny);
    EXPECT_EQ(navigate(view, "corvane://newtab/"), NavigationPolicy::deny);
    EXPECT_EQ(navigate(view, "https://example.com/"), NavigationPolicy::deny);
    EXPECT_FALSE(view.on_new_window);
    EXPECT_TRUE(f.events().empty());
}

TEST_F(WebViewsTest, ChromeMessagesArePostedOnlyFromUiPages) {
    FakeWebView& view = fake(*chrome);
    view.on_script_message(R"({"t":"closeTab","id":7})", "corvane://ui/index.html");
    view.on_script_message(R"({"t":"ready"})", "corvane://ui/devtools.html");
    view.on_script_message(R"({"t":"ready"})", "corvane://newtab/");
    view.on_script_message(R"({"t":"ready"})", "corvane://ui");
    view.on_script_message(R"({"t":"ready"})", "https://corvane://ui/");
    view.on_script_message(R"({"t":"nope"})", "corvane://ui/index.html");
    view.on_script_message(std::string(65537, ' '), "corvane://ui/index.html");
    // The developer tools' own messages are heard from their view only.
    const auto pane =
        create_ui_webview(f.config, window, 2, "corvane://ui/devtools.html", {}, false);
    for (FakeWebView* from : {&view, &fake(*pane)}) {
        from->on_script_message(R"({"t":"devEval","id":1,"code":"1"})",
                                "corvane://ui/devtools.html");
        from->on_script_message(R"({"t":"devClose"})", "corvane://ui/devtools.html");
    }
    auto messages = f.events_of<event::UiMessage>();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(std::get<msg::CloseTab>(messages[0].msg).id, 7u);
    EXPECT_EQ(messages[0].window, window->id());
    EXPECT_TRUE(std::holds_alternative<msg::Ready>(messages[1].msg));
    EXPECT_TRUE(std::holds_alternative<msg::DevEval>(messages[2].msg));
    EXPECT_TRUE(std::holds_alternative<msg::DevClose>(messages[3].msg));
}

TEST_F(WebViewsTest, WindowGesturesActAtOnceAndAreNotPosted) {
    FakeWebView& view = fake(*chrome);
    view.on_script_message(R"({"t":"drag"})", "corvane://ui/index.html");
    EXPECT_EQ(fake_window().drags, 1);
    view.on_script_message(R"({"t":"zoomWindow"})", "corvane://ui/index.html");
    EXPECT_TRUE(fake_window().maximized);
    view.on_script_message(R"({"t":"zoomWindow"})", "corvane://ui/index.html");
    EXPECT_FALSE(fake_window().maximized);
    EXPECT_TRUE(f.events().empty());

    // A message that arrives while the window is going away finds it gone.
    auto handler = view.on_script_message;
    window.reset();
    handler(R"({"t":"drag"})", "corvane://ui/index.html");
    EXPECT_TRUE(f.events().empty());
}

TEST_F(WebViewsTest, FailedBuildsGiveNothing) {
    f.platform.fail_web_views = true;
    EXPECT_EQ(tab(4), nullptr);
    EXPECT_EQ(create_ui_webview(f.config, window, 2, "corvane://ui/devtools.html", {}, false),
              nullptr);
    EXPECT_EQ(create_ui_webview(f.config, nullptr, 2, "corvane://ui/devtools.html", {}, false),
              nullptr);
}

} // namespace
} // namespace corvane
