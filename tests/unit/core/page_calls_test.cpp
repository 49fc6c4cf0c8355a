// What the chrome page is told about a window (nothing before it is ready), the page texts it
// shows, and where the views go.
#include "core/layout.h"
#include "core/page_calls.h"
#include "core/page_text.h"
#include "core/tabs.h"
#include "core_fixture.h"

namespace corvane::test {
namespace {

using nlohmann::json;
using PageCallsTest = CoreTest;

TEST_F(PageCallsTest, TheStateShowsTheLiveAddressAndTheTabsStoredOnes) {
    open({{"https://www.example.com/a", "Example \"A\""}, {"", ""}}, 0,
         WindowKind::private_browsing);
    Tab& first = tab(0, 0);
    first.favicon = "https://www.example.com/favicon.ico";
    first.loading = true;
    first.zoom = 1.25;
    fake(first.webview).back = true;
    fake(first.webview).url = "https://news.example.com/b";
    dynamic_cast<FakeWindow&>(*app.windows[0].window).fullscreen = true;
    app.store.bookmarks.push_back({"https://news.example.com/b", "B", 1});
    app.store.settings.shield_allowlist = {"example.com"};
    app.downloads_unseen = true;
    render(app, 0);
    json expected = json::parse(R"({"bookmarked":true,"canBack":true,"canForward":false,
        "downloadsUnseen":true,"fullscreen":true,"host":"news.example.com","loading":true,
        "newtab":false,"platform":"linux","private":true,"sec":"secure","shieldActive":false,
        "tabs":[{"favicon":"https://www.example.com/favicon.ico","host":"example.com",
        "loading":true,"newtab":false,"sleeping":false,"title":"Example \"A\"",
        "url":"https://www.example.com/a"},{"favicon":null,"host":"","loading":false,
        "newtab":true,"sleeping":true,"title":"","url":""}],"url":"https://news.example.com/b",
        "zoom":1.25})");
    expected["active"] = expected["tabs"][0]["id"] = first.id;
    expected["tabs"][1]["id"] = tab(0, 1).id;
    EXPECT_EQ(renders(chrome()).back(), expected);
    app.store.settings.shield_allowlist.clear();
    app.store.settings.block_trackers = false;
    fake(first.webview).url = "about:blank"; // a blank view shows the stored address
    render(app, 0);
    EXPECT_EQ(std::pair(renders(chrome()).back()["url"], renders(chrome()).back()["shieldActive"]),
              std::pair(json("https://www.example.com/a"), json(false)));
}

// The desktop tells windows apart by their titles: the active tab's name, then the browser's.
TEST_F(PageCallsTest, TheWindowIsNamedAfterItsActiveTab) {
    const auto title = [&](std::size_t window) {
        return dynamic_cast<FakeWindow&>(*app.windows.at(window).window).options.title;
    };
    open({{"https://www.example.com/a", "Docs"},
          {"https://www.example.com/", ""},
          {"file:///home/u/My%20Notes%E2%80%AE.html", ""},
          {"file:///home/u/dir/", ""},
          {"file:///", ""},
          {"", ""}});
    const char* expected[] = {"Docs \u2014 Corvane",
                              "example.com \u2014 Corvane",
                              "My Notes.html \u2014 Corvane",
                              "dir \u2014 Corvane",
                              "Corvane",
                              "Corvane"};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        select_tab(app, 0, i);
        EXPECT_EQ(title(0), expected[i]) << i;
    }
    handle(event::TitleChanged{"New Tab", tab(0, 5).id, tab(0, 5).view});
    EXPECT_EQ(title(0), "New Tab \u2014 Corvane");
    open({{"https://a.test/", "A"}, {"", ""}}, 0, WindowKind::private_browsing);
    render(app, 1);
    EXPECT_EQ(title(1), "A \u2014 Corvane (Private)");
    select_tab(app, 1, 1);
    EXPECT_EQ(title(1), "Corvane (Private)");
}

TEST(PageText, ControlsAndDirectionMarksGoAndCharactersAreCounted) {
    // C1 controls, the right-to-left override and an isolate control go; a malformed sequence
    // becomes one replacement character, so the result stays valid UTF-8.
    // clang-format off
    const std::tuple<std::string, std::size_t, std::string> cases[] = {
        {"a\nb\tc\x7f!", 300, "abc!"}, {"x\u0085y\u202Ez\u2066w", 300, "xyzw"}, {"äöüß", 3, "äöü"},
        {"\n\n\nabc", 2, "ab"}, {"abc", 0, ""}, {"", 5, ""}, {"a\xff!", 10, "a\uFFFD!"}};
    // clang-format on
    for (const auto& [text, limit, expected] : cases) {
        EXPECT_EQ(sanitize_page_text(text, limit), expected) << text;
    }
    // Titles are cut to 300, then trimmed of Unicode White_Space.
    EXPECT_EQ(clean_title("Hello\n\u202EWorld") + clean_title("\u00A0\u3000x\u2003") +
                  clean_title(std::string(298, 'b') + "    tail"),
              "HelloWorldx" + std::string(298, 'b'));
}

TEST(Layout, StripFindBarOverlayAndDevtoolsPane) {
    using Rect = platform::Rect;
    // A pane of 320 takes at most three quarters of the window; the page never goes negative. The
    // overlay and the find bar: chrome_messages_test.
    // clang-format off
    const std::tuple<LayoutInput, Rect, Rect, std::optional<Rect>> cases[] = {
        {{1280, 600, true, false, 320.0}, {0, 0, 1280, 126}, {0, 126, 1280, 154}, Rect{0, 280, 1280, 320}},
        {{800, 300, false, false, 320.0}, {0, 0, 800, 86}, {0, 86, 800, 0}, Rect{0, 75, 800, 225}},
        {{1280, 820, false, false, std::nullopt}, {0, 0, 1280, 86}, {0, 86, 1280, 734}, {}}};
    // clang-format on
    for (const auto& [input, chrome, tab, pane] : cases) {
        const WindowLayout layout = compute_layout(input);
        EXPECT_EQ(std::tuple(layout.chrome, layout.tab, layout.devtools),
                  std::tuple(chrome, tab, pane))
            << input.width;
    }
}

} // namespace
} // namespace corvane::test
