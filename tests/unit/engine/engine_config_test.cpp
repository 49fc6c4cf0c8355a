#include "engine/engine_config.h"
#include "engine_test_support.h"
#include "unit/store/scoped_env.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using test::EngineFixture;

TEST(UserAgent, NamesThisPlatformAndEndsInTheBrowserVersion) {
    EXPECT_EQ(format_user_agent("aarch64"),
              "Mozilla/5.0 (X11; Linux aarch64) AppleWebKit/605.1.15 (KHTML, like Gecko) "
              "Version/26.0 Safari/605.1.15 Corvane/0.2.0");
    EXPECT_FALSE(machine_architecture().empty());
}

TEST(EngineConfig, MadeWithStoresSchemesAndThisMachinesAgent) {
    const test::ScopedEnv env("XDG_CACHE_HOME", "/tmp/corvane-cache-test");
    EngineFixture f;
    EXPECT_EQ(f.config.user_agent, format_user_agent(machine_architecture()));
    EXPECT_FALSE(f.config.rule_list_ready);
    ASSERT_EQ(f.platform.sessions.size(), 2u);
    EXPECT_FALSE(f.session(0).is_ephemeral());
    EXPECT_EQ(f.session(0).data_folder, (f.dir.path() / "website-data").string());
    EXPECT_EQ(f.session(0).cache_folder,
              "/tmp/corvane-cache-test/com.halbrin.corvane/website-data");
    EXPECT_TRUE(f.session(1).is_ephemeral()) << "the browser's own pages keep no data";
    ASSERT_NE(f.platform.filter_store, nullptr);
    EXPECT_EQ(f.platform.filter_store->folder, (f.dir.path() / "content-rules").string());
    ASSERT_EQ(f.platform.schemes.size(), 2u);
}

TEST(EngineConfig, SchemeHandlersAnswerPerContext) {
    EngineFixture f;
    using platform::WebContextKind;
    auto ui =
        f.platform.request(WebContextKind::ui, {"corvane://ui/logo.svg", "GET", "ui-1", true});
    ASSERT_TRUE(ui);
    EXPECT_EQ(ui->status, 200);
    EXPECT_EQ(ui->content_type, "image/svg+xml");
    EXPECT_NE(ui->body_bytes().find("<svg"), std::string::npos);
    // Embedded files reach the engine as views of the executable's own bytes, not copies.
    EXPECT_TRUE(std::holds_alternative<std::string_view>(ui->body));

    // The chrome page is unknown to content tabs: a 404 with the five headers.
    auto in_tab = f.platform.request(WebContextKind::content,
                                     {"corvane://ui/index.html", "GET", "tab-2", false});
    ASSERT_TRUE(in_tab);
    EXPECT_EQ(in_tab->status, 404);
    std::vector<std::string> names;
    for (const auto& header : in_tab->headers) {
        names.push_back(header.first);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Content-Type", "Content-Security-Policy",
                                               "X-Content-Type-Options", "Referrer-Policy",
                                               "Cache-Control"}));

    auto newtab =
        f.platform.request(WebContextKind::content, {"corvane://newtab/", "GET", "tab-2", false});
    ASSERT_TRUE(newtab);
    EXPECT_EQ(newtab->status, 200);
    EXPECT_NE(newtab->body_bytes().find("<html"), std::string::npos);
}

TEST(EngineConfig, PrivateStoresReportDownloadsToo) {
    EngineFixture f;
    std::shared_ptr<platform::NetworkSession> private_store = make_private_data_store(f.config);
    ASSERT_TRUE(private_store && private_store->is_ephemeral());
    ASSERT_TRUE(private_store->on_download_started);
    private_store->on_download_started({1, "http://h/p.pdf", "/dl/p.pdf", "tab-9"});
    private_store->on_download_finished({1, "http://h/p.pdf", "/dl/p.pdf", false});
    auto events = f.events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(std::get<event::DownloadStarted>(events[0]).path, "/dl/p.pdf");
    EXPECT_FALSE(std::get<event::DownloadFinished>(events[1]).success);
}

TEST(EngineConfig, DownloadEventsCarryUrlPathAndOutcome) {
    EngineFixture f;
    f.config.default_store->on_download_started({1, "http://h/a.zip", "/dl/a (1).zip", "tab-3"});
    f.config.default_store->on_download_finished({1, "http://h/a.zip", "/dl/a (1).zip", true});
    auto events = f.events();
    ASSERT_EQ(events.size(), 2u);
    auto& started = std::get<event::DownloadStarted>(events[0]);
    EXPECT_EQ(started.url, "http://h/a.zip");
    EXPECT_EQ(started.path, "/dl/a (1).zip");
    auto& finished = std::get<event::DownloadFinished>(events[1]);
    EXPECT_EQ(finished.url, "http://h/a.zip");
    EXPECT_TRUE(finished.success);
}

TEST(MakeConfiguration, HttpsOnlyUpgradesNonLocalHttpOnly) {
    EngineFixture f;
    platform::WebViewOptions on = make_configuration(f.config, nullptr, true, false);
    ASSERT_TRUE(on.https_upgrade);
    EXPECT_EQ(on.https_upgrade("http://example.com/a?b#c"), "https://example.com/a?b#c");
    EXPECT_EQ(on.https_upgrade("http://example.com:8080/"), "https://example.com:8080/");
    EXPECT_EQ(on.https_upgrade("http://localhost:8080/"), std::nullopt);
    EXPECT_EQ(on.https_upgrade("http://127.0.0.1/"), std::nullopt);
    EXPECT_EQ(on.https_upgrade("http://[::1]/"), std::nullopt);
    EXPECT_EQ(on.https_upgrade("https://example.com/"), std::nullopt);
    EXPECT_EQ(on.https_upgrade("not a url"), std::nullopt);
    EXPECT_EQ(on.session, f.config.default_store);
    EXPECT_FALSE(on.javascript_can_open_windows);

    platform::WebViewOptions off = make_configuration(f.config, nullptr, false, false);
    EXPECT_FALSE(off.https_upgrade);
}

TEST(MakeConfiguration, UsesThePrivateStoreAndTheKeptListOnlyWhenAsked) {
    EngineFixture f;
    auto private_store = make_private_data_store(f.config);
    EXPECT_EQ(make_configuration(f.config, private_store, true, true).session, private_store);
    EXPECT_TRUE(make_configuration(f.config, nullptr, true, true).content_filters.empty())
        << "no list kept yet";
}

TEST(MakeConfigurationDeathTest, OffTheMainThreadStops) {
    EngineFixture f;
    f.platform.system_.main_thread = false;
    EXPECT_DEATH(make_configuration(f.config, nullptr, true, true),
                 "Corvane UI code must run on the main thread");
}

} // namespace
} // namespace corvane
