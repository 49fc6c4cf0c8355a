#include "pages/html_text.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(HtmlEscape, ReplacesTheFiveCharactersOnly) {
    EXPECT_EQ(html_escape(R"(<a href='x'>"Tom" & Jerry</a>)"),
              "&lt;a href=&#39;x&#39;&gt;&quot;Tom&quot; &amp; Jerry&lt;/a&gt;");
    EXPECT_EQ(html_escape("plain ünïcode / text;"), "plain ünïcode / text;");
    EXPECT_EQ(html_escape("&amp;"), "&amp;amp;");
    EXPECT_EQ(html_escape(""), "");
}

TEST(FirstChars, CountsCharactersNotBytes) {
    EXPECT_EQ(first_chars("abcdef", 3), "abc");
    EXPECT_EQ(first_chars("äöü€𝄞x", 5), "äöü€𝄞");
    EXPECT_EQ(first_chars("short", 18), "short");
    EXPECT_EQ(first_chars("", 18), "");
    EXPECT_EQ(first_chars("abc", 0), "");
    // A broken sequence never cuts into the middle of the text's bytes beyond its end.
    EXPECT_EQ(first_chars("a\xE2\x82", 5), "a\xE2\x82");
}

TEST(InitialLetter, FirstAlphanumericInFullUpperCase) {
    EXPECT_EQ(initial_letter("ßuper"), "SS");
    EXPECT_EQ(initial_letter("ﬁne"), "FI");
    EXPECT_EQ(initial_letter("ödön"), "Ö");
    EXPECT_EQ(initial_letter("  (x)"), "X");
    EXPECT_EQ(initial_letter("½ price"), "½");
    EXPECT_EQ(initial_letter("-- 7 --"), "7");
    EXPECT_EQ(initial_letter("!!!"), "");
    EXPECT_EQ(initial_letter("\xFF\xFE"), "");
    EXPECT_EQ(initial_letter(""), "");
}

} // namespace
} // namespace corvane
