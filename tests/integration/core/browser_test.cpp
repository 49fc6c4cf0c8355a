// The browser core with real WebKit views: loads reaching the tabs (titles, icons) and the
// history, tabs whose web process ends, and links that open a tab.
#include "core/tabs.h"
#include "core/windows.h"
#include "core_world.h"
#include "support/loopback_server.h"

#include <algorithm>
#include <tuple>

namespace corvane::test {
namespace {

TEST_F(BrowserTest, PagesReachTheirTabsLinksOpenTabsAndEndedWebProcessesAreRecovered) {
    // Never cached, so every load, a reload after a crash too, reaches the server.
    LoopbackServer server([](const HttpRequest& request) {
        HttpResponse page = html_page("<title>Page " + request.path +
                                      "</title><link rel=icon href='https://127.0.0.1:9/i.png'>"
                                      "<a id=blank target=_blank href=/popup>new</a>");
        page.headers.emplace_back("Cache-Control", "no-store");
        return page;
    });
    const std::string front = server.origin() + "/front", back = server.origin() + "/back";
    ASSERT_TRUE(create_window(app(), WindowKind::normal, {{front, ""}}, 0));
    add_tab(app(), 0, back, TabFocus::background, TabPlace::at_end);
    ASSERT_TRUE(wait_until([&] {
        return tab(0, 0).title == "Page /front" && tab(0, 1).title == "Page /back" &&
               !tab(0, 0).loading && !tab(0, 1).loading && tab(0, 0).favicon;
    }));
    EXPECT_EQ(tab(0, 0).favicon, "https://127.0.0.1:9/i.png");
    EXPECT_TRUE(std::ranges::any_of(app().store.history, [&](const HistoryEntry& entry) {
        return entry.url == front && entry.title == "Page /front";
    }));

    tab(0, 1).webview->terminate_web_process();
    ASSERT_TRUE(wait_until([&] { return !tab(0, 1).webview; }));
    EXPECT_EQ(std::tie(tab(0, 1).url, tab(0, 1).title, tab(0, 1).loading),
              std::make_tuple(back, "Page /back", false));
    EXPECT_TRUE(tab(0, 0).webview);

    const std::size_t loads = server.count("/front");
    evaluate(*tab(0, 0).webview, "window.ballast = 1");
    tab(0, 0).webview->terminate_web_process();
    // The active tab keeps its view and loads its page again, a fresh one.
    ASSERT_TRUE(wait_until([&] { return server.count("/front") > loads; }));
    ASSERT_TRUE(tab(0, 0).webview);
    EXPECT_TRUE(wait_until([&] {
        return !tab(0, 0).loading &&
               evaluate(*tab(0, 0).webview, "document.title + typeof window.ballast") ==
                   "\"Page /frontundefined\"";
    }));

    // A blank-target link opens a tab right after the active one and selects it.
    evaluate(*tab(0, 0).webview, "document.getElementById('blank').click()");
    ASSERT_TRUE(wait_until([&] { return app().windows[0].tabs.size() == 3; }));
    EXPECT_EQ(std::tie(tab(0, 1).url, app().windows[0].active),
              std::make_tuple(server.origin() + "/popup", 1u));
}

} // namespace
} // namespace corvane::test
