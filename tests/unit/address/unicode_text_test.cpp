// Unicode rules behind address input: White_Space, full lower-casing, Alphabetic, characters.

#include "address/unicode_text.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(UnicodeText, TrimsWhiteSpaceOnly) {
    EXPECT_EQ(text::trim_white_space(" \t\n a b \r"), "a b");
    EXPECT_EQ(text::trim_white_space("\u00a0\u3000x\u2028\u0085"), "x");
    EXPECT_EQ(text::trim_white_space("\u200bx\u200b"), "\u200bx\u200b"); // not White_Space
    EXPECT_EQ(text::trim_white_space("\u2003"), "");
    EXPECT_EQ(text::trim_white_space("\xff "), "\xff");
    EXPECT_TRUE(text::contains_white_space("a\u00a0b"));
    EXPECT_TRUE(text::contains_white_space("\u3000x"));
    EXPECT_FALSE(text::contains_white_space("a\u200bb"));
}

TEST(UnicodeText, LowerCasesFullyAndEveryAsciiByteAtEveryAlignment) {
    EXPECT_EQ(text::to_lower("ÉCOLE ΟΔΟΣ Σ"), "école οδος σ");
    EXPECT_EQ(text::to_lower("İǅ"), "i\u0307ǆ");
    EXPECT_EQ(text::ascii_lower("ÉA"), "Éa");
    // Long ASCII text is lower-cased eight bytes at a time; each byte must come out as the
    // one-byte rule says, and a late non-ASCII byte must still reach the Unicode rules.
    std::string all;
    for (int c = 1; c < 128; ++c) {
        all.push_back(static_cast<char>(c));
    }
    for (std::size_t shift = 0; shift < 8; ++shift) {
        const std::string input = std::string(shift, 'Q') + all;
        EXPECT_EQ(text::to_lower(input), text::ascii_lower(input)) << shift;
        EXPECT_EQ(text::to_lower(input + "Ä"), text::ascii_lower(input) + "ä") << shift;
    }
}

TEST(UnicodeText, AlphabeticAndCharacterCounts) {
    for (const auto* alphabetic : {"com", "テスト", "рф"}) {
        EXPECT_TRUE(text::is_alphabetic(alphabetic)) << alphabetic;
    }
    for (const auto* other : {"c0m", "co-m", ""}) {
        EXPECT_FALSE(text::is_alphabetic(other)) << other;
    }
    EXPECT_EQ(text::first_characters("aéb", 2), "aé");
    EXPECT_EQ(text::first_characters("ab", 5), "ab");
    EXPECT_EQ(text::first_characters("😀x", 1), "😀");
}

} // namespace
} // namespace corvane
