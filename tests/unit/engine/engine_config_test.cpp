#include "engine_test_support.h"
#include "unit/store/scoped_env.h"

namespace corvane::test {

using EngineConfigTest = EngineTest;

// The user agent a real page receives: e2e/core/corvane_process_test. What the scheme handlers
// serve: unit/pages/scheme_routes_test, and on the real engine integration/engine/engine_test.
TEST_F(EngineConfigTest, FoldersAndStores) {
    // The cache goes under XDG_CACHE_HOME when that is an absolute path, else under HOME.
    const std::string cache = (dir / "cache").string(), home = (dir / "home").string();
    for (const char* xdg : {cache.c_str(), "relative/cache"}) {
        const ScopedEnv env("XDG_CACHE_HOME", xdg), env_home("HOME", home.c_str());
        config = make_config();
        const auto& store = dynamic_cast<FakeNetworkSession&>(*config.default_store);
        EXPECT_EQ(std::tuple(store.data_folder, store.cache_folder, platform.filter_store->folder),
                  std::tuple((dir / "website-data").string(),
                             (xdg == cache ? cache : home + "/.cache") +
                                 "/com.halbrin.corvane/website-data",
                             (dir / "content-rules").string()));
        EXPECT_EQ(
            std::tuple(store.ephemeral_, config.ui_store->is_ephemeral(), config.rule_list_ready),
            std::tuple(false, true, false));
    }
    // A data folder that is a plain file, or a cache folder that cannot be made: website data
    // stays in memory, nothing is made, and the new tab page still counts the tabs as normal.
    const std::string blocked = (dir / "blocked").string();
    write_file(blocked, "a file");
    const std::string blocked_cache = blocked + "/cache";
    for (const auto& [data, xdg_cache] :
         {std::pair(dir / "blocked", cache), std::pair(dir.path(), blocked_cache)}) {
        const ScopedEnv env("XDG_CACHE_HOME", xdg_cache.c_str());
        config = make_engine_config(platform, EventLoopProxy(queue),
                                    std::make_shared<SharedNewTabSnapshot>(), data);
        const auto& store = dynamic_cast<FakeNetworkSession&>(*config.default_store);
        EXPECT_TRUE(store.ephemeral_ && store.memory_only) << data;
        EXPECT_EQ(read_file(blocked), "a file");
    }
}

// The new tab page shows the user's top sites only to a request from a known view of a window
// that keeps its data; a private window's, or one whose view WebKit does not name, never.
TEST_F(EngineConfigTest, NewTabPageShowsTopSitesOnlyToAKnownNormalTab) {
    auto snapshot = std::make_shared<SharedNewTabSnapshot>(
        NewTabSnapshot{"", "", {{"https://often.example/", "often.example"}}, {}, false, false});
    make_engine_config(platform, EventLoopProxy(queue), snapshot, dir.path());
    const auto& serve = platform.schemes.at({platform::WebContextKind::content, "corvane"});
    // view label, a normal window's store: whether the top site shows.
    for (const auto& [label, normal, shown] :
         {std::tuple("7", true, true), std::tuple("7", false, false),
          std::tuple("", false, false)}) {
        const std::string page(serve({"corvane://newtab/", "GET", label, normal}).body_bytes());
        EXPECT_EQ(std::tuple(page.find("often.example") != std::string::npos,
                             page.find("Private browsing") != std::string::npos),
                  std::tuple(shown, !shown))
            << "view '" << label << "', normal " << normal;
    }
}

TEST_F(EngineConfigTest, TabsUpgradeNonLocalHttpAndUseTheGivenStoreAndTheKeptList) {
    const auto on = make_configuration(config, nullptr, true, false).https_upgrade;
    for (const auto& [url, upgraded] : std::initializer_list<std::pair<std::string, std::string>>{
             {"http://example.com:8080/a?b#c", "https://example.com:8080/a?b#c"},
             {"http://localhost:8080/", ""},
             {"https://example.com/", ""},
             {"not a url", ""}}) {
        EXPECT_EQ(on(url).value_or(""), upgraded) << url;
    }
    EXPECT_FALSE(make_configuration(config, nullptr, false, false).https_upgrade);
    // Its downloads reach the core as the default store's do (integration/commands/pages_test).
    const auto private_store = make_private_data_store(config);
    EXPECT_TRUE(private_store->is_ephemeral() && private_store->on_download_started &&
                private_store->on_download_finished);
    EXPECT_TRUE(make_configuration(config, nullptr, true, true).content_filters.empty());
    const auto kept = std::make_shared<FakeContentFilter>("corvane-shield-x", "[]");
    config.shield_slot->keep(kept);
    const auto with = make_configuration(config, private_store, true, true);
    EXPECT_EQ(
        std::tuple(with.session, with.content_filters.size(), with.javascript_can_open_windows),
        std::tuple(private_store, 1u, false));
    const auto without = make_configuration(config, nullptr, true, false);
    EXPECT_EQ(std::tuple(without.session, without.content_filters.size()),
              std::tuple(config.default_store, 0u));
    platform.system_.main_thread = false;
    EXPECT_DEATH(make_configuration(config, nullptr, true, true),
                 "Corvane UI code must run on the main thread");
}

} // namespace corvane::test
