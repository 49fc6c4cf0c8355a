#include "core/page_calls.h"
#include "core_fixture.h"

namespace corvane::test {
namespace {

using PageCallsTest = CoreTest;

TEST_F(PageCallsTest, ScriptsAreTheGuardedCallWithCompactArguments) {
    create_window(app, WindowKind::normal, {}, 0);
    call_ui_page(chrome(), "openFind", {});
    show_toast(app.windows, 0, "Say \"hi\"\nnow");
    call_ui_page(chrome(), "panel", {"history", nlohmann::json{{"b", 1.0}, {"a", 0.67}}});
    EXPECT_EQ(scripts(chrome()), (std::vector<std::string>{
                                     "window.CV&&CV.openFind()",
                                     R"(window.CV&&CV.toast("Say \"hi\"\nnow"))",
                                     R"(window.CV&&CV.panel("history",{"a":0.67,"b":1.0}))",
                                 }));
}

TEST_F(PageCallsTest, NoRenderBeforeReadyOrWithoutActiveTab) {
    create_window(app, WindowKind::normal, {}, 0);
    render(app, 0);
    EXPECT_TRUE(scripts(chrome()).empty());
    make_ready(0);
    app.windows[0].active = 3;
    render(app, 0);
    EXPECT_TRUE(scripts(chrome()).empty());
}

TEST_F(PageCallsTest, StateObjectOfASampleWindow) {
    open({{"https://www.example.com/a", "Example \"A\""}, {"", ""}});
    Tab& first = tab(0, 0);
    first.favicon = "https://www.example.com/favicon.ico";
    first.loading = true;
    first.zoom = 1.25;
    fake(first.webview).back = true;
    app.store.bookmarks.push_back({"https://www.example.com/a", "A", 1});
    app.downloads_unseen = true;
    render(app, 0);
    EXPECT_EQ(scripts(chrome()).back(),
              "window.CV&&CV.render({\"active\":" + std::to_string(first.id) +
                  ",\"bookmarked\":true,\"canBack\":true,\"canForward\":false,"
                  "\"downloadsUnseen\":true,\"fullscreen\":false,\"host\":\"example.com\","
                  "\"loading\":true,\"newtab\":false,\"platform\":\"linux\",\"private\":false,"
                  "\"sec\":\"secure\",\"shieldActive\":true,\"tabs\":[{\"favicon\":"
                  "\"https://www.example.com/favicon.ico\",\"host\":\"example.com\",\"id\":" +
                  std::to_string(first.id) +
                  ",\"loading\":true,\"newtab\":false,\"sleeping\":false,\"title\":\"Example "
                  "\\\"A\\\"\",\"url\":\"https://www.example.com/a\"},{\"favicon\":null,\"host\":"
                  "\"\",\"id\":" +
                  std::to_string(tab(0, 1).id) +
                  ",\"loading\":false,\"newtab\":true,\"sleeping\":true,\"title\":\"\",\"url\":"
                  "\"\"}],\"url\":\"https://www.example.com/a\",\"zoom\":1.25})");
}

TEST_F(PageCallsTest, AddressComesFromTheLiveViewUnlessBlank) {
    open({{"http://stored.test/", ""}});
    fake(tab(0, 0).webview).url = "about:blank";
    render(app, 0);
    EXPECT_EQ(renders(chrome()).back()["url"], "http://stored.test/");
    EXPECT_EQ(renders(chrome()).back()["sec"], "insecure");
    EXPECT_EQ(renders(chrome()).back()["zoom"].dump(), "1.0");
    fake(tab(0, 0).webview).url = "corvane://newtab/";
    app.store.bookmarks.push_back({"corvane://newtab/", "", 1});
    render(app, 0);
    const nlohmann::json state = renders(chrome()).back();
    EXPECT_EQ(state["url"], "corvane://newtab/");
    EXPECT_EQ(state["newtab"], true);
    EXPECT_EQ(state["sec"], "internal");
    EXPECT_EQ(state["bookmarked"], false);
    EXPECT_EQ(state["tabs"][0]["url"], "http://stored.test/"); // items show stored fields
}

TEST_F(PageCallsTest, ShieldFollowsTheSettingAndTheAllowlist) {
    open({{"https://news.example.com/", ""}});
    const auto shield = [this] {
        render(app, 0);
        return renders(chrome()).back()["shieldActive"].get<bool>();
    };
    EXPECT_TRUE(shield());
    app.store.settings.shield_allowlist = {"badexample.com", "example.com"};
    EXPECT_FALSE(shield());
    app.store.settings.shield_allowlist = {"a.news.example.com", "ws.example.com"};
    EXPECT_TRUE(shield());
    app.store.settings.shield_allowlist.clear();
    app.store.settings.block_trackers = false;
    EXPECT_FALSE(shield());
}

TEST_F(PageCallsTest, PrivateAndFullScreenWindowsSayYes) {
    open({}, 0, WindowKind::private_browsing);
    dynamic_cast<FakeWindow&>(*app.windows[0].window).fullscreen = true;
    render(app, 0);
    EXPECT_EQ(renders(chrome()).back()["private"], true);
    EXPECT_EQ(renders(chrome()).back()["fullscreen"], true);
}

} // namespace
} // namespace corvane::test
