#include "shield/blocklist.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {
namespace {

std::vector<std::string_view> lines_of(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

bool is_host_line(std::string_view line) {
    return line.size() >= 7 && line.size() <= 29 &&
           std::all_of(line.begin(), line.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
                      c == '/' || c == '_';
           });
}

TEST(BuiltinBlocklist, HasTheFixedShape) {
    const auto text = builtin_blocklist();
    EXPECT_EQ(text.size(), 3207u);
    ASSERT_TRUE(text.ends_with('\n'));
    const auto lines = lines_of(text);
    ASSERT_EQ(lines.size(), 192u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_TRUE(lines[i].starts_with("# ")) << lines[i];
    }
    EXPECT_EQ(lines[6], "");

    struct Category {
        std::string_view heading;
        std::size_t hosts;
        std::size_t with_path;
    };
    const std::array<Category, 3> categories{{
        {"# Ad exchanges / ad serving", 67, 0},
        {"# Tracking / analytics / session replay", 93, 3},
        {"# Fingerprinting / cryptominers / malvertising", 11, 0},
    }};
    std::size_t at = 7;
    std::set<std::string_view> seen;
    for (const auto& category : categories) {
        EXPECT_EQ(lines[at], category.heading);
        std::size_t with_path = 0;
        for (std::size_t i = 1; i <= category.hosts; ++i) {
            const auto line = lines[at + i];
            EXPECT_TRUE(is_host_line(line)) << line;
            EXPECT_TRUE(seen.insert(line).second) << "twice: " << line;
            with_path += line.find('/') != std::string_view::npos ? 1 : 0;
        }
        EXPECT_EQ(with_path, category.with_path) << category.heading;
        at += category.hosts + 1;
    }

    EXPECT_EQ(lines[at], "# Element hiding (conservative, widely-safe selectors only)");
    const std::array<std::string_view, 10> selectors{"##ins.adsbygoogle",
                                                     "##.adsbygoogle",
                                                     R"(##[id^="google_ads_iframe"])",
                                                     R"(##[id^="div-gpt-ad"])",
                                                     "##.taboola-widget",
                                                     R"(##[id^="taboola-"])",
                                                     "##.OUTBRAIN",
                                                     "##.ob-widget",
                                                     "##[data-ad-slot]",
                                                     "##amp-ad"};
    for (std::size_t i = 0; i < selectors.size(); ++i) {
        EXPECT_EQ(lines[at + 1 + i], selectors[i]);
    }
    EXPECT_EQ(at + 1 + selectors.size(), lines.size());
}

} // namespace
} // namespace corvane
