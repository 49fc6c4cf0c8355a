#include "json/strict_reader.h"
#include <gtest/gtest.h>
#include <string>

namespace corvane::json {
namespace {

struct TextCase {
    const char* name;
    std::string text;
};

std::string nested_arrays(std::size_t depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

class Accepted : public ::testing::TestWithParam<TextCase> {};

TEST_P(Accepted, Parses) {
    EXPECT_TRUE(parse_strict(GetParam().text, kMaxDepth));
}

INSTANTIATE_TEST_SUITE_P(
    StrictReader, Accepted,
    ::testing::Values(TextCase{"object", R"({"a":1,"b":[true,false,null]})"},
                      TextCase{"trailing_white_space", "{} \t\r\n"},
                      TextCase{"leading_white_space", " \n[1]"}, TextCase{"scalar", "\"text\""},
                      TextCase{"surrogate_pair", R"("\ud83d\ude00")"},
                      TextCase{"raw_utf8", "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\""},
                      TextCase{"same_key_in_two_objects", R"([{"a":1},{"a":2}])"},
                      TextCase{"same_key_at_two_levels", R"({"a":{"a":1}})"},
                      TextCase{"depth_127", nested_arrays(127)},
                      TextCase{"u64_max", "18446744073709551615"}),
    [](const auto& row) { return std::string(row.param.name); });

class Refused : public ::testing::TestWithParam<TextCase> {};

TEST_P(Refused, GivesNothing) {
    EXPECT_FALSE(parse_strict(GetParam().text, kMaxDepth));
}

INSTANTIATE_TEST_SUITE_P(
    StrictReader, Refused,
    ::testing::Values(
        TextCase{"empty", ""}, TextCase{"white_space_only", " \n"},
        TextCase{"second_value", "{} {}"}, TextCase{"trailing_comma", "[1,]"},
        TextCase{"trailing_letter", "{}x"}, TextCase{"trailing_nul", {"{}\0", 3}},
        TextCase{"nul_then_junk", {"[1]\0x", 5}}, TextCase{"trailing_form_feed", "{}\f"},
        TextCase{"trailing_vertical_tab", "{}\v"}, TextCase{"trailing_nbsp", "{}\xC2\xA0"},
        TextCase{"byte_order_mark", "\xEF\xBB\xBF{}"}, TextCase{"comment", "{} // note"},
        TextCase{"duplicate_key", R"({"a":1,"a":1})"},
        TextCase{"duplicate_key_nested", R"([{"b":1,"a":2,"b":3}])"},
        TextCase{"duplicate_key_by_escape", R"({"a":1,"\u0061":2})"},
        TextCase{"lone_high_surrogate", R"("\ud83d")"},
        TextCase{"lone_low_surrogate", R"("\ude00")"},
        TextCase{"reversed_surrogates", R"("\ude00\ud83d")"}, TextCase{"bad_escape", R"("\x41")"},
        TextCase{"short_unicode_escape", R"("\u12")"},
        TextCase{"raw_control_character", "\"a\nb\""}, TextCase{"invalid_utf8_byte", "\"\xFF\""},
        TextCase{"truncated_utf8", "\"\xC3\""}, TextCase{"overlong_utf8", "\"\xC0\xAF\""},
        TextCase{"utf8_surrogate", "\"\xED\xA0\x80\""},
        TextCase{"beyond_u10ffff", "\"\xF4\x90\x80\x80\""},
        TextCase{"depth_128", nested_arrays(128)},
        TextCase{"depth_128_objects",
                 [] {
                     std::string text;
                     for (int i = 0; i < 128; ++i) {
                         text += "{\"a\":";
                     }
                     return text + "1" + std::string(128, '}');
                 }()},
        TextCase{"number_overflow", "1e400"}, TextCase{"nan", "NaN"},
        TextCase{"leading_plus", "+1"}, TextCase{"leading_zero", "01"},
        TextCase{"single_quotes", "'a'"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(StrictReader, DepthCountsTheTopLevelAsOne) {
    EXPECT_TRUE(parse_strict("1", 0));
    EXPECT_FALSE(parse_strict("[]", 0));
    EXPECT_TRUE(parse_strict("[]", 1));
    EXPECT_TRUE(parse_strict(R"({"a":[1,2],"b":{}})", 2));
    EXPECT_FALSE(parse_strict(R"({"a":[[1]]})", 2));
}

TEST(StrictReader, KeepsValuesAndNumberKinds) {
    const auto value = parse_strict(R"({"s":"a\u00e9\n","u":7,"i":-7,"f":1.5,"e":1e2,"n":null,
        "big":18446744073709551616,"list":[{"k":false}]})",
                                    kMaxDepth);
    ASSERT_TRUE(value);
    EXPECT_EQ((*value)["s"], "a\xC3\xA9\n");
    EXPECT_TRUE((*value)["u"].is_number_unsigned());
    EXPECT_TRUE((*value)["i"].is_number_integer() && !(*value)["i"].is_number_unsigned());
    EXPECT_TRUE((*value)["f"].is_number_float());
    EXPECT_TRUE((*value)["e"].is_number_float());
    EXPECT_TRUE((*value)["big"].is_number_float());
    EXPECT_TRUE((*value)["n"].is_null());
    EXPECT_EQ((*value)["list"][0]["k"], false);
}

struct NumberCase {
    const char* text;
    std::optional<std::uint64_t> u64;
    std::optional<std::uint32_t> u32;
};

TEST(StrictReader, IntegerWidthsAcceptOnlyPlainDigitsInRange) {
    const NumberCase cases[] = {
        {"0", 0, 0},
        {"4294967295", 4294967295u, 4294967295u},
        {"4294967296", 4294967296u, std::nullopt},
        {"18446744073709551615", 18446744073709551615u, std::nullopt},
        {"18446744073709551616", std::nullopt, std::nullopt},
        {"-1", std::nullopt, std::nullopt},
        {"-0", std::nullopt, std::nullopt},
        {"1.0", std::nullopt, std::nullopt},
        {"1.5", std::nullopt, std::nullopt},
        {"1e3", std::nullopt, std::nullopt},
        {"1E0", std::nullopt, std::nullopt},
        {"\"1\"", std::nullopt, std::nullopt},
        {"null", std::nullopt, std::nullopt},
        {"true", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto value = parse_strict(c.text, kMaxDepth);
        ASSERT_TRUE(value);
        EXPECT_EQ(as_u64(*value), c.u64);
        EXPECT_EQ(as_u32(*value), c.u32);
    }
}

TEST(StrictReader, TypedReadersRefuseOtherTypesAndNull) {
    const Json null_value(nullptr);
    EXPECT_FALSE(as_string(null_value));
    EXPECT_FALSE(as_bool(null_value));
    EXPECT_FALSE(as_f64(null_value));
    EXPECT_FALSE(as_string(Json(1u)));
    EXPECT_FALSE(as_bool(Json(0u)));
    EXPECT_FALSE(as_bool(Json("true")));
    EXPECT_FALSE(as_f64(Json("1")));
    EXPECT_EQ(as_string(Json("x")), "x");
    EXPECT_EQ(as_bool(Json(true)), true);
    EXPECT_EQ(as_f64(*parse_strict("300", 1)), 300.0);
    EXPECT_EQ(as_f64(*parse_strict("-2.5e1", 1)), -25.0);
}

TEST(StrictReader, ListReaderRefusesTheWholeListForOneBadElement) {
    std::vector<std::uint32_t> list{9};
    EXPECT_TRUE(read_value(*parse_strict("[1,2]", 2), list));
    EXPECT_EQ(list, (std::vector<std::uint32_t>{1, 2}));
    EXPECT_FALSE(read_value(*parse_strict("[3,-4]", 2), list));
    EXPECT_EQ(list, (std::vector<std::uint32_t>{1, 2}));
    EXPECT_FALSE(read_value(*parse_strict("{}", 2), list));
}

} // namespace
} // namespace corvane::json
