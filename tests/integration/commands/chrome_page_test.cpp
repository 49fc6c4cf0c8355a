// The chrome page of a real window, driven through its DOM: the address field, the tab strip,
// and the overlay, each checked against what the core then did.
#include "chrome_driver.h"
#include "core/commands.h"

namespace corvane::test {
namespace {

using nlohmann::json;

class ChromePage : public ChromePageTest {};

TEST_F(ChromePage, ReturnLoadsTheAddressAndControlReturnOpensANewTab) {
    open({{page_url("/article-one"), ""}});
    ASSERT_TRUE(loaded(0, 0, "Article one"));
    const std::string two = page_url("/article-two");
    EXPECT_EQ(type_into("#omni-input", two), two);
    page("D.key('#omni-input', 'Enter')");
    ASSERT_TRUE(loaded(0, 0, "Article two")) << page("D.sent").dump();
    EXPECT_EQ(tab_urls(), std::vector<std::string>{two});
    // The field gave the keyboard back and shows the new address at rest.
    EXPECT_TRUE(wait_until([&] { return page("D.$('#omni-host').textContent") == "127.0.0.1"; }));

    const std::string three = page_url("/article-three");
    type_into("#omni-input", three);
    page("D.key('#omni-input', 'Enter', { ctrlKey: true })");
    ASSERT_TRUE(wait_until([&] { return app().windows[0].tabs.size() == 2; }));
    ASSERT_TRUE(loaded(0, 1, "Article three"));
    EXPECT_EQ(tab_urls(), (std::vector<std::string>{two, three}));
    EXPECT_EQ(app().windows[0].active, 1u);

    // Refused text stays in the window as a toast and loads nothing.
    type_into("#omni-input", "javascript:alert(1)");
    page("D.key('#omni-input', 'Enter')");
    EXPECT_TRUE(wait_until([&] {
        return page("D.shown('toast') && D.$('#toast').textContent") == "Blocked: blocked scheme";
    }));
    EXPECT_EQ(tab_urls(), (std::vector<std::string>{two, three}));
}

TEST_F(ChromePage, TheStripFollowsActiveSleepingLoadingAndIcons) {
    open({{page_url("/markup-title"), ""},
          {page_url("/broken-icon"), "Broken icon"},
          {page_url("/slow"), "Slow"},
          {page_url("/article-icon"), "Article icon"}});
    ASSERT_TRUE(loaded(0, 0, "<img src=/x.png onerror=alert(1)> Tom & Jerry"));
    json shown;
    ASSERT_TRUE(wait_until([&] {
        shown = strip();
        return shown.size() == 4 && shown[0]["title"] != "";
    }));
    // A title that looks like markup is shown as text.
    EXPECT_EQ(shown[0]["title"], "<img src=/x.png onerror=alert(1)> Tom & Jerry");
    EXPECT_EQ(shown[0]["titleNodes"], 0);
    EXPECT_EQ(page("document.querySelectorAll('#chrome img[src$=\"x.png\"]').length"), 0);
    EXPECT_EQ(shown[0]["active"], true);
    EXPECT_EQ(shown[0]["icon"], "globe") << "an http page has no site icon";
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(shown[i]["sleeping"], true) << i;
        EXPECT_EQ(shown[i]["active"], false) << i;
    }

    // A press on a sleeping tab selects and wakes it; its icon fails to load and falls back.
    page("D.pointer('pointerdown', D.tab(1)); D.pointer('pointerup', D.tab(1))");
    ASSERT_TRUE(wait_until([&] { return tab(0, 1).favicon.has_value(); }));
    ASSERT_TRUE(wait_until([&] {
        shown = strip();
        return shown.size() == 4 && shown[1]["active"] == true && shown[1]["icon"] == "globe";
    })) << shown.dump();
    EXPECT_EQ(shown[1]["sleeping"], false);
    EXPECT_EQ(shown[0]["sleeping"], false) << "a tab that was shown stays awake for a while";

    // The slow page shows its spinner until it has loaded.
    page("D.pointer('pointerdown', D.tab(2)); D.pointer('pointerup', D.tab(2))");
    ASSERT_TRUE(wait_until([&] { return strip()[2]["loading"] == true; }));
    EXPECT_EQ(page("D.$('#omni').classList.contains('loading')"), true);
    ASSERT_TRUE(loaded(0, 2, "Slow"));
    ASSERT_TRUE(wait_until([&] { return strip()[2]["loading"] == false; }));

    // A working icon stays an image.
    page("D.pointer('pointerdown', D.tab(3)); D.pointer('pointerup', D.tab(3))");
    ASSERT_TRUE(wait_until([&] { return strip()[3]["icon"] == "img"; }));
}

TEST_F(ChromePage, ClosingSelectingAndDraggingTabsReorderTheWindow) {
    open({{page_url("/article-a"), "A"},
          {page_url("/article-b"), "B"},
          {page_url("/article-c"), "C"},
          {page_url("/article-d"), "D"}});
    const auto titles = [&] {
        std::vector<std::string> result;
        for (const Tab& t : app().windows[0].tabs) {
            result.push_back(t.title);
        }
        return result;
    };
    ASSERT_TRUE(loaded(0, 0, "Article a"));

    // What the page sent for the last gesture, and nothing else.
    const auto sent = [&] {
        return page("D.sent.splice(0)");
    };
    sent();

    // Dragging the first tab past the last one's middle moves it to the end; A stays active.
    const TabId a = tab(0, 0).id;
    page("D.pointer('pointerdown', D.tab(0));"
         "const last = D.tab(3).getBoundingClientRect();"
         "D.pointer('pointermove', document.body, last.left + 10);"
         "D.pointer('pointermove', document.body, last.right - 5);"
         "D.pointer('pointerup', document.body, last.right - 5)");
    EXPECT_EQ(sent(), json::parse(R"([{"t":"moveTab","id":)" + std::to_string(a) + R"(,"to":3}])"));
    ASSERT_TRUE(wait_until([&] { return titles().back() == "Article a"; }));
    EXPECT_EQ(titles(), (std::vector<std::string>{"B", "C", "D", "Article a"}));
    EXPECT_EQ(app().windows[0].active, 3u);
    ASSERT_TRUE(wait_until([&] { return strip()[3]["active"] == true; }));

    // A short drag only selects.
    const TabId c = tab(0, 1).id;
    page("D.pointer('pointerdown', D.tab(1)); const r = D.tab(1).getBoundingClientRect();"
         "D.pointer('pointermove', document.body, r.left + r.width / 2 + 3);"
         "D.pointer('pointerup', document.body, r.left + r.width / 2 + 3)");
    EXPECT_EQ(sent(), json::parse(R"([{"t":"selectTab","id":)" + std::to_string(c) + "}]"));
    ASSERT_TRUE(wait_until([&] { return app().windows[0].active == 1; }));
    EXPECT_TRUE(loaded(0, 1, "Article c")) << "woken by the selection, in the same place";

    // The close button and a middle click close exactly their tab.
    const TabId b = tab(0, 0).id;
    page("D.tab(0).querySelector('.tab-close').click()");
    EXPECT_EQ(sent(), json::parse(R"([{"t":"closeTab","id":)" + std::to_string(b) + "}]"));
    ASSERT_TRUE(wait_until([&] { return app().windows[0].tabs.size() == 3; }));
    EXPECT_NE(tab(0, 0).id, b);
    const TabId d = tab(0, 1).id;
    ASSERT_TRUE(wait_until([&] { return strip().size() == 3; }));
    page("D.tab(1).dispatchEvent(new MouseEvent('auxclick', { button: 1, bubbles: true }))");
    EXPECT_EQ(sent(), json::parse(R"([{"t":"closeTab","id":)" + std::to_string(d) + "}]"));
    ASSERT_TRUE(wait_until([&] { return app().windows[0].tabs.size() == 2; }));
    EXPECT_EQ(titles(), (std::vector<std::string>{"Article c", "Article a"}));
    ASSERT_TRUE(wait_until([&] { return strip().size() == 2; }));
    EXPECT_EQ(app().closed_tabs.back(), page_url("/article-d"));
}

TEST_F(ChromePage, OverlayGivesTheChromeTheWholeWindowAndBack) {
    open({{page_url("/article-o"), ""}});
    ASSERT_TRUE(loaded(0, 0, "Article o"));
    const auto chrome_height = [&] {
        return page("window.innerHeight");
    };
    const double window_height = app().windows[0].window->inner_size().height;
    ASSERT_GT(window_height, 300);
    ASSERT_TRUE(wait_until([&] { return chrome_height() == 86; }));

    page("D.$('#menu').click()");
    ASSERT_TRUE(wait_until([&] { return chrome_height() == window_height; }));
    EXPECT_TRUE(app().windows[0].overlay_open);
    EXPECT_EQ(page("D.shown('menu-pop')"), true);
    page("D.key(document.body, 'Escape')");
    ASSERT_TRUE(wait_until([&] { return chrome_height() == 86; }));
    EXPECT_FALSE(app().windows[0].overlay_open);

    // With the find bar open the strip is 126 high; a popover still covers everything.
    page("CV.openFind()");
    ASSERT_TRUE(wait_until([&] { return chrome_height() == 126; }));
    EXPECT_EQ(js(*tab(0, 0).webview, "window.innerHeight"), window_height - 126);
    ControlFlow flow = ControlFlow::wait;
    run_command(app(), "about", flow); // the sheet opens once the core has sent its data
    ASSERT_TRUE(wait_until([&] { return chrome_height() == window_height; }));
    EXPECT_NE(
        page("D.$('#sheet').textContent").get<std::string>().find("WebKitGTK (system engine)"),
        std::string::npos);
    page("D.key(document.body, 'Escape')");
    ASSERT_TRUE(wait_until([&] { return chrome_height() == 126; }));
    page("D.key('#find-input', 'Escape')");
    ASSERT_TRUE(wait_until([&] { return chrome_height() == 86; }));
    EXPECT_TRUE(wait_until(
        [&] { return js(*tab(0, 0).webview, "window.innerHeight") == window_height - 86; }));
}

TEST_F(ChromePage, TypingShowsSuggestionsFromHistory) {
    open({{page_url("/article-history"), ""}});
    ASSERT_TRUE(loaded(0, 0, "Article history"));
    ASSERT_TRUE(wait_until([&] { return !app().store.history.empty(); }));
    type_into("#omni-input", "Article hist");
    json rows;
    ASSERT_TRUE(wait_until([&] {
        rows = page("D.shown('suggest') && [...document.querySelectorAll('.srow-main')]"
                    ".map((e) => e.textContent)");
        return rows.is_array() && rows.size() >= 2;
    })) << rows.dump();
    EXPECT_EQ(rows[0], "Article hist") << "the search row first";
    EXPECT_EQ(rows[1], "Article history");
    EXPECT_TRUE(app().windows[0].overlay_open);
    page("D.key('#omni-input', 'Escape'); D.key('#omni-input', 'Escape')");
    EXPECT_TRUE(wait_until([&] { return !app().windows[0].overlay_open; }));
}

TEST_F(ChromePage, ANewOrSelectedTabShowsItsOwnAddressNotTextTypedForAnother) {
    const std::string article = page_url("/article-typed-away");
    open({{article, ""}});
    ASSERT_TRUE(loaded(0, 0, "Article typed-away"));
    type_into("#omni-input", "typed words");
    ASSERT_TRUE(wait_until([&] { return page("D.shown('suggest')") == true; }));
    page("D.key('#omni-input', 'Escape')");
    ASSERT_EQ(page("!D.shown('suggest') && D.$('#omni-input').value"), "typed words");

    ControlFlow flow = ControlFlow::wait;
    run_command(app(), "newTab", flow);
    ASSERT_TRUE(
        wait_until([&] { return page("D.$('.tab.active .tab-title').textContent") == "New Tab"; }));
    EXPECT_TRUE(wait_until([&] {
        return page("document.activeElement.id + '|' + D.$('#omni-input').value") == "omni-input|";
    })) << page("D.$('#omni-input').value");
    run_command(app(), "prevTab", flow);
    EXPECT_TRUE(wait_until([&] { return page("D.$('#omni-input').value") == article; }))
        << page("D.$('#omni-input').value");
}

} // namespace
} // namespace corvane::test
