// Settings changed from the chrome page, and the order of the history panel.
#include "core/panels.h"
#include "core/settings_changes.h"
#include "core_fixture.h"
#include "store/store_json.h"

#include <filesystem>

namespace corvane::test {
namespace {

using SettingsPanelsTest = CoreTest;

TEST_F(SettingsPanelsTest, SettingsAreCheckedWrittenAtOnceAndShown) {
    open({{"https://a.test/", "A"}});
    const std::filesystem::path file = app.store.dir / kSettingsFile;
    struct Case {
        std::string key;
        nlohmann::json value;
        std::string stored; // the member afterwards; "": nothing written, shown or changed
        std::string toast;
    };
    const Case cases[] = {
        {"search_engine", "google", R"("google")", ""},
        {"search_engine", "Bing", "", ""},
        {"search_engine", nullptr, "", ""},
        {"block_trackers", false, "false", "Shield off"},
        {"block_trackers", true, "true", "Shield on. Reload pages to apply it"},
        {"https_only", false, "false", "Applies to new tabs"},
        {"https_only", "true", "", ""},
        {"restore_session", false, "false", ""},
        // Out of range or not a whole number: kept, but still written.
        {"sleep_after_mins", 1440u, "1440", ""},
        {"sleep_after_mins", 1441u, "1440", ""},
        {"sleep_after_mins", 0u, "0", ""},
        {"sleep_after_mins", 10.5, "0", ""},
        {"sleep_after_mins", -1, "0", ""},
        {"max_awake_tabs", 50u, "50", ""},
        {"max_awake_tabs", 51u, "50", ""},
        {"max_awake_tabs", 1u, "1", ""},
        {"max_awake_tabs", 0u, "1", ""},
        {"Block_trackers", false, "", ""},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(file);
        const std::size_t before = page_calls(chrome()).size();
        apply_setting(app, 0, c.key, c.value);
        const std::vector<std::string> calls = page_calls(chrome());
        const std::vector<std::string> added(calls.begin() + static_cast<long>(before),
                                             calls.end());
        std::vector<std::string> expected;
        if (!c.toast.empty()) {
            expected.push_back("toast(" + nlohmann::json(c.toast).dump() + ")");
        }
        if (!c.stored.empty()) {
            expected.push_back(added.empty() ? "" : added.back());
            EXPECT_TRUE(expected.back().starts_with("render(")) << c.key;
            EXPECT_EQ(settings_to_json(load_store(app.store.dir).settings)[c.key].dump(), c.stored);
        }
        EXPECT_EQ(added, expected) << c.key << " = " << c.value.dump();
        EXPECT_EQ(std::filesystem::exists(file), !c.stored.empty()) << c.key;
    }
    EXPECT_EQ(app.newtab->copy().engine_name, "Google");
}

TEST_F(SettingsPanelsTest, HistoryPanelHoldsTheNewestInStableOrder) {
    for (std::uint64_t i = 0; i < 2000; ++i) {
        // Entries 2k and 2k+1 share a time.
        app.store.history.push_back(
            {"https://h" + std::to_string(i) + ".test:8443/", "", 1, i / 2});
    }
    app.store.history.push_back({"http://plain.test/", "P", 1, 5000});
    json::RecordWriter out;
    history_json(out, app.store.history);
    const std::string text = out.take();
    EXPECT_TRUE(text.starts_with(R"([{"display":"plain.test","favicon":null,"last":5000,)"
                                 R"("title":"P","url":"http://plain.test/"},{)"))
        << text.substr(0, 200);
    const nlohmann::json items = nlohmann::json::parse(text);
    ASSERT_EQ(items.size(), 1500u);
    EXPECT_EQ(items[1]["favicon"], "https://h1998.test/favicon.ico");
    EXPECT_EQ(items[2]["url"], "https://h1999.test:8443/");
    EXPECT_EQ(items[1499]["url"], "https://h500.test:8443/");
}

} // namespace
} // namespace corvane::test
