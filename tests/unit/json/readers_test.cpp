#include "json/document.h"
#include "json/record_reader.h"
#include <gtest/gtest.h>

namespace corvane::json {
namespace {

using namespace std::literals;

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

// Both readers accept exactly the same texts, at the same depth limits.
TEST(StrictReaders, AcceptAndRefuseAlike) {
    std::vector<std::string> accepted{
        // Values with space around them, escapes and UTF-8, at the depth limit, keys repeated
        // only in different objects.
        R"({"a":1,"b":[true,false,null]})",
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
        "", " \n", "{} {}", "[1,]", "{}x", "{}\0"s, "[1]\0x"s, "{}\f", "{}\v", "{}\xC2\xA0",
        "\xEF\xBB\xBF{}", "{} // note", "'a'",
        // The same key twice, also when written with an escape.
        R"({"a":1,"a":1})", R"([{"b":1,"a":2,"b":3}])", R"({"a":1,"\u0061":2})",
        // Escapes and UTF-8.
        R"("\ud83d")", R"("\ude00")", R"("\ude00\ud83d")", R"("\x41")", R"("\u12")", "\"a\nb\"",
        "\"\xFF\"", "\"\xC3\"", "\"\xC0\xAF\"", "\"\xED\xA0\x80\"", "\"\xF4\x90\x80\x80\"",
        // Numbers; deeper than the limit.
        "1e400", "[1e400]", "NaN", "+1", "01", "[-0,-]", nested_arrays(128), nested_arrays(3000)};
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
    for (const auto& [texts, ok] : {std::pair{accepted, true}, {refused, false}}) {
        for (const auto& text : texts) {
            EXPECT_EQ(parse_strict(text, kMaxDepth).has_value(), ok) << text;
            EXPECT_EQ(parse_document(text, kMaxDepth).has_value(), ok) << text;
        }
    }
    for (const auto& [text, depth] : std::vector<std::pair<std::string, std::size_t>>{
             // Each text at its least depth, then one below: the top level counts as one, and a
             // limit may exceed the fast reader's own.
             {"1", 0},
             {"[]", 1},
             {R"({"a":[1,2],"b":{}})", 2},
             {R"({"a":[[1]]})", 3},
             {nested_arrays(1500), 1500}}) {
        SCOPED_TRACE(text.substr(0, 20));
        EXPECT_TRUE(parse_strict(text, depth) && parse_document(text, depth));
        EXPECT_TRUE(depth == 0 ||
                    !(parse_strict(text, depth - 1) || parse_document(text, depth - 1)));
    }
}

// simdjson reads -0 as 0 and refuses integers beyond 64 bits; such texts take the slower reader
// and must come out as the fast one's do.
TEST(StrictReader, KeepsValuesAndNumberKindsOnBothPaths) {
    const std::string fast =
        R"({"s":"a\u00e9\n","u":7,"zero":0,"i":-7,"f":1.5,"e":1e2,"n":null,"list":[{"k":false}])";
    for (const auto& text :
         {fast + "}",
          fast +
              R"(,"z":-0,"tiny":1e-400,"big":18446744073709551616,"low":-9223372036854775809})"}) {
        ASSERT_TRUE(parse_strict(text, kMaxDepth)) << text;
        for (const Json& value : {*parse_strict(text, kMaxDepth),
                                  std::move(*parse_document(text, kMaxDepth)).to_json()}) {
            EXPECT_EQ(value["s"], "a\xC3\xA9\n");
            EXPECT_TRUE(value["u"].is_number_unsigned() && value["zero"].is_number_unsigned());
            EXPECT_TRUE(value["i"].is_number_integer() && !value["i"].is_number_unsigned());
            EXPECT_TRUE(value["f"].is_number_float() && value["e"].is_number_float());
            EXPECT_TRUE(value["n"].is_null() && value["list"][0]["k"] == false);
        }
    }
}

// The tree's readers and a document's Nodes alike.
TEST(TypedReaders, TakeOnlyTheirOwnTypeAndRange) {
    using Read = std::tuple<std::optional<std::uint64_t>, std::optional<std::uint32_t>,
                            std::optional<double>, std::optional<std::string>, std::optional<bool>>;
    const auto n = std::nullopt;
    for (const auto& [text, expected] : std::vector<std::pair<std::string, Read>>{
             {"0", {0, 0, 0.0, n, n}},
             {"4294967295", {4294967295u, 4294967295u, 4294967295.0, n, n}},
             {"4294967296", {4294967296u, n, 4294967296.0, n, n}},
             {"18446744073709551615", {18446744073709551615u, n, 18446744073709551615.0, n, n}},
             {"18446744073709551616", {n, n, 18446744073709551616.0, n, n}},
             {"-1", {n, n, -1.0, n, n}},
             {"-9223372036854775809", {n, n, -9223372036854775809.0, n, n}},
             {"1e-400", {n, n, 0.0, n, n}},
             {"-0", {n, n, -0.0, n, n}},
             {"1.0", {n, n, 1.0, n, n}},
             {"-2.5e1", {n, n, -25.0, n, n}},
             {R"("1")", {n, n, n, "1", n}},
             {R"("a\u00e9\n")", {n, n, n, "a\xC3\xA9\n", n}},
             {"false", {n, n, n, n, false}},
             {"null", {n, n, n, n, n}}}) {
        SCOPED_TRACE(text);
        const Json tree = *parse_strict(text, 1);
        EXPECT_EQ(Read(as_u64(tree), as_u32(tree), as_f64(tree), as_string(tree), as_bool(tree)),
                  expected);
        const auto document = parse_document(text, 1);
        const Node node = document->root();
        std::uint32_t u32 = 7;
        const bool read = read_value(node, u32);
        EXPECT_TRUE(read || u32 == 7) << "untouched when refused";
        EXPECT_EQ(Read(node.u64(), read ? std::optional(u32) : n, node.f64(), node.string(),
                       node.boolean()),
                  expected);
    }
    std::vector<std::uint32_t> list{9};
    EXPECT_TRUE(read_value(*parse_strict("[1,2]", 2), list));
    EXPECT_FALSE(read_value(*parse_strict("[3,-4]", 2), list)) << "one bad element refuses all";
    EXPECT_FALSE(read_value(*parse_strict("{}", 2), list));
    EXPECT_EQ(list, (std::vector<std::uint32_t>{1, 2}));
}

TEST(Document, MembersAndElements) {
    const auto document = parse_document(R"({"n":null,"list":[1,2,3]})", kMaxDepth);
    const Node root = document->root();
    EXPECT_FALSE(root.member("missing") || root.member("list")->member("n"));
    EXPECT_TRUE(root.member("list")->size() == 3u && root.size() == 0u);
    std::vector<std::optional<std::uint64_t>> seen;
    EXPECT_FALSE(root.member("list")->every_element([&](Node element) {
        seen.push_back(element.u64());
        return seen.size() < 2;
    }));
    // -0 is no unsigned integer, wherever it is written; a number beyond 64 bits is no reason to
    // misread the others.
    const auto zeros = parse_document(R"([0,-0,"-0,",0,"x -0",7,123456789012345678901234])", 1);
    EXPECT_TRUE(zeros->root().every_element([&](Node element) {
        seen.push_back(element.u64());
        return true;
    }));
    const auto n = std::nullopt;
    EXPECT_EQ(seen, (std::vector<std::optional<std::uint64_t>>{1, 2, 0, n, n, 0, n, 7, n}));
}

TEST(Document, DocumentsAliveAtOnceKeepTheirOwnValues) {
    const auto parse = [](const std::string& value) {
        return parse_document(R"({"v":)" + value + "}", 1);
    };
    const auto value = [](const Document& document) {
        return std::string(document.root().member("v")->string().value_or(""));
    };
    auto first = parse(R"("first")");
    auto second = parse(R"("second")");
    auto third = parse(std::string(100000, ' ') + R"("large")");
    EXPECT_TRUE(value(*first) == "first" && value(*third) == "large");
    first.reset();
    EXPECT_EQ(value(*parse(R"("fourth")")), "fourth");
    EXPECT_EQ(value(*second), "second");
    EXPECT_EQ(std::move(*third).to_json(), Json::parse(R"({"v":"large"})"));
}

struct Entry {
    std::string url = "default";
    std::uint32_t visits = 42;
    bool pinned = true;

    bool operator==(const Entry&) const = default;
};

constexpr std::array kEntryFields{field<&Entry::url>("url"), field<&Entry::visits>("visits"),
                                  field<&Entry::pinned>("pinned")};

bool read_value(Node value, Entry& into) {
    return read_record(value, kEntryFields, into, Missing::reject);
}

// Records in object form take members by key in any order and ignore others; in array form
// they take fields by position, after `skip` elements left to the caller. Read from a tree and
// in place from a document alike.
TEST(RecordReader, BothFormsWithRequiredOrOptionalFields) {
    const auto reject = Missing::reject;
    const auto keep = Missing::keep_default;
    const std::vector<std::tuple<std::string_view, Missing, std::size_t, std::optional<Entry>>>
        cases{
            {R"({"pinned":false,"x":[{"y":null}],"visits":3,"url":"u"})", reject, 0,
             Entry{"u", 3, false}},
            {R"(["u",3,false])", reject, 0, Entry{"u", 3, false}},
            {R"(["tag","u",3,false])", reject, 1, Entry{"u", 3, false}},
            {R"({"visits":5})", keep, 0, Entry{"default", 5, true}},
            {R"(["v"])", keep, 0, Entry{"v", 42, true}},
            {"[]", keep, 0, Entry{}},
            {R"(["tag"])", keep, 1, Entry{}},
            {R"({"url":"u","visits":3})", reject, 0, std::nullopt},
            {R"(["u",3])", reject, 0, std::nullopt},
            {R"(["u",3,false,1])", reject, 0, std::nullopt},
            {R"(["tag","u",3])", reject, 1, std::nullopt},
            {R"(["u",1,true,null])", keep, 0, std::nullopt},
            {R"({"url":null,"visits":3,"pinned":true})", keep, 0, std::nullopt},
            {R"({"visits":-3})", keep, 0, std::nullopt},
            {R"({"visits":-0})", keep, 0, std::nullopt},
            {R"(["u",3,"false"])", keep, 0, std::nullopt},
            {R"("u")", keep, 0, std::nullopt},
            {"[]", keep, 1, std::nullopt},
        };
    for (const auto& [text, missing, skip, entry] : cases) {
        SCOPED_TRACE(text);
        Entry from_tree;
        Entry in_place;
        const bool read =
            read_record(*parse_strict(text, kMaxDepth), kEntryFields, from_tree, missing, skip);
        EXPECT_EQ(read_record(parse_document(text, kMaxDepth)->root(), kEntryFields, in_place,
                              missing, skip),
                  read);
        EXPECT_EQ(read ? std::optional(from_tree) : std::nullopt, entry);
        EXPECT_TRUE(!read || in_place == from_tree);
    }

    std::vector<Entry> list;
    EXPECT_TRUE(read_value(
        parse_document(R"([{"visits":2,"url":"a","pinned":true},["b",3,false]])", 2)->root(),
        list));
    EXPECT_EQ(list, (std::vector<Entry>{{"a", 2, true}, {"b", 3, false}}));
    EXPECT_FALSE(read_value(parse_document(R"([["a",2,true],["b",3]])", 2)->root(), list));
    EXPECT_FALSE(read_value(parse_document(R"(["a",2,true])", 2)->root(), list));
}

} // namespace
} // namespace corvane::json
