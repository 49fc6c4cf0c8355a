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

TEST(UiPageScript, ArgumentsAreCompactJsonInOrder) {
    EXPECT_EQ(ui_page_call("openFind"), "window.CV&&CV.openFind()");
    EXPECT_EQ(ui_page_call("reply", 7, "null"), R"(window.CV&&CV.reply(7,"null"))");
    EXPECT_EQ(ui_page_call("panel", "h", json::parse(R"({"z":[1, 2], "a":{"y":true,"b":null}})")),
              R"(window.CV&&CV.panel("h",{"a":{"b":null,"y":true},"z":[1,2]}))");
    EXPECT_EQ(ui_page_script("suggest", std::vector<json>{json::array(), json(nullptr)}),
              "window.CV&&CV.suggest([],null)");
    EXPECT_EQ(ui_page_call("toast", "B: \"x\"\nn\\l\t\x01/ü</script>"),
              R"(window.CV&&CV.toast("B: \"x\"\nn\\l\t\u0001/ü</script>"))");
    const std::vector<std::pair<json, std::string_view>> args{
        {json("\b\f\r\x1f"), R"("\b\f\r\u001f")"},
        {json(1.0), "1.0"},
        {json(0.1 + 0.2), "0.30000000000000004"},
        {json(std::numeric_limits<double>::infinity()), "null"},
        {json(std::nan("")), "null"},
        {json(std::uint64_t{18446744073709551615ULL}), "18446744073709551615"}};
    for (const auto& [value, text] : args) {
        EXPECT_EQ(page_call_arg(value), text);
    }
}

TEST(ChromeState, SampleWindowIsWrittenExactly) {
    ChromeState state;
    state.active = 12;
    state.bookmarked = state.can_back = state.loading = state.shield_active = true;
    state.host = "example.com";
    state.sec = SecurityState::Secure;
    state.url = "https://www.example.com/a?q=\"x\"";
    state.zoom = 1.0;
    state.tabs = {
        {"https://e.com/favicon.ico", "example.com", 12, true, false, false, "E \"D\"", "u"},
        {std::nullopt, "", 13, false, true, true, "New Tab", "corvane://newtab/"},
    };
    EXPECT_EQ(
        render_script(state),
        R"(window.CV&&CV.render({"active":12,"bookmarked":true,"canBack":true,"canForward":false,)"
        R"("downloadsUnseen":false,"fullscreen":false,"host":"example.com","loading":true,)"
        R"("newtab":false,"platform":"linux","private":false,"sec":"secure","shieldActive":true,)"
        R"("tabs":[{"favicon":"https://e.com/favicon.ico","host":"example.com","id":12,)"
        R"("loading":true,"newtab":false,"sleeping":false,"title":"E \"D\"","url":"u"},)"
        R"({"favicon":null,"host":"","id":13,"loading":false,"newtab":true,"sleeping":true,)"
        R"("title":"New Tab","url":"corvane://newtab/"}],"url":"https://www.example.com/a?q=\"x\"",)"
        R"("zoom":1.0}))");
    state.private_window = true;
    for (const auto& [value, name] : {std::pair{SecurityState::Insecure, "insecure"},
                                      {SecurityState::Local, "local"},
                                      {SecurityState::Internal, "internal"},
                                      {SecurityState::None, "none"}}) {
        state.sec = value;
        EXPECT_EQ(chrome_state_json(state)["sec"], name);
    }
    EXPECT_EQ(chrome_state_json(state)["private"], true);
}

TEST(ChromeStateRules, NewTabSecurityAndShownUrl) {
    for (const auto* url : {"", "corvane://newtab/", "corvane://newtab/index.html"}) {
        EXPECT_TRUE(is_newtab_url(url)) << url;
    }
    for (const auto* url :
         {"corvane://newtab", "CORVANE://newtab/", "https://e.com/corvane://newtab/"}) {
        EXPECT_FALSE(is_newtab_url(url)) << url;
    }
    EXPECT_EQ(state_security(true, "https://example.com/"), SecurityState::Internal);
    EXPECT_EQ(state_security(false, "https://example.com/"), SecurityState::Secure);
    EXPECT_EQ(state_security(false, "http://example.com/"), SecurityState::Insecure);
    EXPECT_EQ(shown_url("https://live.example/", "s"), "https://live.example/");
    EXPECT_EQ(shown_url(std::nullopt, "s"), "s");
    EXPECT_EQ(shown_url("", "s"), "s");
    EXPECT_EQ(shown_url("about:blank", "s"), "s");
    EXPECT_EQ(shown_url("about:blank#x", "s"), "about:blank#x");
}

TEST(ChromeStateRules, ShieldActiveUnlessTheHostOrAParentIsAllowed) {
    const auto active = [](std::vector<std::string> allowlist) {
        return shield_active_for(true, allowlist, "news.example.com");
    };
    EXPECT_TRUE(active({}));
    EXPECT_FALSE(active({"other.org", "example.com"}));
    for (const auto* allowed : {"news.example.com", "example.com", "com"}) {
        EXPECT_FALSE(active({allowed})) << allowed;
    }
    // A suffix without a dot before it, a longer name, a subdomain, another case.
    for (const auto* other :
         {"ws.example.com", "xnews.example.com", "a.news.example.com", "News.example.com"}) {
        EXPECT_TRUE(active({other})) << other;
    }
    EXPECT_FALSE(shield_active_for(false, {}, "news.example.com"));
}

} // namespace
} // namespace corvane
