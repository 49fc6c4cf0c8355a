#include "engine/actions.h"
#include "engine_test_support.h"

namespace corvane::test {

using ActionsTest = EngineTest;

TEST_F(ActionsTest, CurrentUrlHidesEmptyAndBlankAndStopRunsWindowStop) {
    for (const std::string url : {"", "about:blank", "about:blank#top", "https://example.com/"}) {
        fake(*chrome).url = url;
        EXPECT_EQ(current_url(*chrome).value_or(""), url == "about:blank" ? "" : url);
    }
    stop_loading(*chrome);
    EXPECT_EQ(fake(*chrome).calls.back(), "evaluate_script window.stop()");
    EXPECT_FALSE(fake(*chrome).scripts.back().done) << "no result wanted";
}

// Which icon addresses are accepted is the address module's; here, how the reply is read.
// The developer tools' raw results: integration/commands/window_test
// (TheDevtoolsPane…).
TEST_F(ActionsTest, ScriptResultsArePostedWithTheirIds) {
    const std::pair<std::string, std::optional<std::string>> replies[] = {
        {R"("{\"i\":\"https://example.com/favicon.ico\"}")", "https://example.com/favicon.ico"},
        {R"("[\"https://example.com/a.png\"]")", "https://example.com/a.png"},
        {R"("{\"x\":1,\"i\":\"https://example.com/b.png\"}")", "https://example.com/b.png"},
        {R"("{\"i\":1}")", std::nullopt},
        {R"("{\"i\":\"https://a/\",\"i\":\"https://b/\"}")", std::nullopt},
        {R"({"i":"https://example.com/a.ico"})", std::nullopt},
        {"", std::nullopt}};
    for (const auto& [reply, icon] : replies) {
        probe_favicon(*chrome, config.proxy, 40, 5);
        ASSERT_TRUE(fake(*chrome).complete_script(reply));
        const auto found = taken<event::FaviconFound>().at(0);
        EXPECT_EQ(std::tuple(found.icon, found.tab, found.view), std::tuple(icon, 40u, 5u))
            << reply;
    }
    // Found only for the boolean true.
    const std::pair<std::string, bool> results[] = {{"true", true},      {" true\n", true},
                                                    {"\"true\"", false}, {"false", false},
                                                    {"", false},         {"1", false}};
    for (const auto& [result, found] : results) {
        eval_with_callback_find(*chrome, "find", config.proxy, 3, 6);
        ASSERT_TRUE(fake(*chrome).complete_script(result));
        const auto event = taken<event::FindResult>().at(0);
        EXPECT_EQ(std::tuple(event.window, event.found, event.view), std::tuple(3u, found, 6u))
            << result;
    }
}

} // namespace corvane::test
