#include "store/store_json.h"

#include <gtest/gtest.h>
#include <random>

namespace corvane {
namespace {

TEST(SettingsFile, DefaultsAreWrittenCompactInDeclarationOrder) {
    EXPECT_EQ(write_settings(Settings{}),
              R"({"search_engine":"duckduckgo","block_trackers":true,"https_only":true,)"
              R"("sleep_after_mins":10,"max_awake_tabs":6,"restore_session":true,)"
              R"("shield_allowlist":[]})");
}

TEST(SettingsFile, EmptyObjectOrArrayGivesEveryDefault) {
    EXPECT_EQ(read_settings("{}"), Settings{});
    EXPECT_EQ(read_settings("[]"), Settings{});
    EXPECT_EQ(read_settings(" [ ] \n"), Settings{});
}

TEST(SettingsFile, KeysAreIndependentAndUnknownKeysAreDropped) {
    const auto settings =
        read_settings(R"({"max_awake_tabs":2,"theme":{"dark":[1,null]},"https_only":false})");
    ASSERT_TRUE(settings);
    Settings expected;
    expected.max_awake_tabs = 2;
    expected.https_only = false;
    EXPECT_EQ(*settings, expected);
    EXPECT_EQ(write_settings(*settings).find("theme"), std::string::npos);
}

TEST(SettingsFile, ArrayFillsLeadingFieldsAndDefaultsTheRest) {
    Settings google;
    google.search_engine = "google";
    EXPECT_EQ(read_settings(R"(["google"])"), google);

    const auto all = read_settings(R"(["bing",false,false,0,4294967295,false,["a.test"]])");
    ASSERT_TRUE(all);
    EXPECT_EQ(*all, (Settings{"bing", false, false, 0, 4294967295u, false, {"a.test"}}));
    EXPECT_FALSE(read_settings(R"(["bing",false,false,0,1,false,[],0])"));
}

TEST(SettingsFile, OneBadValueRejectsTheWholeFile) {
    const char* bad[] = {
        R"({"https_only":false,"sleep_after_mins":-1})",
        R"({"https_only":false,"sleep_after_mins":1.5})",
        R"({"https_only":false,"sleep_after_mins":1e3})",
        R"({"https_only":false,"sleep_after_mins":4294967296})",
        R"({"https_only":false,"sleep_after_mins":"10"})",
        R"({"https_only":false,"sleep_after_mins":null})",
        R"({"search_engine":"bing","search_engine":"bing"})",
        R"({"block_trackers":1})",
        R"({"shield_allowlist":["a",1]})",
        R"({"shield_allowlist":"a"})",
        R"({"search_engine":null})",
        R"({"https_only":false} x)",
        R"({"https_only":false}{})",
        R"("duckduckgo")",
        "",
    };
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(read_settings(text));
    }
}

TEST(SettingsPanel, ObjectHoldsAllSevenKeysInByteOrder) {
    Settings settings;
    settings.shield_allowlist = {"b.test", "a.test"};
    const auto object = settings_to_json(settings);
    EXPECT_EQ(object.dump(), R"({"block_trackers":true,"https_only":true,"max_awake_tabs":6,)"
                             R"("restore_session":true,"search_engine":"duckduckgo",)"
                             R"("shield_allowlist":["b.test","a.test"],"sleep_after_mins":10})");
    EXPECT_TRUE(object["sleep_after_mins"].is_number_unsigned());
}

TEST(ListFiles, EmptyListsAreWrittenAsEmptyArrays) {
    EXPECT_EQ(write_history({}), "[]");
    EXPECT_EQ(write_bookmarks({}), "[]");
    EXPECT_EQ(write_session({}), "[]");
    EXPECT_EQ(write_session({SessionWindow{}}), R"([{"tabs":[],"active":0}])");
}

TEST(ListFiles, RecordsAreWrittenInDeclarationOrderWithMinimalEscapes) {
    EXPECT_EQ(write_history({{"https://a.test/x?q=1", "Tab\there\nnow \x1f/é", 4294967295u,
                              18446744073709551615u}}),
              "[{\"url\":\"https://a.test/x?q=1\",\"title\":\"Tab\\there\\nnow \\u001f/é\","
              "\"visits\":4294967295,\"last\":18446744073709551615}]");
    EXPECT_EQ(write_bookmarks({{"u", "\"q\" \\", 7}}),
              R"([{"url":"u","title":"\"q\" \\","added":7}])");
    EXPECT_EQ(write_session({{{{"a", "A"}, {"b", ""}}, 9}}),
              R"([{"tabs":[{"url":"a","title":"A"},{"url":"b","title":""}],"active":9}])");
}

TEST(ListFiles, ArrayFormRecordsReadLikeObjects) {
    const std::vector<HistoryEntry> entry{{"https://a.test/", "A", 2, 5}};
    EXPECT_EQ(read_history(R"([["https://a.test/","A",2,5]])"), entry);
    EXPECT_EQ(read_history(R"([{"last":5,"visits":2,"title":"A","url":"https://a.test/","x":0}])"),
              entry);
    EXPECT_EQ(read_bookmarks(R"([["u","t",3]])"), (std::vector<Bookmark>{{"u", "t", 3}}));
    EXPECT_EQ(read_session(R"([[[["u","t"]],1]])"),
              (std::vector<SessionWindow>{{{{"u", "t"}}, 1}}));
}

TEST(ListFiles, OneBadRecordEmptiesTheWholeList) {
    const char* bad_history[] = {
        R"([{"url":"a","title":"","visits":1,"last":1},{"url":"b","title":"","last":1}])",
        R"([["https://a.test/","A",2]])",
        R"([["https://a.test/","A",2,5,0]])",
        R"([{"url":"a","title":"","visits":4294967296,"last":1}])",
        R"([{"url":"a","title":null,"visits":1,"last":1}])",
        R"([{"url":"a","url":"a","title":"","visits":1,"last":1}])",
        R"([{"url":"a","title":"","visits":1,"last":-1}])",
        R"({"url":"a","title":"","visits":1,"last":1})",
        R"([null])",
    };
    for (const char* text : bad_history) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(read_history(text));
    }
    EXPECT_FALSE(read_bookmarks(R"([{"url":"a","title":"t"}])"));
    EXPECT_FALSE(read_bookmarks(R"([["a","t"]])"));
    EXPECT_FALSE(read_session(R"([{"tabs":[{"url":"a"}],"active":0}])"));
    EXPECT_FALSE(read_session(R"([{"tabs":[["a","t","x"]],"active":0}])"));
    EXPECT_FALSE(read_session(R"([{"tabs":[],"active":1.0}])"));
    EXPECT_FALSE(read_session(R"([[[],0,0]])"));
}

// Text with every control character, quotes, backslashes and non-ASCII (two-, three- and
// four-byte sequences) in random mixes.
std::string random_text(std::mt19937& random) {
    static const std::vector<std::string> pieces = {
        "\"", "\\", "/", "\x7f", "é", "€", "😀", "\xE2\x80\xA8", "a", " ", "{", "]", "\\u0000",
    };
    std::string text;
    const auto length = std::uniform_int_distribution<int>(0, 12)(random);
    for (int i = 0; i < length; ++i) {
        const int pick = std::uniform_int_distribution<int>(0, 44)(random);
        if (pick < 32) {
            text += static_cast<char>(pick);
        } else {
            text += pieces[static_cast<std::size_t>(pick - 32)];
        }
    }
    return text;
}

TEST(ListFiles, GeneratedRecordsSurviveAWriteAndReadRoundTrip) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::uint64_t> any_u64;
    for (int round = 0; round < 200; ++round) {
        std::vector<HistoryEntry> history;
        std::vector<Bookmark> bookmarks;
        std::vector<SessionWindow> session(3);
        Settings settings{random_text(random),
                          round % 2 == 0,
                          round % 3 == 0,
                          static_cast<std::uint32_t>(any_u64(random)),
                          static_cast<std::uint32_t>(any_u64(random)),
                          round % 5 == 0,
                          {}};
        for (int i = 0; i < 5; ++i) {
            history.push_back({random_text(random), random_text(random),
                               static_cast<std::uint32_t>(any_u64(random)), any_u64(random)});
            bookmarks.push_back({random_text(random), random_text(random), any_u64(random)});
            session[static_cast<std::size_t>(i % 3)].tabs.push_back(
                {random_text(random), random_text(random)});
            session[static_cast<std::size_t>(i % 3)].active = any_u64(random);
            settings.shield_allowlist.push_back(random_text(random));
        }
        ASSERT_EQ(read_history(write_history(history)), history);
        ASSERT_EQ(read_bookmarks(write_bookmarks(bookmarks)), bookmarks);
        ASSERT_EQ(read_session(write_session(session)), session);
        ASSERT_EQ(read_settings(write_settings(settings)), settings);
    }
}

} // namespace
} // namespace corvane
