// The browser core with real WebKit views: loads reaching the tabs (titles, icons) and the
// history, tabs whose web process ends, links that open a tab, and a tab put to sleep as its load
// starts.
#include "core/sleeping.h"
#include "core/tabs.h"
#include "core/windows.h"
#include "core_world.h"
#include "engine/actions.h"
#include "support/loopback_server.h"

#include <algorithm>
#include <thread>
#include <tuple>
#include <vector>

namespace corvane::test {
namespace {

// Every path is a page titled with it; never cached, so every load, a reload after a crash too,
// reaches the server. "/slow" answers late, so a load of it stays started for a while.
LoopbackServer& server() {
    static LoopbackServer instance([](const HttpRequest& request) {
        if (request.path == "/slow") {
            std::this_thread::sleep_for(2s);
        }
        HttpResponse page = html_page("<title>Page " + request.path +
                                      "</title><link rel=icon href='https://127.0.0.1:9/i.png'>"
                                      "<a id=blank target=_blank href=/popup>new</a>");
        page.headers.emplace_back("Cache-Control", "no-store");
        return page;
    });
    return instance;
}

std::string url(const std::string& path) {
    return server().origin() + path;
}

bool recorded(const std::string& address) {
    return std::ranges::any_of(world().app().store.history, [&](const HistoryEntry& entry) {
        return entry.url == address && entry.title == "Page " + address.substr(address.rfind('/'));
    });
}

TEST_F(BrowserTest, PagesReachTheirTabsLinksOpenTabsAndEndedWebProcessesAreRecovered) {
    ASSERT_TRUE(create_window(app(), WindowKind::normal, {{url("/front"), ""}}, 0));
    add_tab(app(), 0, url("/back"), TabFocus::background, TabPlace::at_end);
    ASSERT_TRUE(create_window(app(), WindowKind::private_browsing, {{url("/private"), ""}}, 0));
    ASSERT_TRUE(wait_until([&] {
        return tab(0, 0).title == "Page /front" && tab(0, 1).title == "Page /back" &&
               tab(1, 0).title == "Page /private" && !tab(0, 0).loading && !tab(0, 1).loading &&
               !tab(1, 0).loading && tab(0, 0).favicon;
    }));
    EXPECT_EQ(tab(0, 0).favicon, "https://127.0.0.1:9/i.png");
    EXPECT_TRUE(recorded(url("/front")));
    EXPECT_FALSE(recorded(url("/private"))) << "private windows leave no history";

    // The background tab moves on, then its process ends: asleep, and woken later with its
    // Back list.
    tab(0, 1).webview->load_url(url("/back-on"));
    ASSERT_TRUE(
        wait_until([&] { return tab(0, 1).title == "Page /back-on" && !tab(0, 1).loading; }));
    tab(0, 1).webview->terminate_web_process();
    ASSERT_TRUE(wait_until([&] { return !tab(0, 1).webview; }));
    EXPECT_EQ(std::tie(tab(0, 1).url, tab(0, 1).title, tab(0, 1).loading),
              std::make_tuple(url("/back-on"), "Page /back-on", false));
    EXPECT_TRUE(tab(0, 0).webview);

    // Every title the active tab's view reports from here on: an ended process blanks none.
    std::vector<std::string> titles;
    platform::WebView& front = *tab(0, 0).webview;
    front.on_title_changed = [&titles, post = front.on_title_changed](const std::string& title) {
        titles.push_back(title);
        post(title);
    };
    const std::size_t loads = server().count("/front");
    evaluate(*tab(0, 0).webview, "window.ballast = 1");
    tab(0, 0).webview->terminate_web_process();
    // The active tab keeps its view and loads its page again, a fresh one.
    ASSERT_TRUE(wait_until([&] { return server().count("/front") > loads; }));
    ASSERT_TRUE(tab(0, 0).webview);
    const auto fresh_front = [&] {
        return !tab(0, 0).loading &&
               evaluate(*tab(0, 0).webview,
                        "document.title + typeof window.ballast + "
                        "!!document.getElementById('blank')") == "\"Page /frontundefinedtrue\"";
    };
    EXPECT_TRUE(wait_until(fresh_front));
    // Crashing again and again within the minute: the third crash is not reloaded, an error page
    // shows at the page's address under its title, until the user reloads.
    tab(0, 0).webview->terminate_web_process();
    ASSERT_TRUE(wait_until([&] { return server().count("/front") > loads + 1; }));
    ASSERT_TRUE(wait_until(fresh_front));
    const std::size_t reloads = server().count("/front");
    tab(0, 0).webview->terminate_web_process();
    EXPECT_TRUE(wait_until([&] {
        return evaluate(*tab(0, 0).webview, "document.body.innerText")
                   .value_or("")
                   .find("keeps crashing") != std::string::npos;
    }));
    pump(300ms);
    EXPECT_EQ(server().count("/front"), reloads);
    EXPECT_EQ(std::tie(tab(0, 0).url, tab(0, 0).title),
              std::make_tuple(url("/front"), "Page /front"));
    EXPECT_EQ(std::ranges::count(titles, ""), 0) << "titles seen: " << titles.size();
    tab(0, 0).webview->reload();
    EXPECT_TRUE(wait_until(fresh_front)) << server().count("/front") << " " << reloads;

    // A blank-target link opens a tab right after the active one and selects it.
    evaluate(*tab(0, 0).webview, "document.getElementById('blank').click()");
    ASSERT_TRUE(wait_until([&] { return app().windows[0].tabs.size() == 3; }));
    EXPECT_EQ(std::tie(tab(0, 1).url, app().windows[0].active), std::make_tuple(url("/popup"), 1u));

    select_tab(app(), 0, 2);
    ASSERT_TRUE(wait_until([&] { return tab(0, 2).webview && !tab(0, 2).loading; }));
    EXPECT_EQ(tab(0, 2).webview->uri(), url("/back-on"));
    ASSERT_TRUE(wait_until([&] { return tab(0, 2).webview->can_go_back(); }));
    tab(0, 2).webview->go_back();
    EXPECT_TRUE(wait_until([&] { return tab(0, 2).title == "Page /back" && !tab(0, 2).loading; }));
}

// The guard's "ok" for a background tab, posted just ahead of the load start its page posts next:
// the tab sleeps first, and the start that its dropped view left in the queue must not bring
// back a spinner that no finished load would ever stop.
TEST_F(BrowserTest, TabPutToSleepAsItsLoadStartsEndsUpNotLoading) {
    ASSERT_TRUE(create_window(app(), WindowKind::normal, {{url("/front"), ""}}, 0));
    add_tab(app(), 0, url("/first"), TabFocus::background, TabPlace::at_end);
    ASSERT_TRUE(wait_until([&] { return tab(0, 1).title == "Page /first" && !tab(0, 1).loading; }));
    const TabId id = tab(0, 1).id;
    platform::WebView& view = *tab(0, 1).webview;
    // The engine sometimes answers the guard before it reports the load start; here always.
    view.on_load_changed = [&view, post = view.on_load_changed, proxy = app().proxy, id,
                            number = tab(0, 1).view](platform::LoadPhase phase,
                                                     const std::string& address) {
        view.evaluate_script(std::string(kSleepGuardScript), [=](std::string reply) {
            proxy.send_event(read_sleep_reply(reply, id, number));
            post(phase, address);
        });
    };
    view.load_url(url("/slow"));

    ASSERT_TRUE(wait_until([&] { return !tab(0, 1).webview && world().queue->size() == 0; }));
    EXPECT_EQ(std::tie(tab(0, 1).loading, tab(0, 1).url, tab(0, 1).title),
              std::make_tuple(false, url("/slow"), "Page /first"))
        << "not loading, at the address its view had when it slept";
}

} // namespace
} // namespace corvane::test
