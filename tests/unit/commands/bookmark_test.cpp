// Bookmarking the active tab's page: which address, which toast, what the star and the new tab
// page show, and when the file is written.
#include "core/bookmark_toggle.h"
#include "core/chrome_messages.h"
#include "core/commands.h"
#include "core/windows.h"
#include "core_fixture.h"
#include "store/store.h"

#include <filesystem>

namespace corvane::test {
namespace {

class BookmarkTest : public CommandsFixture {
protected:
    std::vector<std::string> bookmark_urls() const {
        std::vector<std::string> urls;
        for (const Bookmark& bookmark : app.store.bookmarks) {
            urls.push_back(bookmark.url);
        }
        return urls;
    }
};

TEST_F(BookmarkTest, TwiceAddsThenRemovesWithToastStarAndNewTabData) {
    create_window(app, WindowKind::normal, {{"https://a.test/x", "Page A"}}, 0);
    make_ready(0);
    fake(tab(0, 0).webview).url = "https://a.test/x";
    const auto file = app.store.dir / "bookmarks.json";

    run("bookmark");
    EXPECT_EQ(app.store.bookmarks, (std::vector<Bookmark>{{"https://a.test/x", "Page A", wall}}));
    EXPECT_EQ(page_calls(chrome()).end()[-2], R"(toast("Bookmarked"))");
    EXPECT_EQ(renders(chrome()).back()["bookmarked"], true);
    EXPECT_EQ(app.newtab->copy().bookmarks,
              (std::vector<NewTabLink>{{"https://a.test/x", "Page A"}}));
    EXPECT_FALSE(std::filesystem::exists(file)) << "written at the next flush, not here";
    flush_store(app.store);
    EXPECT_NE(read_file(file).find("https://a.test/x"), std::string::npos);

    run("bookmark");
    EXPECT_TRUE(app.store.bookmarks.empty());
    EXPECT_EQ(page_calls(chrome()).end()[-2], R"(toast("Bookmark removed"))");
    EXPECT_EQ(renders(chrome()).back()["bookmarked"], false);
    EXPECT_TRUE(app.newtab->copy().bookmarks.empty());
    EXPECT_TRUE(app.store.bookmarks_dirty);
}

TEST_F(BookmarkTest, AwakeTabsUseTheLiveAddressSleepingTabsTheStoredOne) {
    create_window(app, WindowKind::normal,
                  {{"https://stored.test/", "S"}, {"https://asleep.test/", "Z"}}, 0);
    FakeWebView& view = fake(tab(0, 0).webview);
    view.url = "https://live.test/after-redirect";
    run("bookmark");
    view.url = "about:blank";
    run("bookmark");
    view.url = "";
    run("bookmark"); // the stored address again: removed
    app.windows[0].active = 1;
    run("bookmark");
    EXPECT_EQ(bookmark_urls(), (std::vector<std::string>{"https://live.test/after-redirect",
                                                         "https://asleep.test/"}));
}

TEST_F(BookmarkTest, OnlyWebPagesAreBookmarked) {
    create_window(app, WindowKind::normal,
                  {{"corvane://newtab/", ""},
                   {"file:///home/u/a.html", "F"},
                   {"corvane://ui/index.html", "U"},
                   {"", ""},
                   {"HTTPS://upper.test/", "H"},
                   {"http://plain.test/", "P"}},
                  0);
    make_ready(0);
    for (std::size_t i = 0; i < 6; ++i) {
        app.windows[0].active = i;
        run("bookmark");
    }
    app.windows[0].active = 9;
    run("bookmark");
    EXPECT_EQ(bookmark_urls(), (std::vector<std::string>{"http://plain.test/"}));
    const std::vector<std::string> calls = page_calls(chrome());
    EXPECT_EQ(std::count(calls.begin(), calls.end(), R"(toast("Bookmarked"))"), 1);
}

TEST_F(BookmarkTest, TheStarMessageToastsInTheWindowThatSentIt) {
    create_window(app, WindowKind::normal, {{"https://one.test/", "1"}}, 0);
    create_window(app, WindowKind::normal, {{"https://two.test/", "2"}}, 0);
    make_ready(0);
    make_ready(1);
    ASSERT_EQ(current_window_index(app), 1u);
    handle_ui_message(app, 0, msg::ToggleBookmark{}, flow);
    EXPECT_EQ(bookmark_urls(), (std::vector<std::string>{"https://one.test/"}));
    EXPECT_EQ(page_calls(chrome(0)).end()[-2], R"(toast("Bookmarked"))");
    EXPECT_TRUE(page_calls(chrome(1)).empty());
    // The command works on the current window whoever sends it.
    handle_ui_message(app, 0, msg::Cmd{"bookmark"}, flow);
    EXPECT_EQ(bookmark_urls(),
              (std::vector<std::string>{"https://one.test/", "https://two.test/"}));
    EXPECT_EQ(page_calls(chrome(1)).end()[-2], R"(toast("Bookmarked"))");
}

} // namespace
} // namespace corvane::test
