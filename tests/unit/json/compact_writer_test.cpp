#include "json/compact_writer.h"
#include "json/strict_reader.h"
#include <gtest/gtest.h>

namespace corvane::json {
namespace {

struct EscapeCase {
    std::string text;
    std::string written;
};

TEST(CompactWriter, EscapesOnlyQuotesBackslashAndControlCharacters) {
    const EscapeCase cases[] = {
        {"a\"b\\c", R"("a\"b\\c")"},
        {"\b\t\n\f\r", R"("\b\t\n\f\r")"},
        {std::string("\0\x01\x0b\x1f", 4), R"("\u0000\u0001\u000b\u001f")"},
        {"/ \x7f", "\"/ \x7f\""},
        {"caf\xC3\xA9 \xE2\x80\xA8 \xF0\x9F\x98\x80",
         "\"caf\xC3\xA9 \xE2\x80\xA8 \xF0\x9F\x98\x80\""},
        {"<\x26>'", "\"<&>'\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        EXPECT_EQ(write_compact(nlohmann::json(c.text)), c.written);
    }
}

TEST(CompactWriter, InvalidUtf8IsReplacedSoTheTextReadsBack) {
    const std::string written = write_compact(nlohmann::json(std::string("a\xFF"
                                                                         "b")));
    EXPECT_EQ(written, "\"a\xEF\xBF\xBD"
                       "b\"");
    EXPECT_TRUE(parse_strict(written, 1));
}

TEST(CompactWriter, ValuesHaveNoSpaceAndKeysComeInByteOrder) {
    nlohmann::json value = nlohmann::json::object();
    value["z"] = 1u;
    value["\xC3\xA9"] = true; // U+00E9 sorts after every ASCII key
    value["B"] = nlohmann::json::array({1u, "x", nullptr});
    value["a"] = nlohmann::json::object();
    value["ab"] = 2.5;
    EXPECT_EQ(write_compact(value),
              "{\"B\":[1,\"x\",null],\"a\":{},\"ab\":2.5,\"z\":1,\"\xC3\xA9\":true}");
}

TEST(RecordWriter, WritesInCallOrderWithCommasAndTheSameEscapes) {
    RecordWriter out;
    out.begin_array();
    out.begin_object().key("url").string("u\n\x01/é").key("visits").number(4294967295u);
    out.key("last").number(18446744073709551615u).key("ok").boolean(false);
    out.key("tabs").begin_array().end_array().key("o").begin_object().end_object().end_object();
    out.begin_array().string("a").boolean(true).end_array().end_array();
    EXPECT_EQ(out.take(), "[{\"url\":\"u\\n\\u0001/é\",\"visits\":4294967295,"
                          "\"last\":18446744073709551615,\"ok\":false,\"tabs\":[],\"o\":{}},"
                          "[\"a\",true]]");

    RecordWriter empty;
    EXPECT_EQ(empty.begin_array().end_array().take(), "[]");

    RecordWriter invalid;
    EXPECT_EQ(invalid.string("a\xFF").take(), "\"a\xEF\xBF\xBD\"");
}

TEST(RecordWriter, StringsMatchWriteCompactForValidAndInvalidUtf8) {
    const std::string samples[] = {
        "plain",
        "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
        "\xF4\x8F\xBF\xBF",
        "\xC0\xAF",
        "\xE0\x80\xAF",
        "\xED\xA0\x80",
        "\xED\x9F\xBF",
        "\xF0\x80\x80\x80",
        "\xF4\x90\x80\x80",
        "\xF5\x80",
        "\xC3",
        "a\xE2\x82",
        "\x80x",
        std::string("\0\x1f\"\\\x7f", 5),
    };
    for (const auto& sample : samples) {
        SCOPED_TRACE(::testing::PrintToString(sample));
        RecordWriter out;
        EXPECT_EQ(out.string(sample).take(), write_compact(nlohmann::json(sample)));
    }
}

} // namespace
} // namespace corvane::json
