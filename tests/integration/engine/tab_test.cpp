// A content tab on the real engine: what its callbacks post, script results, new windows,
// external links and the end of its web process.
#include "engine/actions.h"
#include "engine/website_data.h"
#include "engine_harness.h"

#include <fstream>

namespace corvane::test {
namespace {

using TabEvents = EngineTest;

TEST_F(TabEvents, LoadStartFinishAndTitleArriveAsEvents) {
    auto tab = open_tab(url("/page"), 21);
    ASSERT_NE(tab, nullptr);
    ASSERT_TRUE(loaded(21, url("/page")));
    const auto loads = seen_of<event::PageLoad>();
    ASSERT_FALSE(loads.empty());
    EXPECT_EQ(std::tie(loads.front().tab, loads.front().url, loads.front().loading),
              std::make_tuple(TabId{21}, url("/page"), true));
    EXPECT_TRUE(wait_for<event::TitleChanged>([](const event::TitleChanged& t) {
                    return t.tab == 21 && t.title == "Engine page";
                }).has_value());
}

TEST_F(TabEvents, ScriptResultsComeBackAsEventsOfTheirWindow) {
    auto tab = open_tab(url("/page"), 22);
    ASSERT_TRUE(loaded(22, url("/page")));
    const std::pair<const char*, const char*> cases[] = {
        {"({a:[1,'x']})", R"({"a":[1,"x"]})"},
        {"new Promise(()=>{})", ""},
        {"(()=>{throw new Error('boom')})()", ""},
    };
    std::uint64_t id = 100;
    for (const auto& [script, json] : cases) {
        eval_with_callback_devtools(*tab, script, world().config.proxy, window->id(), ++id);
        const auto result = wait_for<event::DevEvalResult>(
            [id](const event::DevEvalResult& r) { return r.id == id; });
        ASSERT_TRUE(result.has_value()) << script;
        EXPECT_EQ(result->result, json) << script;
        EXPECT_EQ(result->window, window->id());
    }
    eval_with_callback_find(*tab, "document.title.includes('Engine')", world().config.proxy,
                            window->id(), 0);
    const auto find = wait_for<event::FindResult>([](const event::FindResult&) { return true; });
    ASSERT_TRUE(find.has_value());
    EXPECT_TRUE(find->found);
}

// A blank-target link asks for a new window and opens none; a mailto link is handed to the
// desktop and not loaded; neither page can reach the chrome page's message handler.
TEST_F(TabEvents, NewWindowsAndExternalLinksArePostedNotOpened) {
    auto tab = open_tab(url("/page"), 23);
    ASSERT_TRUE(loaded(23, url("/page")));
    evaluate(*tab, "document.getElementById('blank').click()");
    const auto request = wait_for<event::NewWindowRequested>(
        [](const event::NewWindowRequested& r) { return r.tab == 23; });
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->url, url("/popup"));
    evaluate(*tab, "document.getElementById('mail').click()");
    const auto external =
        wait_for<event::OpenExternally>([](const event::OpenExternally&) { return true; });
    ASSERT_TRUE(external.has_value());
    EXPECT_EQ(external->url, "mailto:someone@example.com?subject=Hi");
    EXPECT_EQ(evaluate(*tab,
                       "typeof window.ipc + typeof (window.webkit &&"
                       " window.webkit.messageHandlers && window.webkit.messageHandlers.ipc)"),
              R"("undefinedundefined")");
    EXPECT_EQ(current_url(*tab), url("/page"));
    EXPECT_EQ(world().server->count("/popup"), 0u) << "no window loaded it";
    for (const event::PageLoad& load : seen_of<event::PageLoad>()) {
        EXPECT_FALSE(load.url.starts_with("mailto:"));
    }
}

TEST_F(TabEvents, AnEndedWebProcessIsPostedAndTheLastUrlKept) {
    auto tab = open_tab(url("/page"), 25);
    ASSERT_TRUE(loaded(25, url("/page")));
    tab->terminate_web_process();
    EXPECT_TRUE(wait_for<event::WebContentTerminated>([](const event::WebContentTerminated& t) {
                    return t.tab == 25;
                }).has_value());
    EXPECT_EQ(current_url(*tab), url("/page"));
}

TEST_F(TabEvents, MemoryCountsTheBrowserAndItsWebKitProcesses) {
    auto tab = open_tab(url("/page"), 26);
    ASSERT_TRUE(loaded(26, url("/page")));
    std::ifstream status("/proc/self/status");
    std::uint64_t own = 0;
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            own = std::stoull(line.substr(6)) * 1024;
        }
    }
    ASSERT_GT(own, 0u);
    // A web process alone takes tens of megabytes.
    EXPECT_GT(webkit_memory_bytes(world().platform->system()), own + 20u * 1024 * 1024);
}

} // namespace
} // namespace corvane::test
