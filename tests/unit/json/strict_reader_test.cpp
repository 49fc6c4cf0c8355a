#include "json/document.h"
#include "json/strict_reader.h"
#include <gtest/gtest.h>
#include <string>

namespace corvane::json {
namespace {

std::string nested_arrays(std::size_t depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

// An object of n distinct keys, k0 to k(n-1), plus `extra` members as written.
std::string object_with_keys(std::size_t n, const std::string& extra = "") {
    std::string text = "{";
    for (std::size_t i = 0; i < n; ++i) {
        text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    }
    return text + extra + "\"last\":true}";
}

// Both readers accept exactly the same texts.
TEST(StrictReaders, AcceptAndRefuseAlike) {
    std::vector<std::string> accepted{R"({"a":1,"b":[true,false,null]})",
                                      "{} \t\r\n",
                                      " \n[1]",
                                      "\"text\"",
                                      R"("\ud83d\ude00")",
                                      "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"",
                                      R"([{"a":1},{"a":2}])",
                                      R"({"a":{"a":1}})",
                                      nested_arrays(127),
                                      "18446744073709551615",
                                      R"(["-0,",0,"x -0"])"};
    std::vector<std::string> refused{
        // Nothing, more than one value, trailing bytes, comments, a byte order mark.
        "",
        " \n",
        "{} {}",
        "[1,]",
        "{}x",
        {"{}\0", 3},
        {"[1]\0x", 5},
        "{}\f",
        "{}\v",
        "{}\xC2\xA0",
        "\xEF\xBB\xBF{}",
        "{} // note",
        "'a'",
        // The same key twice, also when written with an escape.
        R"({"a":1,"a":1})",
        R"([{"b":1,"a":2,"b":3}])",
        R"({"a":1,"\u0061":2})",
        // Escapes and UTF-8.
        R"("\ud83d")",
        R"("\ude00")",
        R"("\ude00\ud83d")",
        R"("\x41")",
        R"("\u12")",
        "\"a\nb\"",
        "\"\xFF\"",
        "\"\xC3\"",
        "\"\xC0\xAF\"",
        "\"\xED\xA0\x80\"",
        "\"\xF4\x90\x80\x80\"",
        // Numbers.
        "1e400",
        "[1e400]",
        "NaN",
        "+1",
        "01",
        "[-0,-]",
        // Deeper than the limit.
        nested_arrays(128),
        nested_arrays(3000)};
    std::string objects;
    for (int i = 0; i < 128; ++i) {
        objects += "{\"a\":";
    }
    refused.push_back(objects + "1" + std::string(128, '}'));
    for (const std::size_t keys : {2, 8, 9, 40}) {
        accepted.push_back(object_with_keys(keys));
        refused.push_back(object_with_keys(keys, "\"k1\":0,"));
        refused.push_back("[1,{\"skipped\":" + object_with_keys(keys, "\"k1\":0,") + "}]");
    }
    for (const auto& text : accepted) {
        EXPECT_TRUE(parse_strict(text, kMaxDepth)) << text;
        EXPECT_TRUE(parse_document(text, kMaxDepth)) << text;
    }
    for (const auto& text : refused) {
        EXPECT_FALSE(parse_strict(text, kMaxDepth)) << text;
        EXPECT_FALSE(parse_document(text, kMaxDepth)) << text;
    }
}

TEST(StrictReaders, DepthCountsTheTopLevelAsOneAndMayExceedTheFastReadersOwn) {
    for (const auto& [text, depth, ok] : std::vector<std::tuple<std::string, std::size_t, bool>>{
             {"1", 0, true},
             {"[]", 0, false},
             {"[]", 1, true},
             {R"({"a":[1,2],"b":{}})", 2, true},
             {R"({"a":[[1]]})", 2, false},
             {nested_arrays(1500), 2000, true},
             {nested_arrays(1500), 1499, false}}) {
        EXPECT_EQ(parse_strict(text, depth).has_value(), ok) << text.substr(0, 20) << depth;
        EXPECT_EQ(parse_document(text, depth).has_value(), ok) << text.substr(0, 20) << depth;
    }
}

// simdjson reads -0 as 0 and refuses integers beyond 64 bits; such texts take the slower reader
// and must come out as the fast one's do.
TEST(StrictReader, KeepsValuesAndNumberKindsOnBothPaths) {
    for (
        const auto* text :
        {R"({"s":"a\u00e9\n","u":7,"zero":0,"i":-7,"f":1.5,"e":1e2,"n":null,"list":[{"k":false}]})",
         R"({"s":"a\u00e9\n","u":7,"zero":0,"i":-7,"f":1.5,"e":1e2,"n":null,"list":[{"k":false}],)"
         R"("z":-0,"tiny":1e-400,"big":18446744073709551616,"low":-9223372036854775809})"}) {
        ASSERT_TRUE(parse_strict(text, kMaxDepth)) << text;
        for (const Json& value : {*parse_strict(text, kMaxDepth),
                                  std::move(*parse_document(text, kMaxDepth)).to_json()}) {
            EXPECT_EQ(value["s"], "a\xC3\xA9\n");
            EXPECT_TRUE(value["u"].is_number_unsigned() && value["zero"].is_number_unsigned());
            EXPECT_TRUE(value["i"].is_number_integer() && !value["i"].is_number_unsigned());
            EXPECT_TRUE(value["f"].is_number_float() && value["e"].is_number_float());
            EXPECT_TRUE(value["n"].is_null());
            EXPECT_EQ(value["list"][0]["k"], false);
        }
    }
    const auto slow = *parse_strict(R"([-0,1e-400,18446744073709551616,-9223372036854775809])", 1);
    EXPECT_TRUE(slow[0].is_number_integer() && !slow[0].is_number_unsigned());
    EXPECT_EQ(slow[1], 0.0);
    EXPECT_TRUE(slow[2].is_number_float() && slow[3].is_number_float());
}

TEST(StrictReader, TypedReadersTakeOnlyTheirOwnTypeAndRange) {
    const std::vector<
        std::tuple<const char*, std::optional<std::uint64_t>, std::optional<std::uint32_t>>>
        integers{{"0", 0, 0},
                 {"4294967295", 4294967295u, 4294967295u},
                 {"4294967296", 4294967296u, std::nullopt},
                 {"18446744073709551615", 18446744073709551615u, std::nullopt}};
    for (const auto& [text, u64, u32] : integers) {
        EXPECT_EQ(as_u64(*parse_strict(text, 1)), u64) << text;
        EXPECT_EQ(as_u32(*parse_strict(text, 1)), u32) << text;
    }
    for (const auto* text : {"18446744073709551616", "-1", "-0", "1.0", "1e3", "\"1\"", "null"}) {
        EXPECT_FALSE(as_u64(*parse_strict(text, 1))) << text;
        EXPECT_FALSE(as_u32(*parse_strict(text, 1))) << text;
    }
    const Json null_value(nullptr);
    EXPECT_FALSE(as_string(null_value) || as_bool(null_value) || as_f64(null_value));
    EXPECT_FALSE(as_string(Json(1u)) || as_bool(Json(0u)) || as_f64(Json("1")));
    EXPECT_EQ(as_string(Json("x")), "x");
    EXPECT_EQ(as_bool(Json(true)), true);
    EXPECT_EQ(as_f64(*parse_strict("-2.5e1", 1)), -25.0);

    std::vector<std::uint32_t> list{9};
    EXPECT_TRUE(read_value(*parse_strict("[1,2]", 2), list));
    EXPECT_FALSE(read_value(*parse_strict("[3,-4]", 2), list)) << "one bad element refuses all";
    EXPECT_FALSE(read_value(*parse_strict("{}", 2), list));
    EXPECT_EQ(list, (std::vector<std::uint32_t>{1, 2}));
}

} // namespace
} // namespace corvane::json
