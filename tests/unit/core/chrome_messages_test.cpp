// The chrome page's messages: tabs, navigation, clearing data, bookmarks, the per-site Shield
// switch, downloads, find, suggestions, panels and the developer-tools bridge.
#include "core/chrome_messages.h"
#include "core/commands.h"
#include "core/find.h"
#include "core_fixture.h"
#include "store/store.h"

#include <cmath>
#include <filesystem>
#include <limits>

namespace corvane::test {
namespace {

class ChromeMessagesTest : public CoreTest {
protected:
    FakeWebView& page(std::size_t index = 0) { return fake(tab(0, index).webview); }
    std::vector<std::string> titles() {
        std::vector<std::string> result;
        for (const Tab& t : app.windows[0].tabs) {
            result.push_back(t.title);
        }
        return result;
    }
    std::vector<std::string> bookmark_urls() const {
        std::vector<std::string> urls;
        for (const Bookmark& bookmark : app.store.bookmarks) {
            urls.push_back(bookmark.url);
        }
        return urls;
    }
    // The page calls added since `before` calls.
    std::vector<std::string> calls_since(std::size_t before, std::size_t window = 0) {
        const std::vector<std::string> calls = page_calls(chrome(window));
        return {calls.begin() + static_cast<long>(before), calls.end()};
    }
};

TEST_F(ChromeMessagesTest, ReadyRendersAndFocusesTheAddressOnTheNewTabPage) {
    create_window(app, WindowKind::normal, {}, 0);
    send(msg::Ready{});
    EXPECT_TRUE(app.windows[0].ready_seen);
    EXPECT_EQ(page_calls(chrome()).size(), 2u);
    EXPECT_EQ(page_calls(chrome()).back(), "focusOmnibox()");
    EXPECT_TRUE(chrome().focused);

    create_window(app, WindowKind::normal, {{"https://a.test/", ""}}, 0);
    send(msg::Ready{}, 1);
    ASSERT_EQ(page_calls(chrome(1)).size(), 1u);
    EXPECT_TRUE(page_calls(chrome(1))[0].starts_with("render("));
}

TEST_F(ChromeMessagesTest, MoveTabKeepsTheActiveTab) {
    struct Case {
        std::size_t active;
        std::size_t moved;
        std::uint64_t to;
        std::vector<std::string> order;
    };
    const Case cases[] = {{0, 0, 2, {"B", "C", "A"}},
                          {0, 0, 99, {"B", "C", "A"}},
                          {2, 0, 1, {"B", "A", "C"}},
                          {1, 2, 0, {"C", "A", "B"}}};
    for (const Case& c : cases) {
        app.windows.clear();
        open({{"https://a.test/", "A"}, {"https://b.test/", "B"}, {"https://c.test/", "C"}},
             c.active);
        const std::string active_title = tab(0, c.active).title;
        send(msg::MoveTab{tab(0, c.moved).id, c.to});
        EXPECT_EQ(titles(), c.order) << c.moved << " to " << c.to;
        EXPECT_EQ(app.windows[0].active, 2u);
        EXPECT_EQ(tab(0, app.windows[0].active).title, active_title);
    }
    // An unknown id changes nothing but renders again.
    const std::size_t before = renders(chrome()).size();
    send(msg::MoveTab{999, 0});
    EXPECT_EQ(renders(chrome()).size(), before + 1);
}

TEST_F(ChromeMessagesTest, ClosingTheLastTabClosesTheWindow) {
    open({{"https://a.test/", "A"}, {"https://b.test/", "B"}});
    send(msg::SelectTab{tab(0, 1).id});
    EXPECT_EQ(app.windows[0].active, 1u);
    send(msg::SelectTab{999});
    EXPECT_EQ(app.windows[0].active, 1u);
    send(msg::CloseTab{tab(0, 1).id});
    send(msg::CloseTab{tab(0, 0).id});
    EXPECT_TRUE(app.windows.empty());
    EXPECT_EQ(app.closed_tabs, (std::deque<std::string>{"https://b.test/", "https://a.test/"}));
}

TEST_F(ChromeMessagesTest, OverlayAndFindBarMoveTheChromeAndThePage) {
    create_window(app, WindowKind::normal, {}, 0);
    dynamic_cast<FakeWindow&>(*app.windows[0].window).size = {1000, 700};
    send(msg::Overlay{true});
    EXPECT_EQ(chrome().rect, (platform::Rect{0, 0, 1000, 700}));
    EXPECT_EQ(chrome().stack_index(), 1); // above the tab's view
    send(msg::Findbar{true});
    EXPECT_TRUE(page().scripts.empty());
    EXPECT_EQ(page().rect, (platform::Rect{0, 126, 1000, 574}));
    send(msg::Overlay{false});
    EXPECT_EQ(chrome().rect, (platform::Rect{0, 0, 1000, 126}));
    // Closing the find bar gives the page its focus back.
    page().focused = false;
    send(msg::Findbar{false});
    EXPECT_EQ(chrome().rect, (platform::Rect{0, 0, 1000, 86}));
    EXPECT_EQ(page().rect, (platform::Rect{0, 86, 1000, 614}));
    EXPECT_EQ(page().scripts.back().script, "getSelection().removeAllRanges()");
    EXPECT_TRUE(page().focused);
}

TEST_F(ChromeMessagesTest, NavigateLoadsInTheActiveTabOrANewOne) {
    open({{"https://a.test/", "A"}});
    send(msg::Navigate{"example.com", false});
    EXPECT_EQ(tab(0, 0).url, "https://example.com/");
    EXPECT_EQ(page().calls.back(), "focus");
    send(msg::OpenUrl{"corvane://newtab/", true});
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://example.com/", "corvane://newtab/"}));
    EXPECT_EQ(app.windows[0].active, 1u);

    const std::size_t before = page_calls(chrome()).size();
    for (const std::string& text :
         {std::string("   "), std::string("JavaScript:alert(1)"), std::string(8193, 'a')}) {
        send(msg::Navigate{text, true});
    }
    EXPECT_EQ(app.windows[0].tabs.size(), 2u);
    EXPECT_EQ(calls_since(before), (std::vector<std::string>{R"(toast("Blocked: empty"))",
                                                             R"(toast("Blocked: blocked scheme"))",
                                                             R"(toast("Blocked: too long"))"}));
}

TEST_F(ChromeMessagesTest, NavigatingASleepingTabWakesItOnTheNewUrl) {
    create_window(app, WindowKind::normal, {{"https://a.test/", "A"}, {"https://b.test/", "B"}}, 1);
    app.windows[0].active = 0; // asleep and active, as after a failed wake
    send(msg::Navigate{"https://c.test/x", false});
    ASSERT_TRUE(tab(0, 0).webview);
    EXPECT_EQ(page().options.url, "https://c.test/x");
    // With a new tab the sleeping one stays asleep.
    app.windows[0].tabs[0].webview.reset();
    send(msg::Navigate{"https://d.test/", true});
    EXPECT_FALSE(tab(0, 0).webview);
    EXPECT_EQ(tab(0, 1).url, "https://d.test/");
}

TEST_F(ChromeMessagesTest, ClearDataAlwaysWritesRefreshesAndToasts) {
    open({{"https://a.test/", "A"}, {"https://b.test/", "B"}});
    app.store.bookmarks.push_back({"https://kept.test/", "K", 1});
    app.store.bookmarks_dirty = true;
    app.store.history.push_back({"https://seen.test/", "S", 3, wall});
    send(msg::CloseTab{tab(0, 1).id});
    auto& site_data = dynamic_cast<FakeNetworkSession&>(*app.engine.default_store);

    send(msg::ClearData{false, false});
    EXPECT_EQ(page_calls(chrome()).back(), R"(toast("Browsing data cleared"))");
    EXPECT_NE(read_file(app.store.dir / "bookmarks.json").find("kept.test"), std::string::npos);
    EXPECT_EQ(app.store.history.size(), 1u);
    EXPECT_EQ(app.closed_tabs.size(), 1u);
    EXPECT_EQ(app.newtab->copy().bookmarks.size(), 1u);

    send(msg::ClearData{true, false});
    EXPECT_TRUE(app.store.history.empty());
    EXPECT_EQ(read_file(app.store.dir / "history.json"), "[]");
    EXPECT_TRUE(app.closed_tabs.empty());
    EXPECT_TRUE(app.newtab->copy().top_sites.empty());
    EXPECT_EQ(site_data.clears, 0);

    send(msg::ClearData{false, true});
    EXPECT_EQ(site_data.clears, 1);
    const std::vector<std::string> calls = page_calls(chrome());
    EXPECT_EQ(std::count(calls.begin(), calls.end(), R"(toast("Browsing data cleared"))"), 3);
}

TEST_F(ChromeMessagesTest, BookmarkTwiceAddsThenRemovesWithToastStarAndNewTabData) {
    open({{"https://a.test/x", "Page A"}});
    page().url = "https://a.test/x";
    const auto file = app.store.dir / "bookmarks.json";

    send(msg::ToggleBookmark{});
    EXPECT_EQ(app.store.bookmarks, (std::vector<Bookmark>{{"https://a.test/x", "Page A", wall}}));
    EXPECT_EQ(page_calls(chrome()).end()[-2], R"(toast("Bookmarked"))");
    EXPECT_EQ(renders(chrome()).back()["bookmarked"], true);
    EXPECT_EQ(app.newtab->copy().bookmarks,
              (std::vector<NewTabLink>{{"https://a.test/x", "Page A"}}));
    EXPECT_FALSE(std::filesystem::exists(file)) << "written at the next flush, not here";
    flush_store(app.store);
    EXPECT_NE(read_file(file).find("https://a.test/x"), std::string::npos);

    send(msg::ToggleBookmark{});
    EXPECT_TRUE(app.store.bookmarks.empty());
    EXPECT_EQ(page_calls(chrome()).end()[-2], R"(toast("Bookmark removed"))");
    EXPECT_EQ(renders(chrome()).back()["bookmarked"], false);
    EXPECT_TRUE(app.newtab->copy().bookmarks.empty());
    EXPECT_TRUE(app.store.bookmarks_dirty);
}

TEST_F(ChromeMessagesTest, BookmarksTakeTheLiveAddressAndOnlyWebPages) {
    open({{"https://stored.test/", "S"},
          {"https://asleep.test/", "Z"},
          {"corvane://newtab/", ""},
          {"file:///home/u/a.html", "F"},
          {"corvane://ui/index.html", "U"},
          {"", ""},
          {"HTTPS://upper.test/", "H"},
          {"http://plain.test/", "P"}});
    page().url = "https://live.test/after-redirect";
    run("bookmark");
    page().url = "about:blank";
    run("bookmark");
    page().url = "";
    run("bookmark");                      // the stored address again: removed
    for (std::size_t i = 1; i < 9; ++i) { // the tabs past the first sleep: stored addresses
        app.windows[0].active = i;
        run("bookmark");
    }
    EXPECT_EQ(bookmark_urls(),
              (std::vector<std::string>{"https://live.test/after-redirect", "https://asleep.test/",
                                        "http://plain.test/"}));
    const std::vector<std::string> calls = page_calls(chrome());
    EXPECT_EQ(std::count(calls.begin(), calls.end(), R"(toast("Bookmarked"))"), 4);
}

TEST_F(ChromeMessagesTest, TheStarToastsInTheWindowThatSentItAndTheCommandInTheCurrentOne) {
    open({{"https://one.test/", "1"}});
    open({{"https://two.test/", "2"}});
    ASSERT_EQ(current_window_index(app), 1u);
    send(msg::ToggleBookmark{});
    EXPECT_EQ(bookmark_urls(), (std::vector<std::string>{"https://one.test/"}));
    EXPECT_EQ(page_calls(chrome(0)).end()[-2], R"(toast("Bookmarked"))");
    EXPECT_TRUE(page_calls(chrome(1)).empty());
    send(msg::Cmd{"bookmark"});
    EXPECT_EQ(bookmark_urls(),
              (std::vector<std::string>{"https://one.test/", "https://two.test/"}));
    EXPECT_EQ(page_calls(chrome(1)).end()[-2], R"(toast("Bookmarked"))");
    // Other commands from a window's page act on the current window too.
    send(msg::Cmd{"zoomIn"});
    send(msg::NewTab{});
    EXPECT_EQ(tab(1, 0).zoom, 1.1);
    EXPECT_EQ(tab(0, 0).zoom, 1.0);
    EXPECT_EQ(app.windows[0].tabs.size(), 1u);
    EXPECT_EQ(app.windows[1].tabs.size(), 2u);
    send(msg::Reload{});
    EXPECT_EQ(fake(tab(1, 1).webview).calls.back(), "reload");
    EXPECT_EQ(std::count(page().calls.begin(), page().calls.end(), "reload"), 0);
}

TEST_F(ChromeMessagesTest, RemoveBookmarkRemovesEveryCopyAndRefreshesThePanel) {
    open({{"https://a.test/", "A"}});
    app.store.bookmarks = {
        {"https://x.test/", "X", 1}, {"https://y.test/", "Y", 2}, {"https://x.test/", "X2", 3}};
    send(msg::RemoveBookmark{"https://x.test/"});
    EXPECT_EQ(app.store.bookmarks, (std::vector<Bookmark>{{"https://y.test/", "Y", 2}}));
    EXPECT_TRUE(app.store.bookmarks_dirty);
    EXPECT_EQ(app.newtab->copy().bookmarks, (std::vector<NewTabLink>{{"https://y.test/", "Y"}}));
    EXPECT_TRUE(page_calls(chrome()).back().starts_with("render("));
    send(msg::RemoveBookmark{"https://X.test/"}); // byte for byte
    EXPECT_EQ(app.store.bookmarks.size(), 1u);
}

TEST_F(ChromeMessagesTest, ShieldSiteKeepsEachHostOnceAndReinstallsTheRules) {
    open({{"https://www.shop.test/cart", "Shop"}, {"file:///tmp/a.html", "F"}});
    FakeContentFilterStore& rules = *platform.filter_store;
    const int lookups = rules.lookup_calls;

    send(msg::ShieldSite{false});
    send(msg::ShieldSite{false});
    EXPECT_EQ(app.store.settings.shield_allowlist, (std::vector<std::string>{"shop.test"}));
    EXPECT_NE(read_file(app.store.dir / "settings.json").find(R"(["shop.test"])"),
              std::string::npos);
    EXPECT_EQ(rules.lookup_calls, lookups + 2);
    EXPECT_EQ(renders(chrome()).back()["shieldActive"], false);

    send(msg::ShieldSite{true});
    EXPECT_TRUE(app.store.settings.shield_allowlist.empty());
    EXPECT_EQ(renders(chrome()).back()["shieldActive"], true);
    EXPECT_EQ(read_file(app.store.dir / "settings.json").find("shop.test"), std::string::npos);

    // A page without a host changes nothing at all.
    app.windows[0].active = 1;
    const std::size_t scripts_before = chrome().scripts.size();
    send(msg::ShieldSite{false});
    EXPECT_TRUE(app.store.settings.shield_allowlist.empty());
    EXPECT_EQ(rules.lookup_calls, lookups + 3);
    EXPECT_EQ(chrome().scripts.size(), scripts_before);
}

TEST_F(ChromeMessagesTest, RevealDownloadCountsFromTheNewest) {
    open({});
    app.downloads = {{"u1", "/d/first.bin", "done"},
                     {"u2", "/d/second.bin", "done"},
                     {"u3", "/d/third.bin", "active"}};
    for (const std::uint64_t index : {0ul, 2ul, 3ul, std::numeric_limits<std::uint64_t>::max()}) {
        send(msg::RevealDownload{index});
    }
    EXPECT_EQ(platform.system_.revealed,
              (std::vector<std::string>{"/d/third.bin", "/d/first.bin"}));
}

TEST_F(ChromeMessagesTest, FindSearchesTheAwakeActiveTabAndReportsInTheFindBar) {
    open({{"https://a.test/", "A"}, {"https://b.test/", "B"}});
    send(msg::Find{"say \"hi\"\\\n", true, false});
    ASSERT_EQ(page().scripts.size(), 1u);
    EXPECT_EQ(page().scripts[0].script,
              R"JS((()=>{if(false){const s=getSelection();s&&s.removeAllRanges()}return )JS"
              R"JS(window.find("say \"hi\"\\\n",false,true,true,false,true,false)})())JS");
    ASSERT_TRUE(page().complete_script(" true\n"));
    send(msg::Find{"zz", false, true});
    EXPECT_TRUE(page().scripts[0].script.starts_with("(()=>{if(true){"));
    ASSERT_TRUE(page().complete_script("false"));
    // Each answer arrives as an event and writes the find bar's status.
    for (UserEvent& event : take_posted()) {
        handle_find_result(app, std::get<event::FindResult>(event));
    }
    const std::vector<std::string> status = scripts(chrome());
    EXPECT_EQ(std::vector<std::string>(status.end() - 2, status.end()),
              (std::vector<std::string>{
                  R"(document.getElementById('find-status').textContent="")",
                  R"(document.getElementById('find-status').textContent="Not found")"}));

    // Long queries are cut to 512 characters (not bytes); an empty one clears the selection.
    std::string expected;
    for (int i = 0; i < 512; ++i) {
        expected += "é";
    }
    send(msg::Find{expected + "éé", false, false});
    EXPECT_NE(page().scripts.back().script.find("find(\"" + expected + "\","), std::string::npos);
    EXPECT_EQ(page().scripts.back().script.find(expected + "é"), std::string::npos);
    send(msg::Find{"", false, true});
    EXPECT_EQ(page().scripts.back().script, "getSelection().removeAllRanges()");
    EXPECT_FALSE(page().scripts.back().done);

    // A sleeping tab is not searched or woken.
    app.windows[0].active = 1;
    send(msg::Find{"a", false, true});
    EXPECT_FALSE(tab(0, 1).webview);
    // A result for a window that has gone is dropped.
    handle_find_result(app, event::FindResult{999, false});
}

TEST_F(ChromeMessagesTest, StopAndFocusPageActOnTheAwakeActiveTabOnly) {
    open({{"https://a.test/", "A"}, {"https://b.test/", "B"}});
    page().focused = false;
    send(msg::Stop{});
    send(msg::FocusPage{});
    EXPECT_TRUE(page().focused);
    EXPECT_NE(std::find(page().calls.begin(), page().calls.end(), "evaluate_script window.stop()"),
              page().calls.end());
    app.windows[0].active = 1;
    send(msg::Stop{});
    send(msg::FocusPage{});
    EXPECT_FALSE(tab(0, 1).webview);
}

TEST_F(ChromeMessagesTest, SuggestAnswersTheWindowThatAsked) {
    open({{"https://a.test/", "A"}});
    open({{"https://b.test/", "B"}});
    app.store.history.push_back({"https://www.example.com/page", "Example page", 2, wall});
    send(msg::Suggest{"example.co", true});
    const std::string call = page_calls(chrome(0)).back();
    ASSERT_TRUE(call.starts_with("suggest([")) << call;
    EXPECT_TRUE(call.ends_with(R"(],"example.com"))")) << call;
    EXPECT_NE(call.find(R"("url":"https://www.example.com/")"), std::string::npos);
    EXPECT_NE(call.find(R"("title":"Example page")"), std::string::npos);
    send(msg::Suggest{"example.co", false});
    EXPECT_TRUE(page_calls(chrome(0)).back().ends_with("],null)"));
    for (const std::string& other : page_calls(chrome(1))) {
        EXPECT_FALSE(other.starts_with("suggest(")) << other;
    }
}

TEST_F(ChromeMessagesTest, PanelsAnswerOnlyTheirOwnNames) {
    open({{"https://a.test/", "A"}});
    const std::size_t before = page_calls(chrome()).size();
    for (const char* name : {"about", "clear", "Clear", "nonsense"}) {
        send(msg::Panel{name});
    }
    EXPECT_EQ(calls_since(before),
              (std::vector<std::string>{
                  R"JS(panel("about",{"engine":"WebKitGTK (system engine)","version":"0.2.0"}))JS",
                  R"(panel("clear",{}))"}));
}

TEST_F(ChromeMessagesTest, ShieldPanelDescribesTheActiveTab) {
    open({{"https://www.shop.test/", ""},
          {"http://plain.test/", ""},
          {"file:///tmp/a.html", ""},
          {"corvane://newtab/", ""}});
    app.store.settings.shield_allowlist = {"shop.test"};
    struct Case {
        std::string host;
        bool newtab;
        std::string sec;
        bool site_on;
    };
    const Case cases[] = {{"shop.test", false, "secure", false},
                          {"plain.test", false, "insecure", true},
                          {"", false, "local", true},
                          {"", true, "internal", true}};
    for (std::size_t i = 0; i < 4; ++i) {
        app.windows[0].active = i;
        send(msg::Panel{"shield"});
        const std::string call = page_calls(chrome()).back();
        ASSERT_TRUE(call.starts_with(R"(panel("shield",)")) << call;
        const nlohmann::json data = nlohmann::json::parse(call.substr(15, call.size() - 16));
        EXPECT_EQ(data["host"], cases[i].host) << i;
        EXPECT_EQ(data["newtab"], cases[i].newtab) << i;
        EXPECT_EQ(data["sec"], cases[i].sec) << i;
        EXPECT_EQ(data["siteOn"], cases[i].site_on) << i;
        EXPECT_EQ(data["sleeping"], 3) << i;
        EXPECT_EQ(data["enabled"], true);
    }
    // Opening the downloads panel clears the dot in every window.
    app.downloads_unseen = true;
    send(msg::Panel{"downloads"});
    EXPECT_EQ(renders(chrome()).back()["downloadsUnseen"], false);
    EXPECT_EQ(page_calls(chrome()).back(), R"(panel("downloads",{"items":[]}))");
}

TEST_F(ChromeMessagesTest, DevEvalRefusesWithoutAnAwakeTabOrForTooMuchCode) {
    open({{"https://a.test/", "A"}, {"https://b.test/", "B"}});
    send(msg::Cmd{"devtools"});
    send(msg::DevEval{1, std::string(262144, ' ')});
    ASSERT_EQ(page().scripts.size(), 1u);
    EXPECT_EQ(page().scripts[0].script.size(), 262144u);
    ASSERT_TRUE(page().complete_script(R"({"v":1})"));
    send(msg::DevEval{2, std::string(262145, ' ')});
    app.windows[0].active = 1;
    send(msg::DevEval{3, "1+1"});
    EXPECT_FALSE(tab(0, 1).webview) << "the sleeping tab stays asleep";
    EXPECT_EQ(page().scripts.size(), 0u);

    std::vector<std::pair<std::uint64_t, std::string>> replies;
    for (UserEvent& event : take_posted()) {
        const auto& result = std::get<event::DevEvalResult>(event);
        EXPECT_EQ(result.window, app.windows[0].id());
        replies.emplace_back(result.id, result.result);
    }
    EXPECT_EQ(replies, (std::vector<std::pair<std::uint64_t, std::string>>{
                           {1, R"({"v":1})"}, {2, "null"}, {3, "null"}}));
    // A request from a pane that has closed meanwhile gets no answer.
    send(msg::Cmd{"devtools"});
    send(msg::DevEval{4, "1+1"});
    EXPECT_TRUE(take_posted().empty());
}

TEST_F(ChromeMessagesTest, DevResizeClampsAndIgnoresNonNumbers) {
    open({});
    constexpr double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, double> cases[] = {
        {50, 120},    {5000, 2000},  {300.5, 300.5}, {std::nan(""), 300.5},
        {inf, 300.5}, {-inf, 300.5}, {-5, 120}};
    for (const auto& [h, stored] : cases) {
        send(msg::DevResize{h});
        EXPECT_EQ(app.windows[0].devtools_height, stored) << h;
    }
    send(msg::DevClose{}); // no pane: nothing opens
    EXPECT_FALSE(app.windows[0].devtools);
}

} // namespace
} // namespace corvane::test
