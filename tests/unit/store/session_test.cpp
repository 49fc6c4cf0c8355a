#include "store/session.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

LiveUrl answers(std::optional<std::string> url) {
    return [url] {
        return url;
    };
}

TEST(SessionTabs, LiveUrlIsUsedUnlessItFailsOrIsBlank) {
    const std::vector<SessionTabView> tabs = {
        {"https://stored.test/1", "Asleep", {}},
        {"https://stored.test/2", "Moved", answers("https://moved.test/")},
        {"https://stored.test/3", "Blank", answers("about:blank")},
        {"https://stored.test/4", "Empty", answers("")},
        {"https://stored.test/5", "Failed", answers(std::nullopt)},
        {"https://stored.test/6", "", answers("about:blank#x")},
    };
    EXPECT_EQ(session_tabs(tabs), (std::vector<SessionTab>{
                                      {"https://stored.test/1", "Asleep"},
                                      {"https://moved.test/", "Moved"},
                                      {"https://stored.test/3", "Blank"},
                                      {"https://stored.test/4", "Empty"},
                                      {"https://stored.test/5", "Failed"},
                                      {"about:blank#x", ""},
                                  }));
}

TEST(SessionWindows, PrivateWindowsAreSkippedAndOrderAndActiveAreKept) {
    const std::vector<SessionWindowView> windows = {
        {false, {{"a", "A", {}}}, 0},
        {true, {{"secret", "S", {}}}, 0},
        {false, {}, 7},
        {false, {{"b", "B", {}}, {"c", "C", {}}}, 42},
    };
    EXPECT_EQ(
        collect_session_windows(windows),
        (std::vector<SessionWindow>{{{{"a", "A"}}, 0}, {{}, 7}, {{{"b", "B"}, {"c", "C"}}, 42}}));
}

TEST(SessionWindows, OnlyPrivateWindowsOrNoneGiveAnEmptySession) {
    EXPECT_TRUE(collect_session_windows({}).empty());
    const std::vector<SessionWindowView> only_private = {{true, {{"a", "A", {}}}, 0}};
    EXPECT_TRUE(collect_session_windows(only_private).empty());
}

} // namespace
} // namespace corvane
