// The chrome page's messages beyond tabs and navigation: clearing data, bookmarks, the per-site
// Shield switch, downloads, find, suggestions, panels and the developer-tools bridge.
#include "core/chrome_messages.h"
#include "core/commands.h"
#include "core/find.h"
#include "core/windows.h"
#include "core_fixture.h"
#include "store/store.h"

#include <cmath>
#include <limits>

namespace corvane::test {
namespace {

class MessagesTest : public CoreTest {
protected:
    void open(std::vector<SessionTab> tabs, std::size_t active = 0) {
        create_window(app, WindowKind::normal, std::move(tabs), active);
        make_ready(app.windows.size() - 1);
    }
    void send(UiMsg msg, std::size_t window = 0) {
        handle_ui_message(app, window, std::move(msg), flow);
    }
    FakeWebView& page(std::size_t index = 0) { return fake(tab(0, index).webview); }

    ControlFlow flow = ControlFlow::wait;
};

TEST_F(MessagesTest, ClearDataAlwaysWritesRefreshesAndToasts) {
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
    EXPECT_EQ(site_data.clears, 0);
    EXPECT_EQ(app.newtab->copy().bookmarks.size(), 1u);

    send(msg::ClearData{true, false});
    EXPECT_TRUE(app.store.history.empty());
    EXPECT_EQ(read_file(app.store.dir / "history.json"), "[]");
    EXPECT_TRUE(app.closed_tabs.empty());
    run_command(app, "reopenTab", flow);
    EXPECT_EQ(app.windows[0].tabs.size(), 1u) << "nothing is left to reopen";
    EXPECT_TRUE(app.newtab->copy().top_sites.empty());
    EXPECT_EQ(site_data.clears, 0);

    send(msg::ClearData{false, true});
    EXPECT_EQ(site_data.clears, 1);
    const std::vector<std::string> calls = page_calls(chrome());
    EXPECT_EQ(std::count(calls.begin(), calls.end(), R"(toast("Browsing data cleared"))"), 3);
}

TEST_F(MessagesTest, RemoveBookmarkRemovesEveryCopyAndRefreshesThePanel) {
    open({{"https://a.test/", "A"}});
    app.store.bookmarks = {{"https://x.test/", "X", 1},
                           {"https://y.test/", "Y", 2},
                           {"https://x.test/", "X again", 3}};
    send(msg::RemoveBookmark{"https://x.test/"});
    EXPECT_EQ(app.store.bookmarks, (std::vector<Bookmark>{{"https://y.test/", "Y", 2}}));
    EXPECT_TRUE(app.store.bookmarks_dirty);
    EXPECT_EQ(app.newtab->copy().bookmarks, (std::vector<NewTabLink>{{"https://y.test/", "Y"}}));
    EXPECT_TRUE(page_calls(chrome()).back().starts_with("render("));
    send(msg::RemoveBookmark{"https://X.test/"}); // byte for byte
    EXPECT_EQ(app.store.bookmarks.size(), 1u);
}

TEST_F(MessagesTest, ShieldSiteKeepsEachHostOnceAndReinstallsTheRules) {
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

TEST_F(MessagesTest, RevealDownloadCountsFromTheNewest) {
    open({});
    app.downloads = {{"u1", "/d/first.bin", "done"},
                     {"u2", "/d/second.bin", "done"},
                     {"u3", "/d/third.bin", "active"}};
    send(msg::RevealDownload{0});
    send(msg::RevealDownload{2});
    send(msg::RevealDownload{3});
    send(msg::RevealDownload{std::numeric_limits<std::uint64_t>::max()});
    EXPECT_EQ(platform.system_.revealed,
              (std::vector<std::string>{"/d/third.bin", "/d/first.bin"}));
}

TEST_F(MessagesTest, FindSearchesTheAwakeActiveTabAndReportsInTheFindBar) {
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
    std::string long_query;
    for (int i = 0; i < 600; ++i) {
        long_query += "é";
    }
    send(msg::Find{long_query, false, false});
    std::string expected;
    for (int i = 0; i < 512; ++i) {
        expected += "é";
    }
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

TEST_F(MessagesTest, ClosingTheFindBarGivesThePageItsFocusBack) {
    open({{"https://a.test/", "A"}});
    send(msg::Findbar{true});
    EXPECT_TRUE(page().scripts.empty());
    EXPECT_EQ(page().rect.y, 126);
    page().focused = false;
    send(msg::Findbar{false});
    EXPECT_EQ(page().scripts.back().script, "getSelection().removeAllRanges()");
    EXPECT_TRUE(page().focused);
    EXPECT_EQ(page().rect.y, 86);
}

TEST_F(MessagesTest, StopAndFocusPageActOnTheAwakeActiveTabOnly) {
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

TEST_F(MessagesTest, SuggestAnswersTheWindowThatAsked) {
    open({{"https://a.test/", "A"}});
    open({{"https://b.test/", "B"}});
    app.store.history.push_back({"https://www.example.com/page", "Example page", 2, wall});
    send(msg::Suggest{"example.co", true}, 0);
    const std::string call = page_calls(chrome(0)).back();
    ASSERT_TRUE(call.starts_with("suggest([")) << call;
    EXPECT_TRUE(call.ends_with(R"(],"example.com"))")) << call;
    EXPECT_NE(call.find(R"("url":"https://www.example.com/")"), std::string::npos);
    EXPECT_NE(call.find(R"("title":"Example page")"), std::string::npos);
    send(msg::Suggest{"example.co", false}, 0);
    EXPECT_TRUE(page_calls(chrome(0)).back().ends_with("],null)"));
    for (const std::string& other : page_calls(chrome(1))) {
        EXPECT_FALSE(other.starts_with("suggest(")) << other;
    }
}

TEST_F(MessagesTest, PanelsAnswerOnlyTheirOwnNames) {
    open({{"https://a.test/", "A"}});
    send(msg::Panel{"about"});
    EXPECT_EQ(page_calls(chrome()).back(),
              R"JS(panel("about",{"engine":"WebKitGTK (system engine)","version":"0.2.0"}))JS");
    send(msg::Panel{"clear"});
    EXPECT_EQ(page_calls(chrome()).back(), R"(panel("clear",{}))");
    const std::size_t before = page_calls(chrome()).size();
    send(msg::Panel{"Clear"});
    send(msg::Panel{"nonsense"});
    EXPECT_EQ(page_calls(chrome()).size(), before);
}

TEST_F(MessagesTest, DevEvalRefusesWithoutAnAwakeTabOrForTooMuchCode) {
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

TEST_F(MessagesTest, DevResizeClampsAndIgnoresNonNumbers) {
    open({});
    const std::pair<double, double> cases[] = {
        {50, 120},
        {5000, 2000},
        {300.5, 300.5},
        {std::nan(""), 300.5},
        {std::numeric_limits<double>::infinity(), 300.5},
        {-std::numeric_limits<double>::infinity(), 300.5},
        {-5, 120},
    };
    for (const auto& [h, stored] : cases) {
        send(msg::DevResize{h});
        EXPECT_EQ(app.windows[0].devtools_height, stored) << h;
    }
    send(msg::DevClose{}); // no pane: nothing opens
    EXPECT_FALSE(app.windows[0].devtools);
}

TEST_F(MessagesTest, ChromeCommandsActOnTheCurrentWindow) {
    open({{"https://a.test/", "A"}});
    open({{"https://b.test/", "B"}});
    app.focused = app.windows[1].id();
    send(msg::Cmd{"zoomIn"}, 0);
    send(msg::NewTab{}, 0);
    EXPECT_EQ(tab(1, 0).zoom, 1.1);
    EXPECT_EQ(tab(0, 0).zoom, 1.0);
    EXPECT_EQ(app.windows[0].tabs.size(), 1u);
    EXPECT_EQ(app.windows[1].tabs.size(), 2u);
    send(msg::Reload{}, 0);
    EXPECT_EQ(fake(tab(1, 1).webview).calls.back(), "reload");
    const std::vector<std::string>& other = fake(tab(0, 0).webview).calls;
    EXPECT_EQ(std::count(other.begin(), other.end(), "reload"), 0);
}

} // namespace
} // namespace corvane::test
