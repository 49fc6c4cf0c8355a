#include "engine/actions.h"
#include "engine/webviews.h"
#include "engine_test_support.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using test::EngineFixture;
using test::FakeWebView;

class ActionsTest : public ::testing::Test {
protected:
    ActionsTest() : window(f.platform.create_window({})) {
        view = f.platform.create_web_view(*window, {});
    }
    FakeWebView& fake() { return static_cast<FakeWebView&>(*view); }

    EngineFixture f;
    std::shared_ptr<platform::Window> window;
    std::unique_ptr<platform::WebView> view;
};

TEST_F(ActionsTest, CurrentUrlHidesEmptyAndBlank) {
    fake().url = "";
    EXPECT_EQ(current_url(*view), std::nullopt);
    fake().url = "about:blank";
    EXPECT_EQ(current_url(*view), std::nullopt);
    fake().url = "about:blank#top";
    EXPECT_EQ(current_url(*view), "about:blank#top");
    fake().url = "https://example.com/";
    EXPECT_EQ(current_url(*view), "https://example.com/");
}

TEST_F(ActionsTest, StopEvaluatesWindowStop) {
    stop_loading(*view);
    ASSERT_EQ(fake().scripts.size(), 1u);
    EXPECT_EQ(fake().scripts[0].script, "window.stop()");
    EXPECT_FALSE(fake().scripts[0].done) << "no result wanted";
}

TEST_F(ActionsTest, FaviconReplyBecomesTheAcceptedIcon) {
    struct Case {
        std::string result;
        std::optional<std::string> icon;
    };
    const std::vector<Case> cases{
        {R"("{\"i\":\"https://example.com/favicon.ico\"}")", "https://example.com/favicon.ico"},
        {R"("[\"https://example.com/a.png\"]")", "https://example.com/a.png"},
        {R"("{\"x\":1,\"i\":\"https://example.com/b.png\"}")", "https://example.com/b.png"},
        {R"("{\"i\":\"\"}")", std::nullopt},
        {R"("{\"i\":\"http://example.com/a.ico\"}")", std::nullopt},
        {R"("{\"i\":1}")", std::nullopt},
        {R"("{\"i\":\"https://a/\",\"i\":\"https://b/\"}")", std::nullopt},
        {R"({"i":"https://example.com/a.ico"})", std::nullopt},
        {"", std::nullopt},
    };
    for (std::size_t n = 0; n < cases.size(); ++n) {
        probe_favicon(*view, f.config.proxy, 40 + n, 5);
        ASSERT_TRUE(fake().complete_script(cases[n].result));
        auto found = f.events_of<event::FaviconFound>();
        ASSERT_EQ(found.size(), 1u) << cases[n].result;
        EXPECT_EQ(found[0].icon, cases[n].icon) << cases[n].result;
        EXPECT_EQ(found[0].tab, 40 + n);
        EXPECT_EQ(found[0].view, 5u);
    }
}

TEST_F(ActionsTest, FindIsFoundOnlyForTheBooleanTrue) {
    const std::vector<std::pair<std::string, bool>> cases{{"true", true},      {" true\n", true},
                                                          {"\"true\"", false}, {"false", false},
                                                          {"", false},         {"1", false}};
    for (const auto& [result, found] : cases) {
        eval_with_callback_find(*view, "find", f.config.proxy, 3, 6);
        ASSERT_TRUE(fake().complete_script(result));
        auto events = f.events_of<event::FindResult>();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].found, found) << result;
        EXPECT_EQ(events[0].window, 3u);
        EXPECT_EQ(events[0].view, 6u);
    }
}

TEST_F(ActionsTest, DeveloperToolsGetTheRawResult) {
    eval_with_callback_devtools(*view, "1+1", f.config.proxy, 2, 99);
    ASSERT_TRUE(fake().complete_script("{\"a\":[1,2]}"));
    auto events = f.events_of<event::DevEvalResult>();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].result, "{\"a\":[1,2]}");
    EXPECT_EQ(events[0].window, 2u);
    EXPECT_EQ(events[0].id, 99u);
}

} // namespace
} // namespace corvane
