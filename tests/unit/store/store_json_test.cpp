#include "store/store_json.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(SettingsFile, WrittenCompactInDeclarationOrderAndReadBackByTheSameRules) {
    EXPECT_EQ(write_settings(Settings{}),
              R"({"search_engine":"duckduckgo","block_trackers":true,"https_only":true,)"
              R"("sleep_after_mins":10,"max_awake_tabs":6,"restore_session":true,)"
              R"("shield_allowlist":[]})");
    Settings two_keys;
    two_keys.max_awake_tabs = 2;
    two_keys.https_only = false;
    Settings google;
    google.search_engine = "google";
    const std::vector<std::pair<std::string_view, std::optional<Settings>>> cases{
        {"{}", Settings{}},
        {" [ ] \n", Settings{}},
        // Keys are independent and unknown keys are dropped.
        {R"({"max_awake_tabs":2,"theme":{"dark":[1,null]},"https_only":false})", two_keys},
        // The array form fills the leading fields.
        {R"(["google"])", google},
        {R"(["bing",false,false,0,4294967295,false,["a.test"]])",
         Settings{"bing", false, false, 0, 4294967295u, false, {"a.test"}}},
        // One bad value rejects the whole file.
        {R"(["bing",false,false,0,1,false,[],0])", std::nullopt},
        {R"({"https_only":false,"sleep_after_mins":-1})", std::nullopt},
        {R"({"sleep_after_mins":4294967296})", std::nullopt},
        {R"({"search_engine":"bing","search_engine":"bing"})", std::nullopt},
        {R"({"block_trackers":1})", std::nullopt},
        {R"({"shield_allowlist":["a",1]})", std::nullopt},
        {R"({"https_only":false} x)", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(read_settings(text), expected) << text;
    }
}

TEST(SettingsPanel, ObjectHoldsEveryKeyInByteOrder) {
    Settings settings;
    settings.shield_allowlist = {"b.test", "a.test"};
    const auto object = settings_to_json(settings);
    EXPECT_EQ(object.dump(), R"({"block_trackers":true,"https_only":true,"max_awake_tabs":6,)"
                             R"("restore_session":true,"search_engine":"duckduckgo",)"
                             R"("shield_allowlist":["b.test","a.test"],"sleep_after_mins":10})");
    EXPECT_TRUE(object["sleep_after_mins"].is_number_unsigned());
}

TEST(ListFiles, WrittenInDeclarationOrderAndReadInBothForms) {
    EXPECT_EQ(write_history({}), "[]");
    EXPECT_EQ(write_session({SessionWindow{}}), R"([{"tabs":[],"active":0}])");
    EXPECT_EQ(
        write_history({{"https://a.test/", "T\t\n \x1f/é", 4294967295u, 18446744073709551615u}}),
        "[{\"url\":\"https://a.test/\",\"title\":\"T\\t\\n \\u001f/é\","
        "\"visits\":4294967295,\"last\":18446744073709551615}]");
    EXPECT_EQ(write_bookmarks({{"u", "\"q\" \\", 7}}),
              R"([{"url":"u","title":"\"q\" \\","added":7}])");
    EXPECT_EQ(write_session({{{{"a", "A"}, {"b", ""}}, 9}}),
              R"([{"tabs":[{"url":"a","title":"A"},{"url":"b","title":""}],"active":9}])");
    const std::vector<HistoryEntry> entry{{"https://a.test/", "A", 2, 5}};
    EXPECT_EQ(read_history(R"([["https://a.test/","A",2,5]])"), entry);
    EXPECT_EQ(read_history(R"([{"last":5,"visits":2,"title":"A","url":"https://a.test/","x":0}])"),
              entry);
    EXPECT_EQ(read_bookmarks(R"([["u","t",3]])"), (std::vector<Bookmark>{{"u", "t", 3}}));
    EXPECT_EQ(read_session(R"([[[["u","t"]],1]])"),
              (std::vector<SessionWindow>{{{{"u", "t"}}, 1}}));
}

TEST(ListFiles, OneBadRecordEmptiesTheWholeList) {
    EXPECT_FALSE(read_history(
        R"([{"url":"a","title":"","visits":1,"last":1},{"url":"b","title":"","last":1}])"));
    EXPECT_FALSE(read_history(R"([{"url":"a","title":"","visits":4294967296,"last":1}])"));
    EXPECT_FALSE(read_bookmarks(R"([["a","t"]])"));
    EXPECT_FALSE(read_session(R"([{"tabs":[{"url":"a"}],"active":0}])"));
    EXPECT_FALSE(read_session(R"([{"tabs":[],"active":-1}])"));
}

} // namespace
} // namespace corvane
