// The corvane scheme and the chrome page's message channel on the real engine.
#include "engine/actions.h"
#include "engine_harness.h"

namespace corvane::test {
namespace {

using SchemeAndBridge = EngineTest;

TEST_F(SchemeAndBridge, NewTabPageIsServedInAContentTab) {
    auto tab = open_tab("corvane://newtab/", 31);
    ASSERT_TRUE(loaded(31, "corvane://newtab/"));
    EXPECT_TRUE(wait_for<event::TitleChanged>([](const event::TitleChanged& t) {
                    return t.tab == 31 && t.title == "New Tab";
                }).has_value());
}

TEST_F(SchemeAndBridge, ContentTabRefusesTheChromePage) {
    auto tab = open_tab(url("/page"), 32);
    ASSERT_TRUE(loaded(32, url("/page")));
    tab->load_url("corvane://ui/index.html");
    pump(500ms);
    EXPECT_EQ(current_url(*tab), url("/page"));
    for (const event::PageLoad& load : seen_of<event::PageLoad>()) {
        EXPECT_NE(load.url, "corvane://ui/index.html");
    }
}

TEST_F(SchemeAndBridge, ContentContextAnswersTheChromePageWithNotFoundUnderAStrictPolicy) {
    // A bare content view without the tab's navigation filter, to see the handler's answer.
    platform::WebViewOptions options;
    options.label = "raw";
    options.session = world().config.default_store;
    auto view = world().platform->create_web_view(*window, options);
    bool finished = false;
    view->on_load_changed = [&](platform::LoadPhase phase, const std::string&) {
        finished = finished || phase == platform::LoadPhase::finished;
    };
    view->load_url("corvane://ui/index.html");
    ASSERT_TRUE(wait_until([&] { return finished; }));
    // The handler's answer as the page sees it: its text, and its policy enforced.
    EXPECT_EQ(evaluate(*view, "document.body.innerText"), R"("Not found")");
    std::optional<std::string> violated;
    view->evaluate_async_function(
        "return await new Promise(r=>{document.addEventListener('securitypolicyviolation',"
        "e=>r(e.violatedDirective));const i=document.createElement('img');"
        "i.src='https://cdn.example/x.png';document.body.append(i)})",
        [&](std::string result) { violated = std::move(result); });
    ASSERT_TRUE(wait_until([&] { return violated.has_value(); }));
    EXPECT_EQ(*violated, R"("img-src")");
}

TEST_F(SchemeAndBridge, WebPagesCanNeitherLoadNorFetchTheScheme) {
    auto tab = open_tab(url("/probe-scheme"), 33);
    ASSERT_TRUE(loaded(33, url("/probe-scheme")));
    auto title = wait_for<event::TitleChanged>(
        [](const event::TitleChanged& t) { return t.tab == 33 && t.title != "probing"; });
    ASSERT_TRUE(title.has_value());
    EXPECT_EQ(title->title, "img-failed fetch-failed");
}

TEST_F(SchemeAndBridge, ChromePageMessagesArriveWithTheirWindowAndPageCallsReachIt) {
    // The chrome page reports that it is ready as soon as it has loaded.
    auto ready = wait_for<event::UiMessage>(
        [](const event::UiMessage& m) { return std::holds_alternative<msg::Ready>(m.msg); });
    ASSERT_TRUE(ready.has_value());
    EXPECT_EQ(ready->window, window->id());
    evaluate(*chrome, R"(window.ipc.postMessage('{"t":"closeTab","id":9}'))");
    auto close = wait_for<event::UiMessage>(
        [](const event::UiMessage& m) { return std::holds_alternative<msg::CloseTab>(m.msg); });
    ASSERT_TRUE(close.has_value());
    EXPECT_EQ(std::get<msg::CloseTab>(close->msg).id, 9u);
}

TEST_F(SchemeAndBridge, ChromeViewCannotNavigateAwayFromItsPages) {
    ASSERT_TRUE(wait_until(
        [&] { return chrome->uri() == "corvane://ui/index.html" && !chrome->is_loading(); }));
    std::size_t before = world().server->count("/page");
    evaluate(*chrome, "location.href='" + url("/page") + "'");
    chrome->load_url("corvane://newtab/");
    pump(500ms);
    EXPECT_EQ(evaluate(*chrome, "location.href"), R"("corvane://ui/index.html")");
    EXPECT_EQ(world().server->count("/page"), before);
}

} // namespace
} // namespace corvane::test
