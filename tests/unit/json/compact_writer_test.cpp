#include "json/compact_writer.h"
#include "json/strict_reader.h"
#include <gtest/gtest.h>

namespace corvane::json {
namespace {

// Only quotes, backslashes and control characters are escaped; ill-formed UTF-8 is replaced so
// that the text reads back. RecordWriter writes every string as write_compact does.
TEST(CompactWriter, EscapesUtf8AndOrder) {
    using namespace std::literals;
    for (const auto& [text, written] : std::vector<std::pair<std::string, std::string>>{
             {"a\"b\\c\b\t\n\f\r\0\x01\x0b\x1f/ \x7f<\x26>'"s,
              R"("a\"b\\c\b\t\n\f\r\u0000\u0001\u000b\u001f/ )"
              "\x7f<&>'\""},
             {"caf\xC3\xA9 \xE2\x80\xA8 \xF0\x9F\x98\x80\xF4\x8F\xBF\xBF\xED\x9F\xBF",
              "\"caf\xC3\xA9 \xE2\x80\xA8 \xF0\x9F\x98\x80\xF4\x8F\xBF\xBF\xED\x9F\xBF\""},
             {"a\xFF", "\"a\xEF\xBF\xBD\""}}) {
        EXPECT_EQ(write_compact(Json(text)), written);
        EXPECT_EQ(RecordWriter().string(text).take(), written);
        EXPECT_TRUE(parse_strict(written, 1)) << written;
    }
    for (const std::string ill_formed :
         {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF0\x80\x80\x80", "\xF4\x90\x80\x80",
          "\xF5\x80\x80\x80", "\xC3", "a\xE2\x82", "\x80x"}) {
        const std::string written = RecordWriter().string(ill_formed).take();
        EXPECT_EQ(written, write_compact(Json(ill_formed)));
        EXPECT_TRUE(parse_strict(written, 1)) << written;
    }
    // Values have no space and keys come in byte order (U+00E9 after every ASCII key); a record
    // is written in call order.
    EXPECT_EQ(
        write_compact(Json::parse(R"({"z":1, "\u00e9":true, "B":[1,"x",null], "a":{}, "ab":2.5})")),
        "{\"B\":[1,\"x\",null],\"a\":{},\"ab\":2.5,\"z\":1,\"\xC3\xA9\":true}");
    RecordWriter out;
    out.begin_array();
    out.begin_object().key("url").string("u\n").key("visits").number(4294967295u);
    out.key("last").number(18446744073709551615u).key("ok").boolean(false).key("n").null();
    out.key("tabs").begin_array().end_array().key("o").begin_object().end_object().end_object();
    out.begin_array().string("a").boolean(true).end_array().end_array();
    EXPECT_EQ(out.take(), "[{\"url\":\"u\\n\",\"visits\":4294967295,"
                          "\"last\":18446744073709551615,\"ok\":false,\"n\":null,\"tabs\":[],"
                          "\"o\":{}},[\"a\",true]]");
}

} // namespace
} // namespace corvane::json
