// A content tab on the real engine: what its callbacks post, script results, new windows,
// external links and the end of its web process.
#include "engine/actions.h"
#include "engine/website_data.h"
#include "engine_harness.h"
#include "support/web_processes.h"

#include <csignal>
#include <fstream>

namespace corvane::test {
namespace {

// The core's favicon probe, as the core sends it.
constexpr const char* kFaviconProbe =
    R"JS((()=>{const i=document.querySelector('link[rel~="icon"][href],link[rel="apple-touch-icon"][href]');return JSON.stringify({i:i?i.href:(location.protocol==='https:'?location.origin+'/favicon.ico':'')})})())JS";

using TabEvents = EngineTest;

TEST_F(TabEvents, LoadPostsStartAndFinishWithTheUrlAndTheTitleArrives) {
    auto tab = open_tab(url("/page"), 21);
    ASSERT_NE(tab, nullptr);
    ASSERT_TRUE(loaded(21, url("/page")));
    auto loads = seen_of<event::PageLoad>();
    ASSERT_FALSE(loads.empty());
    EXPECT_TRUE(loads.front().loading);
    EXPECT_EQ(loads.front().url, url("/page"));
    EXPECT_EQ(loads.front().tab, 21u);
    auto title = wait_for<event::TitleChanged>(
        [](const event::TitleChanged& t) { return t.tab == 21 && t.title == "Engine page"; });
    EXPECT_TRUE(title.has_value());
    EXPECT_EQ(current_url(*tab), url("/page"));
}

TEST_F(TabEvents, FaviconProbeAndScriptResultsComeBackAsEvents) {
    auto tab = open_tab(url("/page"), 22);
    ASSERT_TRUE(loaded(22, url("/page")));
    eval_with_callback_favicon(*tab, kFaviconProbe, world().config.proxy, 22, 0);
    auto icon =
        wait_for<event::FaviconFound>([](const event::FaviconFound& f) { return f.tab == 22; });
    ASSERT_TRUE(icon.has_value());
    EXPECT_EQ(icon->icon, "https://cdn.example/i.png");

    const std::vector<std::pair<std::string, std::string>> cases{
        {"({a:[1,'x']})", R"({"a":[1,"x"]})"},
        {"'quote\"d'", R"("quote\"d")"},
        {"undefined", ""},
        {"new Promise(()=>{})", ""},
        {"(()=>{throw new Error('boom')})()", ""},
    };
    std::uint64_t id = 100;
    for (const auto& [script, json] : cases) {
        eval_with_callback_devtools(*tab, script, world().config.proxy, window->id(), id);
        auto result = wait_for<event::DevEvalResult>(
            [id](const event::DevEvalResult& r) { return r.id == id; });
        ASSERT_TRUE(result.has_value()) << script;
        EXPECT_EQ(result->result, json) << script;
        EXPECT_EQ(result->window, window->id());
        ++id;
    }
    eval_with_callback_find(*tab, "document.title.includes('Engine')", world().config.proxy,
                            window->id(), 0);
    auto find = wait_for<event::FindResult>([](const event::FindResult&) { return true; });
    ASSERT_TRUE(find.has_value());
    EXPECT_TRUE(find->found);
}

TEST_F(TabEvents, BlankTargetPostsANewWindowRequestAndOpensNone) {
    auto tab = open_tab(url("/page"), 23);
    ASSERT_TRUE(loaded(23, url("/page")));
    evaluate(*tab, "document.getElementById('blank').click()");
    auto request = wait_for<event::NewWindowRequested>(
        [](const event::NewWindowRequested& r) { return r.tab == 23; });
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->url, url("/popup"));
    pump(300ms);
    EXPECT_EQ(world().server->count("/popup"), 0u) << "no window loaded it";
}

TEST_F(TabEvents, MailtoIsPostedAsExternalAndNotLoaded) {
    auto tab = open_tab(url("/page"), 24);
    ASSERT_TRUE(loaded(24, url("/page")));
    evaluate(*tab, "document.getElementById('mail').click()");
    auto external =
        wait_for<event::OpenExternally>([](const event::OpenExternally&) { return true; });
    ASSERT_TRUE(external.has_value());
    EXPECT_EQ(external->url, "mailto:someone@example.com?subject=Hi");
    pump(300ms);
    EXPECT_EQ(current_url(*tab), url("/page"));
    for (const event::PageLoad& load : seen_of<event::PageLoad>()) {
        EXPECT_FALSE(load.url.starts_with("mailto:"));
    }
}

TEST_F(TabEvents, KilledWebProcessPostsTermination) {
    auto tab = open_tab(url("/page"), 25);
    ASSERT_TRUE(loaded(25, url("/page")));
    EXPECT_EQ(evaluate(*tab, "window.ballast=new Uint8Array(400*1024*1024).fill(7);ballast.length"),
              "419430400");
    const std::optional<pid_t> process = largest_web_process();
    ASSERT_TRUE(process.has_value()) << "web processes run behind the sandbox, below this process";
    kill(*process, SIGKILL);
    auto ended = wait_for<event::WebContentTerminated>(
        [](const event::WebContentTerminated& t) { return t.tab == 25; });
    EXPECT_TRUE(ended.has_value());
    EXPECT_EQ(current_url(*tab), url("/page")) << "the last URL survives the crash";
}

std::uint64_t own_resident_bytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::stoull(line.substr(6)) * 1024;
        }
    }
    return 0;
}

TEST_F(TabEvents, MemoryCountsTheBrowserAndItsWebKitProcesses) {
    auto tab = open_tab(url("/page"), 26);
    ASSERT_TRUE(loaded(26, url("/page")));
    std::uint64_t own = own_resident_bytes();
    std::uint64_t total = webkit_memory_bytes(world().platform->system());
    ASSERT_GT(own, 0u);
    // A web process alone takes tens of megabytes.
    EXPECT_GT(total, own + 20u * 1024 * 1024);
}

} // namespace
} // namespace corvane::test
