#include "core/page_text.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(PageText, SanitizeDropsControlsAndCountsCharacters) {
    EXPECT_EQ(sanitize_page_text("a\nb\tc\x7f"
                                 "d",
                                 300),
              "abcd");
    // C1 controls, the right-to-left override and an isolate control.
    EXPECT_EQ(sanitize_page_text("x\u0085y\u202Ez\u2066w", 300), "xyzw");
    // Characters, not bytes: three two-byte letters fit a limit of three.
    EXPECT_EQ(sanitize_page_text("äöüß", 3), "äöü");
    EXPECT_EQ(sanitize_page_text("\n\n\nabc", 2), "ab");
    EXPECT_EQ(sanitize_page_text("abc", 0), "");
    EXPECT_EQ(sanitize_page_text("", 5), "");
    // A malformed sequence becomes one replacement character, so the result stays valid UTF-8.
    EXPECT_EQ(sanitize_page_text("a\xff"
                                 "b",
                                 10),
              "a\uFFFD"
              "b");
}

TEST(PageText, CleanTitleCutsThenTrims) {
    EXPECT_EQ(clean_title(std::string(400, 'a')), std::string(300, 'a'));
    EXPECT_EQ(clean_title("Hello\n\u202EWorld"), "HelloWorld");
    EXPECT_EQ(clean_title("  \t \t "), "");
    EXPECT_EQ(clean_title("\u00A0\u3000x\u2003"), "x"); // Unicode White_Space
    EXPECT_EQ(clean_title("\u200Bx"), "\u200Bx");       // zero width space is not
    // The kept 300 end in spaces, which the trim then removes.
    const std::string title = std::string(298, 'b') + "    tail";
    EXPECT_EQ(clean_title(title), std::string(298, 'b'));
}

} // namespace
} // namespace corvane
