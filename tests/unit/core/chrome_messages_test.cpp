// The chrome page's messages: tabs, navigation, clearing data, bookmarks, the per-site Shield
// switch, settings, panels, downloads, find, suggestions and the developer-tools bridge.
#include "core/chrome_messages.h"
#include "core/find.h"
#include "core_fixture.h"
#include "store/store.h"
#include "store/store_json.h"

#include <cmath>
#include <filesystem>
#include <ranges>

namespace corvane::test {
namespace {

using nlohmann::json;

class ChromeMessagesTest : public CoreTest {
protected:
    FakeWebView& page(std::size_t index = 0) { return fake(tab(0, index).webview); }
    // Sends a message from a window's page; the page calls it made there, joined by "|", with
    // each render written as "render".
    std::string reply(UiMsg message, std::size_t window = 0) {
        const std::size_t before = page_calls(chrome(window)).size();
        send(std::move(message), window);
        std::string joined;
        for (const std::string& call : page_calls(chrome(window)) | std::views::drop(before)) {
            joined += (joined.empty() ? "" : "|") + (call.starts_with("render(") ? "render" : call);
        }
        return joined;
    }
    // The first window's tab titles, the active one in brackets.
    std::string strip() const {
        std::string result;
        for (const Tab& t : app.windows[0].tabs) {
            result += &t == app.windows[0].active_tab() ? "[" + t.title + "]" : t.title;
        }
        return result;
    }
};

TEST_F(ChromeMessagesTest, ReadyRendersFocusesTheNewTabAddressAndTheOverlayMovesTheViews) {
    create_window(app, WindowKind::normal, {}, 0);
    create_window(app, WindowKind::normal, {{"https://a.test/", ""}}, 0);
    EXPECT_EQ(reply(msg::Ready{}) + "," + reply(msg::Ready{}, 1), "render|focusOmnibox(),render");
    EXPECT_TRUE(chrome().focused);
    // The overlay and the find bar move the chrome and the page.
    dynamic_cast<FakeWindow&>(*app.windows[0].window).size = {1000, 700};
    send(msg::Overlay{true});
    EXPECT_EQ(chrome().rect, (platform::Rect{0, 0, 1000, 700}));
    EXPECT_EQ(chrome().stack_index(), 1); // above the tab's view
    send(msg::Findbar{true});
    EXPECT_EQ(page().rect, (platform::Rect{0, 126, 1000, 574}));
    send(msg::Overlay{false});
    EXPECT_EQ(chrome().rect, (platform::Rect{0, 0, 1000, 126}));
    page().focused = false;
    send(msg::Findbar{false});
    EXPECT_EQ(chrome().rect, (platform::Rect{0, 0, 1000, 86}));
    EXPECT_EQ(page().scripts.back().script, "getSelection().removeAllRanges()");
    EXPECT_TRUE(page().focused);
}

TEST_F(ChromeMessagesTest, TabsAreSelectedMovedAndClosedByIdAndTheLastClosesTheWindow) {
    // (active, moved, to) -> titles; the active tab stays the active one
    const std::tuple<std::size_t, std::size_t, std::uint64_t, std::string> cases[] = {
        {0, 0, 2, "BC[A]"}, {0, 0, 99, "BC[A]"}, {2, 0, 1, "BA[C]"}, {1, 2, 0, "CA[B]"}};
    for (const auto& [active, moved, to, order] : cases) {
        app.windows.clear();
        open({{"https://a.test/", "A"}, {"https://b.test/", "B"}, {"https://c.test/", "C"}},
             active);
        EXPECT_EQ(reply(msg::MoveTab{tab(0, moved).id, to}), "render");
        EXPECT_EQ(strip(), order) << to;
    }
    send(msg::SelectTab{999});
    send(msg::CloseTab{999});
    EXPECT_EQ(reply(msg::MoveTab{999, 0}), "render");
    send(msg::SelectTab{tab(0, 1).id});
    EXPECT_EQ(strip(), "C[A]B");
    for (int i = 0; i < 3; ++i) {
        send(msg::CloseTab{tab(0, 0).id});
        handle_posted();
    }
    EXPECT_TRUE(app.windows.empty());
    EXPECT_EQ(app.closed_tabs,
              (std::deque<std::string>{"https://c.test/", "https://a.test/", "https://b.test/"}));
}

TEST_F(ChromeMessagesTest, ClearDataAlwaysWritesRefreshesAndToasts) {
    open({{"https://a.test/", "A"}, {"https://b.test/", "B"}});
    app.store.bookmarks.push_back({"https://kept.test/", "K", 1});
    // Recent visits weigh more: two today beat three a hundred days ago.
    app.store.history = {{"https://old.test/", "O", 3, wall - 100 * 86400},
                         {"https://new.test/", "N", 2, wall}};
    send(msg::CloseTab{tab(0, 1).id});
    const int& site_clears = dynamic_cast<FakeNetworkSession&>(*app.engine.default_store).clears;
    // (history, site data) -> history entries and closed tabs left; site data clears
    const std::tuple<bool, bool, std::size_t, int> cases[] = {
        {false, false, 1, 0}, {false, true, 1, 1}, {true, false, 0, 1}};
    for (const auto& [history, site, left, clears] : cases) {
        app.store.bookmarks_dirty = true;
        std::filesystem::remove(app.store.dir / "bookmarks.json");
        EXPECT_EQ(reply(msg::ClearData{history, site}), R"(toast("Browsing data cleared"))");
        EXPECT_EQ(load_store(app.store.dir).bookmarks, app.store.bookmarks);
        EXPECT_EQ(app.store.history.size() + app.closed_tabs.size() + site_clears,
                  3 * left + clears);
        const auto shown = app.newtab->copy();
        EXPECT_EQ(std::pair(shown.top_sites.size(), shown.bookmarks.size()),
                  std::pair(2 * left, 1ul));
        EXPECT_TRUE(!left || shown.top_sites[0].url == "https://new.test/");
    }
    EXPECT_EQ(read_file(app.store.dir / "history.json"), "[]");
}

TEST_F(ChromeMessagesTest, BookmarkTogglesTheLiveAddressOfWebPagesOnlyAndRemovesEveryCopy) {
    open({{"https://s.t/", "S"},
          {"https://z.t/", "Z"},
          {"corvane://newtab/", ""},
          {"file:///a.html", ""},
          {"corvane://ui/", ""},
          {"", ""},
          {"HTTPS://u.t/", ""},
          {"http://p.t/", "P"}});
    const std::string add = R"(toast("Bookmarked")|render)";
    const std::string remove = R"(toast("Bookmark removed")|render)";
    // (tab, its view's address) -> page calls; blank and asleep take the stored address
    // clang-format off
    const std::tuple<std::size_t, std::string, std::string> cases[] = {
        {0, "https://l.t/", add}, {0, "about:blank", add}, {0, "", remove}, {1, "", add},
        {2, "", ""}, {3, "", ""}, {4, "", ""}, {5, "", ""}, {6, "", ""}, {7, "", add}};
    // clang-format on
    for (const auto& [index, live, calls] : cases) {
        app.windows[0].active = index;
        if (tab(0, index).webview) {
            page(index).url = live;
        }
        EXPECT_EQ(reply(msg::ToggleBookmark{}), calls) << index;
        EXPECT_EQ(renders(chrome()).back()["bookmarked"], calls != remove) << index;
    }
    EXPECT_EQ(app.store.bookmarks, (std::vector<Bookmark>{{"https://l.t/", "S", wall},
                                                          {"https://z.t/", "Z", wall},
                                                          {"http://p.t/", "P", wall}}));
    EXPECT_EQ(app.newtab->copy().bookmarks,
              (std::vector<NewTabLink>{
                  {"http://p.t/", "P"}, {"https://z.t/", "Z"}, {"https://l.t/", "S"}}));
    EXPECT_FALSE(std::filesystem::exists(app.store.dir / "bookmarks.json")) << "until a flush";
    // Removing takes every copy, byte for byte, and refreshes the panel.
    app.store.bookmarks = {{"https://x.test/", "X", 1},
                           {"http://y.test/", "Y", 2},
                           {"https://z.test/", "Z", 3},
                           {"https://x.test/", "X2", 4}};
    send(msg::RemoveBookmark{"https://X.test/"});
    EXPECT_EQ(
        reply(msg::RemoveBookmark{"https://x.test/"}),
        R"(panel("bookmarks",{"items":[{"display":"z.test","favicon":)"
        R"("https://z.test/favicon.ico","title":"Z","url":"https://z.test/"},)"
        R"({"display":"y.test","favicon":null,"title":"Y","url":"http://y.test/"}]})|render)");
    EXPECT_EQ(app.store.bookmarks,
              (std::vector<Bookmark>{{"http://y.test/", "Y", 2}, {"https://z.test/", "Z", 3}}));
    EXPECT_TRUE(app.store.bookmarks_dirty);
}

TEST_F(ChromeMessagesTest, SuggestionsAndTheStarAnswerTheWindowThatAskedCommandsTheCurrentOne) {
    open({{"https://one.test/", "1"}});
    open({{"https://two.test/", "2"}});
    // What is suggested is the address suggester's; the core answers the window that asked,
    // naming the text it answers.
    app.store.history.push_back({"https://www.example.com/page", "Example page", 2, wall});
    EXPECT_TRUE(
        reply(msg::Suggest{"example.co", true}).ends_with(R"(}],"example.com","example.co"))"));
    EXPECT_TRUE(reply(msg::Suggest{"example.co", false}).ends_with(R"(],null,"example.co"))"));
    EXPECT_EQ(reply(msg::ToggleBookmark{}), R"(toast("Bookmarked")|render)");
    EXPECT_TRUE(page_calls(chrome(1)).empty());
    for (const UiMsg& message :
         {UiMsg{msg::Cmd{"bookmark"}}, UiMsg{msg::Cmd{"zoomIn"}}, UiMsg{msg::NewTab{}}}) {
        send(message);
    }
    EXPECT_EQ(app.store.bookmarks.back().url, "https://two.test/");
    EXPECT_EQ(page_calls(chrome(1))[0], R"(toast("Bookmarked"))");
    EXPECT_EQ(tab_urls(1), (std::vector<std::string>{"https://two.test/", "corvane://newtab/"}));
    EXPECT_EQ(tab(1, 0).zoom + tab(0, 0).zoom, 2.1);
    EXPECT_EQ(tab_urls(0).size(), 1u);
}

TEST_F(ChromeMessagesTest, SettingsTheShieldSwitchAndPanelsActOnTheActiveTab) {
    open({{"https://www.shop.test/", ""},
          {"http://plain.test/", ""},
          {"file:///tmp/a.html", ""},
          {"corvane://newtab/", ""}});
    // (key, value) -> page calls (written when it renders); the member afterwards, read back from
    // the file when written. Numbers out of range or not whole leave the member, but are written.
    const std::string r = "render";
    // clang-format off
    const std::tuple<std::string, json, std::string, std::string> cases[] = {
        {"block_trackers", false, R"(toast("Shield off")|render)", "false"},
        {"block_trackers", true, R"(toast("Shield on. Reload pages to apply it")|render)", "true"},
        {"https_only", false, R"(toast("Applies to new tabs")|render)", "false"},
        {"search_engine", "google", r, R"("google")"}, {"search_engine", "Bing", "", R"("google")"},
        {"search_engine", nullptr, "", R"("google")"}, {"https_only", "true", "", "false"},
        {"Block_trackers", false, "", "null"}, {"restore_session", false, r, "false"},
        {"sleep_after_mins", 1440u, r, "1440"}, {"sleep_after_mins", 1441u, r, "1440"},
        {"sleep_after_mins", 0u, r, "0"}, {"sleep_after_mins", 10.5, r, "0"},
        {"max_awake_tabs", 50u, r, "50"}, {"max_awake_tabs", 51u, r, "50"},
        {"max_awake_tabs", 1u, r, "1"}, {"max_awake_tabs", 0u, r, "1"}};
    // clang-format on
    for (const auto& [key, value, calls, member] : cases) {
        SCOPED_TRACE(key + " = " + value.dump());
        std::filesystem::remove(app.store.dir / kSettingsFile);
        EXPECT_EQ(reply(msg::Setting{key, value}), calls);
        const Settings kept =
            calls.empty() ? app.store.settings : load_store(app.store.dir).settings;
        EXPECT_EQ(settings_to_json(kept).value(key, json()).dump(), member);
    }
    EXPECT_EQ(app.newtab->copy().engine_name, "Google");
    for (const bool https_only : {false, true}) { // a new tab takes the setting as it stands
        app.store.settings.https_only = https_only;
        run("newTab");
        EXPECT_EQ(bool(fake(app.windows[0].tabs.back().webview).options.https_upgrade), https_only);
    }
    app.windows[0].tabs.resize(4);
    app.windows[0].active = 0;
    // The per-site switch keeps each host once, writes at once and installs the rules anew.
    const std::pair<bool, std::vector<std::string>> switches[] = {
        {false, {"shop.test"}}, {false, {"shop.test"}}, {true, {}}};
    std::vector<std::string> rule_lists;
    for (const auto& [on, allowed] : switches) {
        EXPECT_TRUE(reply(msg::ShieldSite{on}).starts_with(R"(panel("shield",)"));
        EXPECT_EQ(load_store(app.store.dir).settings.shield_allowlist, allowed);
        EXPECT_EQ(renders(chrome()).back()["shieldActive"], on);
        ASSERT_FALSE(platform.filter_store->lookups.empty());
        rule_lists.push_back(platform.filter_store->lookups.back().first);
    }
    EXPECT_EQ(json(rule_lists), json({rule_lists[0], rule_lists[0], rule_lists[2]}));
    EXPECT_NE(rule_lists[0], rule_lists[2]);
    app.windows[0].active = 2; // no host: nothing at all
    EXPECT_EQ(reply(msg::ShieldSite{false}), "");
    EXPECT_TRUE(app.store.settings.shield_allowlist.empty());
    EXPECT_EQ(reply(msg::Panel{"clear"}) + reply(msg::Panel{"Clear"}), R"(panel("clear",{}))");
    // History: newest first, equal times in stored order, at most 1,500 entries.
    app.store.history.assign(1501, {"https://h.test/", "old", 1, wall - 9});
    app.store.history.front() = {"https://h.test:8080/a", "tie", 1, wall};
    app.store.history.back() = {"https://h.test/b", "tie2", 1, wall};
    const std::string history = reply(msg::Panel{"history"});
    const json items = json::parse(history.substr(16, history.size() - 17))["items"];
    EXPECT_EQ(json({items.size(), items[0]["title"], items[1]["title"], items[2]["title"]}),
              json({1500, "tie", "tie2", "old"}));
    app.downloads = {{"https://d.test/a", "/d/a.bin", "done"}};
    app.downloads_unseen = true; // the dot goes before the list arrives
    EXPECT_EQ(reply(msg::Panel{"downloads"}),
              R"(render|panel("downloads",{"items":[{"name":"a.bin","path":"/d/a.bin",)"
              R"("state":"done","url":"https://d.test/a"}]}))");
    EXPECT_EQ(renders(chrome()).back()["downloadsUnseen"], false);
    // Show in Files counts from the newest.
    app.downloads = {{"u1", "/d/1", "done"}, {"u2", "/d/2", "done"}, {"u3", "/d/3", "active"}};
    for (const std::uint64_t index : {0ul, 2ul, 3ul, UINT64_MAX}) {
        send(msg::RevealDownload{index});
    }
    EXPECT_EQ(platform.system_.revealed, (std::vector<std::string>{"/d/3", "/d/1"}));
    app.store.settings.shield_allowlist = {"shop.test"};
    // active tab -> host, newtab, security, site on; three of the four tabs sleep
    const char* const shield[] = {
        R"({"certificateRefused":false,"enabled":true,"host":"shop.test","newtab":false,)"
        R"("sec":"secure","siteOn":false,)",
        R"({"certificateRefused":false,"enabled":true,"host":"plain.test","newtab":false,)"
        R"("sec":"insecure","siteOn":true,)",
        R"({"certificateRefused":false,"enabled":true,"host":"","newtab":false,"sec":"local",)"
        R"("siteOn":true,)",
        R"({"certificateRefused":false,"enabled":true,"host":"","newtab":true,)"
        R"("sec":"internal","siteOn":true,)"};
    for (std::size_t i = 0; i < 4; ++i) {
        app.windows[0].active = i;
        const std::string call = reply(msg::Panel{"shield"}); // panel("shield",{...})
        json got = json::parse(call.substr(15, call.size() - 16));
        got.erase("rules"); // the blocklist's size and the memory use are measured elsewhere
        got.erase("memoryMB");
        EXPECT_EQ(got.dump(), shield[i] + std::string(R"("sleeping":3})"));
    }
    // An https page that did not come over a connection the engine accepted (an error page) is
    // not secure, in the card and in the address field.
    app.windows[0].active = 0;
    page().secure_connection = false;
    EXPECT_NE(reply(msg::Panel{"shield"}).find(R"("certificateRefused":false,)"),
              std::string::npos);
    EXPECT_NE(reply(msg::Panel{"shield"}).find(R"("sec":"insecure")"), std::string::npos);
    // Its certificate refused, the card says so.
    page().refused_certificate = true;
    EXPECT_NE(reply(msg::Panel{"shield"}).find(R"("certificateRefused":true,)"), std::string::npos);
    send(msg::SelectTab{tab(0, 0).id});
    EXPECT_EQ(renders(chrome()).back()["sec"], "insecure");
}

// What the find script finds, the 512-character cut and the bar's status are shown on a real
// page by the window integration test; a sleeping tab's developer-tools answer too.
TEST_F(ChromeMessagesTest, FindStopFocusDevToolsAndNavigateActOnTheActiveTab) {
    open({{"https://a.test/", "A"}, {"https://b.test/", "B"}});
    send(msg::Find{"", false, true}); // an empty query clears the selection
    EXPECT_EQ(page().scripts.back().script, "getSelection().removeAllRanges()");
    page().focused = false;
    send(msg::Stop{});
    send(msg::FocusPage{});
    EXPECT_TRUE(page().focused);
    EXPECT_EQ(page().calls.end()[-2], "evaluate_script window.stop()");
    // A sleeping tab is not searched, stopped or woken; a result for a gone window is dropped.
    app.windows[0].active = 1;
    send(msg::Find{"a", false, true});
    send(msg::Stop{});
    send(msg::FocusPage{});
    EXPECT_FALSE(tab(0, 1).webview);
    handle_find_result(app, event::FindResult{999, false});
    // The developer tools' code runs in the awake active tab only, up to 256 KiB of it.
    app.windows[0].active = 0;
    page().scripts.clear();
    send(msg::Cmd{"devtools"});
    send(msg::DevEval{1, std::string(262144, ' ')});
    ASSERT_EQ(page().scripts.size(), 1u);
    ASSERT_TRUE(page().complete_script(R"({"v":1})"));
    send(msg::DevEval{2, std::string(262145, ' ')});
    app.windows[0].active = 1;
    send(msg::DevEval{3, "1+1"}); // the sleeping tab stays asleep (window integration test)
    EXPECT_TRUE(page().scripts.empty());
    std::string replies;
    for (UserEvent& event : take_posted()) {
        const auto& result = std::get<event::DevEvalResult>(event);
        replies += std::to_string(result.id) + (result.window == app.windows[0].id() ? "" : "?") +
                   result.result + " ";
    }
    EXPECT_EQ(replies, R"(1{"v":1} 2null 3null )");
    // A result over 4 MiB reaches the pane as null.
    handle(event::DevEvalResult{std::string(4194305, '1'), app.windows[0].id(), 9});
    EXPECT_EQ(page_calls(fake(app.windows[0].devtools)).back(), R"(reply(9,"null"))");
    // clang-format off
    const double heights[][2] = {
        {50, 120}, {5000, 2000}, {300.5, 300.5}, {NAN, 300.5}, {INFINITY, 300.5}, {-INFINITY, 300.5}, {-5, 120}};
    // clang-format on
    for (const auto& [h, stored] : heights) {
        send(msg::DevResize{h});
        EXPECT_EQ(app.windows[0].devtools_height, stored) << h;
    }
    // A request from a pane that has closed meanwhile gets no answer; closing no pane opens none.
    send(msg::Cmd{"devtools"});
    send(msg::DevEval{4, "1+1"});
    EXPECT_TRUE(take_posted().empty());
    send(msg::DevClose{});
    EXPECT_FALSE(app.windows[0].devtools);
    // Navigating loads in the active tab, waking it, or in a new one; refused input toasts. The
    // tab takes the URL only when its load starts: a page that refuses to be left ("Stay on
    // Page") keeps its address in the field, the bookmark and the session.
    app.windows[0].active = 0;
    // An address the browser turned to https falls back to http when the site has none.
    send(msg::Navigate{"example.com", false});
    EXPECT_EQ(page().calls.end()[-3], "load_url https://example.com/");
    EXPECT_EQ(page().calls.end()[-2],
              "expect_https_fallback https://example.com/ http://example.com/");
    EXPECT_EQ(page().calls.back(), "focus");
    run("bookmark");
    save_session_now(app);
    EXPECT_EQ(
        std::tuple(tab(0, 0).url, renders(chrome()).back()["url"], app.store.bookmarks.back().url,
                   app.store.session[0].tabs[0].url),
        std::tuple("https://a.test/", "https://a.test/", "https://a.test/", "https://a.test/"));
    handle(event::PageLoad{"https://example.com/", tab(0, 0).id, true, tab(0, 0).view});
    app.windows[0].active = 1; // asleep and active, as after a failed wake
    send(msg::Navigate{"https://c.test/x", false});
    EXPECT_EQ(page(1).options.url, "https://c.test/x");
    tab(0, 1).webview.reset();
    send(msg::OpenUrl{"corvane://newtab/", true});
    EXPECT_FALSE(tab(0, 1).webview) << "with a new tab the sleeping one stays asleep";
    EXPECT_EQ(reply(msg::Navigate{"JavaScript:alert(1)", true}),
              R"(toast("Blocked: blocked scheme"))");
    send(msg::Navigate{"http://d.test/y", true});
    EXPECT_EQ(page(3).calls.back(), "expect_https_fallback https://d.test/y http://d.test/y");
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://example.com/", "https://c.test/x",
                                                     "corvane://newtab/", "https://d.test/y"}));
    EXPECT_EQ(app.windows[0].active, 3u);
}

} // namespace
} // namespace corvane::test
