// The browser core with real WebKit views: page loads reaching tabs, the chrome page and the
// history, new-window links, and tabs whose web process ends.
#include "chrome_driver.h"
#include "core/sleeping.h"
#include "core/tabs.h"
#include "core/windows.h"
#include "engine/actions.h"

#include <nlohmann/json.hpp>

namespace corvane::test {
namespace {

// The chrome page's tab strip as it shows it.
nlohmann::json shown_tabs(platform::WebView& chrome) {
    return drive(chrome, "D.strip()");
}

bool has_history(std::string_view url, std::string_view title) {
    for (const HistoryEntry& entry : world().app().store.history) {
        if (entry.url == url && entry.title == title) {
            return true;
        }
    }
    return false;
}

TEST_F(BrowserTest, LoopbackPageReachesTheTabTheChromeAndTheHistory) {
    const std::string address = url("/page");
    ASSERT_TRUE(create_window(app(), WindowKind::normal, {{address, ""}}, 0));
    BrowserWindow& window = app().windows[0];
    ASSERT_TRUE(wait_until([&] {
        const Tab& t = window.tabs[0];
        return window.ready_seen && t.title == "Core page" && !t.loading && t.favicon;
    }));
    const Tab& t = window.tabs[0];
    EXPECT_EQ(t.url, address);
    EXPECT_EQ(t.favicon, "https://127.0.0.1:9/fav.png");
    EXPECT_TRUE(has_history(address, "Core page"));

    nlohmann::json shown;
    ASSERT_TRUE(wait_until([&] {
        shown = shown_tabs(*window.chrome);
        return shown.is_array() && shown.size() == 1 && shown[0]["title"] == "Core page" &&
               shown[0]["loading"] == false;
    })) << shown.dump();
    EXPECT_EQ(shown[0]["id"], t.id);
    EXPECT_EQ(shown[0]["active"], true);
}

TEST_F(BrowserTest, PrivateWindowsLeaveNoHistory) {
    const std::string address = url("/plain-private");
    ASSERT_TRUE(create_window(app(), WindowKind::private_browsing, {{address, ""}}, 0));
    ASSERT_TRUE(wait_until([&] {
        const Tab& t = tab(0, 0);
        return t.title == "Plain -private" && !t.loading;
    }));
    pump(200ms);
    for (const HistoryEntry& entry : app().store.history) {
        EXPECT_NE(entry.url, address);
    }
}

TEST_F(BrowserTest, BlankTargetLinkOpensATabRightAfterTheActiveOne) {
    ASSERT_TRUE(create_window(app(), WindowKind::normal,
                              {{url("/plain-a"), ""}, {url("/page"), ""}, {url("/plain-c"), ""}},
                              1));
    ASSERT_TRUE(wait_until([&] { return tab(0, 1).title == "Core page" && !tab(0, 1).loading; }));
    evaluate(*tab(0, 1).webview, "document.getElementById('blank').click()");
    ASSERT_TRUE(wait_until([&] { return app().windows[0].tabs.size() == 4; }));
    EXPECT_EQ(app().windows[0].active, 2u);
    EXPECT_EQ(tab(0, 2).url, url("/popup"));
    ASSERT_TRUE(wait_until([&] { return tab(0, 2).title == "Popup"; }));
    EXPECT_FALSE(tab(0, 0).webview); // restored tabs stay asleep
    EXPECT_TRUE(tab(0, 1).webview);  // the opener keeps its page, hidden
    EXPECT_TRUE(tab(0, 1).webview->is_hidden());
    EXPECT_FALSE(tab(0, 2).webview->is_hidden());
}

// The guard's "ok" for a background tab, posted just ahead of the load start its page posts next:
// the tab sleeps first, and the start that its dropped view left in the queue must not bring
// back a spinner that no finished load would ever stop.
TEST_F(BrowserTest, TabPutToSleepAsItsLoadStartsEndsUpNotLoading) {
    ASSERT_TRUE(create_window(app(), WindowKind::normal, {{url("/plain-front"), ""}}, 0));
    add_tab(app(), 0, url("/plain-first"), TabFocus::background, TabPlace::at_end);
    ASSERT_TRUE(
        wait_until([&] { return tab(0, 1).title == "Plain -first" && !tab(0, 1).loading; }));
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
    EXPECT_FALSE(tab(0, 1).loading);
    EXPECT_EQ(tab(0, 1).url, url("/slow")) << "the address its view had when it slept";
    EXPECT_EQ(tab(0, 1).title, "Plain -first");
    nlohmann::json shown;
    EXPECT_TRUE(wait_until([&] {
        shown = shown_tabs(*app().windows[0].chrome);
        return shown.is_array() && shown.size() == 2 && shown[1]["sleeping"] == true;
    })) << shown.dump();
    EXPECT_EQ(shown[1]["loading"], false) << "no spinner on a sleeping tab";
}

TEST_F(BrowserTest, EndedWebProcessReloadsTheActiveTabAndPutsABackgroundTabToSleep) {
    ASSERT_TRUE(create_window(app(), WindowKind::normal, {{url("/plain-front"), ""}}, 0));
    add_tab(app(), 0, url("/plain-back"), TabFocus::background, TabPlace::at_end);
    ASSERT_TRUE(wait_until([&] {
        return tab(0, 0).title == "Plain -front" && tab(0, 1).title == "Plain -back" &&
               !tab(0, 0).loading && !tab(0, 1).loading;
    }));

    tab(0, 1).webview->terminate_web_process();
    ASSERT_TRUE(wait_until([&] { return !tab(0, 1).webview; }));
    EXPECT_EQ(tab(0, 1).url, url("/plain-back"));
    EXPECT_EQ(tab(0, 1).title, "Plain -back");
    EXPECT_FALSE(tab(0, 1).loading);
    EXPECT_TRUE(tab(0, 0).webview);

    const std::size_t loads = world().server->count("/plain-front");
    evaluate(*tab(0, 0).webview, "window.ballast = 1");
    tab(0, 0).webview->terminate_web_process();
    // The active tab keeps its view and loads its page again.
    ASSERT_TRUE(wait_until([&] { return world().server->count("/plain-front") > loads; }));
    ASSERT_TRUE(tab(0, 0).webview);
    EXPECT_TRUE(wait_until([&] {
        return !tab(0, 0).loading && current_url(*tab(0, 0).webview) == url("/plain-front");
    }));
    EXPECT_EQ(evaluate(*tab(0, 0).webview, "typeof window.ballast"), "\"undefined\"");
}

} // namespace
} // namespace corvane::test
