// Commands and toolbar buttons whose effect lives in the engine: zoom, the bookmark star, find in
// page, and the history buttons.
#include "chrome_driver.h"
#include "core/commands.h"

#include <cmath>

namespace corvane::test {
namespace {

class EngineCommands : public ChromePageTest {
protected:
    void run(std::string_view id) { run_command(app(), id, flow); }
    ControlFlow flow = ControlFlow::wait;
};

TEST_F(EngineCommands, ZoomScalesThePageAndSurvivesSleep) {
    open({{page_url("/article-zoom"), ""}, {page_url("/article-other"), ""}});
    ASSERT_TRUE(loaded(0, 0, "Article zoom"));
    platform::WebView& view = *tab(0, 0).webview;
    const double width = js(view, "window.innerWidth").get<double>();
    run("zoomIn");
    run("zoomIn");
    EXPECT_EQ(tab(0, 0).zoom, 1.25);
    ASSERT_TRUE(wait_until(
        [&] { return std::abs(js(view, "window.innerWidth").get<double>() - width / 1.25) < 2; }));
    ASSERT_TRUE(wait_until([&] { return page("D.$('#toast').textContent") == "Zoom 125%"; }));

    // Asleep, the tab keeps its factor and shows the page at it when it wakes.
    tab(0, 0).webview.reset();
    app().windows[0].active = 1;
    run("tab1");
    ASSERT_TRUE(tab(0, 0).webview);
    ASSERT_TRUE(loaded(0, 0, "Article zoom"));
    EXPECT_TRUE(wait_until([&] {
        return std::abs(js(*tab(0, 0).webview, "window.innerWidth").get<double>() - width / 1.25) <
               2;
    }));
    run("zoomReset");
    EXPECT_TRUE(wait_until([&] {
        return std::abs(js(*tab(0, 0).webview, "window.innerWidth").get<double>() - width) < 2;
    }));
}

TEST_F(EngineCommands, TheStarBookmarksTheLivePageAndBack) {
    open({{page_url("/article-star"), ""}});
    ASSERT_TRUE(loaded(0, 0, "Article star"));
    ASSERT_TRUE(wait_until([&] { return page("D.shown('star')") == true; }));
    page("D.$('#star').click()");
    ASSERT_TRUE(wait_until([&] { return page("D.$('#star').classList.contains('on')") == true; }));
    ASSERT_EQ(app().store.bookmarks.size(), 1u);
    EXPECT_EQ(app().store.bookmarks[0].url, page_url("/article-star"));
    EXPECT_EQ(app().store.bookmarks[0].title, "Article star");
    EXPECT_EQ(page("D.$('#toast').textContent"), "Bookmarked");
    page("D.$('#star').click()");
    ASSERT_TRUE(wait_until([&] { return page("D.$('#star').classList.contains('on')") == false; }));
    EXPECT_TRUE(app().store.bookmarks.empty());
    EXPECT_EQ(page("D.$('#toast').textContent"), "Bookmark removed");

    // The new tab page has no star, and the command does nothing there.
    run("newTab");
    ASSERT_TRUE(wait_until([&] { return page("D.shown('star')") == false; }));
    run("bookmark");
    pump(200ms);
    EXPECT_TRUE(app().store.bookmarks.empty());
}

struct FindStep {
    std::string typed; // typed into the field (a fresh search); empty: a button
    const char* button;
    const char* selected; // the id of the paragraph holding the selection
    const char* status;
};

TEST_F(EngineCommands, FindSearchesThePageAndReportsInTheBar) {
    const FindStep steps[] = {
        {"find-me", nullptr, "a", ""},
        {"", "#find-next", "b", ""},
        {"", "#find-next", "c", ""},
        {"", "#find-next", "a", ""}, // wraps at the end
        {"", "#find-prev", "c", ""}, // and at the top
        {"", "#find-prev", "b", ""},
        // Edited, the search starts again from the top.
        {"find-m", nullptr, "a", ""},
        {"no such words", nullptr, nullptr, "Not found"},
        // 600 characters search for their first 512.
        {repeated("é", 600), nullptr, "e", ""},
        {repeated("ü", 600), nullptr, nullptr, "Not found"},
    };
    open({{page_url("/find"), ""}});
    ASSERT_TRUE(loaded(0, 0, "Find"));
    platform::WebView& view = *tab(0, 0).webview;
    run("find");
    ASSERT_TRUE(wait_until([&] { return page("D.shown('findbar')") == true; }));
    ASSERT_TRUE(wait_until([&] { return app().windows[0].findbar_open; }));
    EXPECT_EQ(page("document.activeElement.id"), "find-input");

    const std::string selected = "(getSelection().anchorNode || {}).parentElement?.id ?? ''";
    for (const FindStep& step : steps) {
        SCOPED_TRACE(step.typed.substr(0, 20) + (step.button ? step.button : ""));
        if (step.button) {
            page(std::string("D.$('") + step.button + "').click()");
        } else {
            type_into("#find-input", step.typed);
        }
        EXPECT_TRUE(wait_until([&] {
            return page("D.$('#find-status').textContent") == step.status &&
                   (!step.selected || js(view, selected) == step.selected);
        })) << js(view, selected)
            << " " << page("D.$('#find-status').textContent");
    }

    type_into("#find-input", "find-me");
    page("D.$('#find-done').click()");
    ASSERT_TRUE(wait_until([&] { return !app().windows[0].findbar_open; }));
    EXPECT_TRUE(wait_until([&] { return js(view, "getSelection().toString()") == ""; }));
    EXPECT_TRUE(view.has_focus());
}

TEST_F(EngineCommands, HistoryButtonsGoBackAndForward) {
    open({{page_url("/article-first"), ""}});
    ASSERT_TRUE(loaded(0, 0, "Article first"));
    type_into("#omni-input", page_url("/article-second"));
    page("D.key('#omni-input', 'Enter')");
    ASSERT_TRUE(loaded(0, 0, "Article second"));
    ASSERT_TRUE(wait_until([&] { return page("D.$('#back').disabled") == false; }));
    page("D.$('#back').click()");
    ASSERT_TRUE(loaded(0, 0, "Article first"));
    ASSERT_TRUE(wait_until([&] { return page("D.$('#fwd').disabled") == false; }));
    page("D.$('#fwd').click()");
    ASSERT_TRUE(loaded(0, 0, "Article second"));
    EXPECT_EQ(tab(0, 0).url, page_url("/article-second"));
}

} // namespace
} // namespace corvane::test
