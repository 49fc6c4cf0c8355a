#include "protocol/chrome_state.h"
#include "protocol/page_call.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace corvane {
namespace {

// Arguments and the chrome state alike are compact JSON, in order.
TEST(PageCalls, ArgumentsAndChromeStateAreWrittenExactly) {
    EXPECT_EQ(ui_page_call("openFind"), "window.CV&&CV.openFind()");
    EXPECT_EQ(
        ui_page_call("f", 7, nlohmann::json::parse(R"({"z":[1, 2], "a":{"y":true,"b":null}})"),
                     "B: \"x\"\nn\\l\t\x01\b\f\r\x1f/ü</script>", 1.0, 0.1 + 0.2,
                     std::numeric_limits<double>::infinity(), std::nan(""),
                     std::uint64_t{18446744073709551615ULL}),
        R"(window.CV&&CV.f(7,{"a":{"b":null,"y":true},"z":[1,2]},)"
        R"("B: \"x\"\nn\\l\t\u0001\b\f\r\u001f/ü</script>",1.0,0.30000000000000004,null,null,)"
        R"(18446744073709551615))");

    ChromeState state;
    state.active = 12;
    state.bookmarked = state.can_back = state.loading = state.private_window = true;
    state.host = "example.com";
    state.sec = SecurityState::Secure;
    state.url = "https://www.example.com/a?q=\"x\"";
    state.tabs = {
        {"https://e.com/favicon.ico", "example.com", 12, true, false, false, "E \"D\"", "u"},
        {std::nullopt, "", 13, false, true, true, "New Tab", "corvane://newtab/"}};
    EXPECT_EQ(
        render_script(state),
        R"(window.CV&&CV.render({"active":12,"bookmarked":true,"canBack":true,"canForward":false,)"
        R"("downloadsUnseen":false,"fullscreen":false,"host":"example.com","loading":true,)"
        R"("newtab":false,"platform":"linux","private":true,"sec":"secure","shieldActive":false,)"
        R"("tabs":[{"favicon":"https://e.com/favicon.ico","host":"example.com","id":12,)"
        R"("loading":true,"newtab":false,"sleeping":false,"title":"E \"D\"","url":"u"},)"
        R"({"favicon":null,"host":"","id":13,"loading":false,"newtab":true,"sleeping":true,)"
        R"("title":"New Tab","url":"corvane://newtab/"}],"url":"https://www.example.com/a?q=\"x\"",)"
        R"("zoom":1.0}))");
}

TEST(ChromeStateRules, NewTabSecurityShownUrlAndShield) {
    EXPECT_TRUE(is_newtab_url("") && is_newtab_url("corvane://newtab/") &&
                is_newtab_url("corvane://newtab/index.html"));
    EXPECT_FALSE(is_newtab_url("corvane://newtab") || is_newtab_url("CORVANE://newtab/") ||
                 is_newtab_url("https://e.com/corvane://newtab/"));
    EXPECT_EQ(state_security(true, "https://example.com/", false), SecurityState::Internal);
    EXPECT_EQ(state_security(false, "http://example.com/", false), SecurityState::Insecure);
    // An https page the engine did not accept the connection of claims no protection.
    EXPECT_EQ(state_security(false, "https://example.com/", true), SecurityState::Secure);
    EXPECT_EQ(state_security(false, "https://example.com/", false), SecurityState::Insecure);
    EXPECT_EQ(state_security(false, "http://localhost/", false), SecurityState::Local);
    // clang-format off
    for (const auto& [live, shown] : std::vector<std::pair<std::optional<std::string>, std::string>>{
             {"https://live.example/", "https://live.example/"}, {"about:blank#x", "about:blank#x"},
             {std::nullopt, "s"}, {"", "s"}, {"about:blank", "s"}}) {
        EXPECT_EQ(shown_url(live, "s"), shown);
    }
    // The host or a parent domain allowed; not a suffix without a dot before it, a longer name, a
    // subdomain or another case.
    const std::string host = "news.example.com";
    EXPECT_TRUE(shield_active_for(true, {}, host) && !shield_active_for(false, {}, host));
    for (const auto& [entry, active] : std::vector<std::pair<std::string, bool>>{
             {"news.example.com", false}, {"example.com", false}, {"com", false},
             {"ws.example.com", true}, {"xnews.example.com", true}, {"a.news.example.com", true}, {"News.example.com", true}}) {
        EXPECT_EQ(shield_active_for(true, std::vector{std::string("other.org"), entry}, host), active) << entry;
    }
    // clang-format on
}

} // namespace
} // namespace corvane
