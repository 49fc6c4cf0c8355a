// How the chrome page looks: screenshots of its palettes and popovers for people to judge (PNG
// files beside this test's binary), and the see-through page area the browser relies on.
#include "chrome_harness.h"

#include <ctime>
#include <gtest/gtest.h>

namespace corvane::test {
namespace {

using nlohmann::json;

constexpr const char* kPng1x1 =
    "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwAD"
    "hgGAWjR9awAAAABJRU5ErkJggg==";

json busy_state(bool is_private) {
    json state = sample_state();
    state["private"] = is_private;
    state["downloadsUnseen"] = true;
    state["bookmarked"] = true;
    state["tabs"][0]["loading"] = true;
    state["tabs"][1]["favicon"] = kPng1x1;
    state["tabs"].push_back({{"favicon", nullptr},
                             {"host", "docs.example.org"},
                             {"id", 12},
                             {"loading", false},
                             {"newtab", false},
                             {"sleeping", true},
                             {"title", "Reference manual — chapter 4"},
                             {"url", "https://docs.example.org/manual/4"}});
    return state;
}

class ChromeLook : public ChromePageTest {
protected:
    void shoot(const std::string& name) {
        settle();
        const auto file = std::filesystem::path(CORVANE_SHOT_DIR) / (name + ".png");
        ASSERT_TRUE(h().snapshot(file)) << file;
        EXPECT_GT(std::filesystem::file_size(file), 2000u) << file;
    }
};

TEST_F(ChromeLook, ScreenshotsOfTheShell) {
    for (const bool dark : {false, true}) {
        h().set_dark(dark);
        const std::string scheme = dark ? "dark" : "light";
        for (const bool is_private : {false, true}) {
            render(busy_state(is_private));
            shoot(std::string("chrome-") + (is_private ? "private-" : "normal-") + scheme);
        }
        render(busy_state(false));
        type_into_omni("exa");
        suggest(sample_rows(), "example.com");
        shoot("chrome-suggest-" + scheme);
        js("document.getElementById('omni-input').blur()");
        h().call("openFind");
        h().call("toast", {"Bookmarked"});
        js("document.getElementById('find-status').textContent = 'Not found'; 0");
        shoot("chrome-find-" + scheme);
        js("T.key('#find-input', 'Escape'); document.getElementById('toast').hidden = true");
        json crowded = busy_state(false);
        for (int i = 0; i < 14; ++i) {
            json extra = crowded["tabs"][3];
            extra["id"] = 40 + i;
            extra["sleeping"] = i % 3 == 0;
            crowded["tabs"].push_back(extra);
        }
        render(crowded);
        shoot("chrome-narrow-" + scheme);
    }
}

TEST_F(ChromeLook, ScreenshotsOfThePopovers) {
    for (const bool dark : {false, true}) {
        h().set_dark(dark);
        const std::string scheme = dark ? "dark" : "light";
        render(busy_state(false));
        js("document.getElementById('menu').click()");
        shoot("popover-menu-" + scheme);
        js("document.getElementById('shield').click()");
        h().call("panel", {"shield", json{{"enabled", true},
                                          {"host", "example.com"},
                                          {"memoryMB", 412},
                                          {"newtab", false},
                                          {"rules", 1234},
                                          {"sec", "secure"},
                                          {"siteOn", true},
                                          {"sleeping", 2}}});
        shoot("popover-shield-" + scheme);
        h().call("openPanel", {"history"});
        const std::int64_t now = std::time(nullptr);
        json items = json::array();
        const char* titles[] = {"Example Domain", "Morning news", "Reference manual",
                                "Weather for the week", "Recipes: lentil soup"};
        for (int i = 0; i < 5; ++i) {
            items.push_back({{"display", "site" + std::to_string(i) + ".example/page"},
                             {"favicon", i == 1 ? json(kPng1x1) : json(nullptr)},
                             {"last", now - i * 30000},
                             {"title", titles[i]},
                             {"url", "https://site" + std::to_string(i) + ".example/page"}});
        }
        h().call("panel", {"history", {{"items", items}}});
        shoot("popover-history-" + scheme);
        h().call("openSheet", {"settings"});
        h().call("panel",
                 {"settings", json::parse(R"({"engines":[{"id":"duckduckgo","name":"DuckDuckGo"},
                      {"id":"google","name":"Google"}],"settings":{"block_trackers":true,
                      "https_only":false,"max_awake_tabs":6,"restore_session":true,
                      "search_engine":"duckduckgo","shield_allowlist":[],"sleep_after_mins":10},
                      "version":"0.2.0"})")});
        shoot("popover-settings-" + scheme);
        h().call("openSheet", {"about"});
        h().call("panel",
                 {"about", {{"engine", "WebKitGTK (system engine)"}, {"version", "0.2.0"}}});
        shoot("popover-about-" + scheme);
        h().call("openPanel", {"downloads"});
        h().call("panel", {"downloads", json::parse(R"({"items":[
            {"name":"report.pdf","path":"/home/u/Downloads/report.pdf","state":"done",
             "url":"https://files.example/report.pdf"},
            {"name":"big.iso","path":"","state":"active","url":"https://files.example/big.iso"},
            {"name":"broken.zip","path":"","state":"failed","url":"https://files.example/b"}]})")});
        shoot("popover-downloads-" + scheme);
        h().call("closeAll");
    }
}

TEST_F(ChromeLook, PageAreaStaysSeeThroughUnderEveryPalette) {
    h().set_transparent(true);
    for (const bool dark : {false, true}) {
        h().set_dark(dark);
        for (const bool is_private : {false, true}) {
            render(busy_state(is_private));
            settle();
            // The strip and toolbar are opaque on this platform; the page area is not painted.
            EXPECT_EQ(h().alpha_at({{600, 10}, {600, 60}, {600, 400}, {20, 700}}),
                      std::vector<int>({255, 255, 0, 0}))
                << (dark ? "dark" : "light") << (is_private ? " private" : "");
        }
    }
    // A sheet dims the page behind it.
    h().call("panel", {"clear", json::object()});
    settle();
    const std::vector<int> dimmed = h().alpha_at({{20, 700}});
    ASSERT_EQ(dimmed.size(), 1u);
    EXPECT_GT(dimmed[0], 0);
    EXPECT_LT(dimmed[0], 255);
    h().set_transparent(false);
}

} // namespace
} // namespace corvane::test
