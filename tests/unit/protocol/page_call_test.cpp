#include "protocol/chrome_state.h"
#include "protocol/page_call.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace corvane {
namespace {

using nlohmann::json;

TEST(UiPageScript, JoinsCompactArguments) {
    EXPECT_EQ(ui_page_call("openFind"), "window.CV&&CV.openFind()");
    EXPECT_EQ(ui_page_call("toast", "Bookmarked"), R"(window.CV&&CV.toast("Bookmarked"))");
    EXPECT_EQ(ui_page_call("reply", 7, "null"), R"(window.CV&&CV.reply(7,"null"))");
    const json data = json::parse(R"({"z":[1, 2], "a":{"y":true,"b":null}})");
    EXPECT_EQ(ui_page_call("panel", "history", data),
              R"(window.CV&&CV.panel("history",{"a":{"b":null,"y":true},"z":[1,2]}))");
    EXPECT_EQ(ui_page_script("suggest", std::vector<json>{json::array(), json(nullptr)}),
              "window.CV&&CV.suggest([],null)");
}

TEST(UiPageScript, StringsAreEscapedAsOneJsonArgument) {
    EXPECT_EQ(ui_page_call("toast", "Blocked: \"x\"\nnext\\line\t\x01/ü</script>"),
              R"(window.CV&&CV.toast("Blocked: \"x\"\nnext\\line\t\u0001/ü</script>"))");
    EXPECT_EQ(page_call_arg(json("\b\f\r\x1f")), R"("\b\f\r\u001f")");
}

TEST(PageCallArg, NumbersKeepTheirKind) {
    EXPECT_EQ(page_call_arg(json(1.0)), "1.0");
    EXPECT_EQ(page_call_arg(json(0.67)), "0.67");
    EXPECT_EQ(page_call_arg(json(1.25)), "1.25");
    EXPECT_EQ(page_call_arg(json(0.1 + 0.2)), "0.30000000000000004");
    EXPECT_EQ(page_call_arg(json(std::numeric_limits<double>::infinity())), "null");
    EXPECT_EQ(page_call_arg(json(std::nan(""))), "null");
    EXPECT_EQ(page_call_arg(json(std::uint64_t{18446744073709551615ULL})), "18446744073709551615");
}

ChromeState sample_window() {
    ChromeState state;
    state.active = 12;
    state.bookmarked = true;
    state.can_back = true;
    state.host = "example.com";
    state.loading = true;
    state.sec = SecurityState::Secure;
    state.shield_active = true;
    state.url = "https://www.example.com/a?q=\"x\"";
    state.zoom = 1.0;
    state.tabs = {
        {"https://www.example.com/favicon.ico", "example.com", 12, true, false, false,
         "Example \"Domain\"", "https://www.example.com/a?q=\"x\""},
        {std::nullopt, "", 13, false, true, true, "New Tab", "corvane://newtab/"},
    };
    return state;
}

TEST(ChromeState, SampleWindowIsWrittenExactly) {
    EXPECT_EQ(
        render_script(sample_window()),
        R"(window.CV&&CV.render({"active":12,"bookmarked":true,"canBack":true,"canForward":false,)"
        R"("downloadsUnseen":false,"fullscreen":false,"host":"example.com","loading":true,)"
        R"("newtab":false,"platform":"linux","private":false,"sec":"secure","shieldActive":true,)"
        R"("tabs":[{"favicon":"https://www.example.com/favicon.ico","host":"example.com",)"
        R"("id":12,"loading":true,"newtab":false,"sleeping":false,"title":"Example \"Domain\"",)"
        R"("url":"https://www.example.com/a?q=\"x\""},{"favicon":null,"host":"","id":13,)"
        R"("loading":false,"newtab":true,"sleeping":true,"title":"New Tab",)"
        R"("url":"corvane://newtab/"}],"url":"https://www.example.com/a?q=\"x\"","zoom":1.0}))");
}

TEST(ChromeState, ZoomAndSecurityValues) {
    auto state = sample_window();
    state.zoom = 0.67;
    state.private_window = true;
    state.sec = SecurityState::Internal;
    const auto text = chrome_state_json(state).dump();
    EXPECT_NE(text.find(R"("zoom":0.67)"), std::string::npos);
    EXPECT_NE(text.find(R"("private":true)"), std::string::npos);
    EXPECT_NE(text.find(R"("sec":"internal")"), std::string::npos);
    const std::vector<std::pair<SecurityState, std::string_view>> names{
        {SecurityState::Secure, "secure"},
        {SecurityState::Insecure, "insecure"},
        {SecurityState::Local, "local"},
        {SecurityState::Internal, "internal"},
        {SecurityState::None, "none"}};
    for (const auto& [value, name] : names) {
        state.sec = value;
        EXPECT_EQ(chrome_state_json(state)["sec"], name);
    }
}

TEST(ChromeStateRules, NewTabUrls) {
    EXPECT_TRUE(is_newtab_url(""));
    EXPECT_TRUE(is_newtab_url("corvane://newtab/"));
    EXPECT_TRUE(is_newtab_url("corvane://newtab/index.html"));
    EXPECT_FALSE(is_newtab_url("corvane://newtab"));
    EXPECT_FALSE(is_newtab_url("CORVANE://newtab/"));
    EXPECT_FALSE(is_newtab_url("https://example.com/corvane://newtab/"));
    EXPECT_EQ(state_security(true, "https://example.com/"), SecurityState::Internal);
    EXPECT_EQ(state_security(false, "https://example.com/"), SecurityState::Secure);
    EXPECT_EQ(state_security(false, "http://example.com/"), SecurityState::Insecure);
}

TEST(ChromeStateRules, ShownUrlFallsBackToTheStoredOne) {
    EXPECT_EQ(shown_url("https://live.example/", "https://stored.example/"),
              "https://live.example/");
    EXPECT_EQ(shown_url(std::nullopt, "https://stored.example/"), "https://stored.example/");
    EXPECT_EQ(shown_url("", "https://stored.example/"), "https://stored.example/");
    EXPECT_EQ(shown_url("about:blank", "https://stored.example/"), "https://stored.example/");
    EXPECT_EQ(shown_url("about:blank#x", "s"), "about:blank#x");
}

TEST(ChromeStateRules, ShieldActiveUnlessTheHostOrAParentIsAllowed) {
    const std::string host = "news.example.com";
    struct Case {
        std::vector<std::string> allowlist;
        bool active;
    };
    const std::vector<Case> cases{
        {{}, true},
        {{"news.example.com"}, false},
        {{"other.org", "example.com"}, false},
        {{"com"}, false},
        {{"ws.example.com"}, true},     // ends the host without a dot before it
        {{"xnews.example.com"}, true},  // longer than the host
        {{"a.news.example.com"}, true}, // a subdomain of the host
        {{"News.example.com"}, true},   // exact bytes
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shield_active_for(true, c.allowlist, host), c.active)
            << (c.allowlist.empty() ? "(empty)" : c.allowlist.back());
    }
    EXPECT_FALSE(shield_active_for(false, {}, host));
}

} // namespace
} // namespace corvane
