#include "json/document.h"
#include "json/record_reader.h"
#include <gtest/gtest.h>

namespace corvane::json {
namespace {

using namespace std::literals;
constexpr auto n = std::nullopt;

std::string nested_arrays(std::size_t depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

// An object of `keys` distinct keys, k0 upwards, plus `extra` members as written.
std::string object_with_keys(std::size_t keys, const std::string& extra = "") {
    std::string text = "{";
    for (std::size_t i = 0; i < keys; ++i) {
        text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    }
    return text + extra + "\"last\":true}";
}

// Both readers accept exactly the same texts, at the same depth limits.
TEST(StrictReaders, AcceptAndRefuseAlike) {
    std::vector<std::string> accepted{
        // Values with space around them, escapes and UTF-8.
        R"({"a":1,"b":[true,false,null]})", "{} \t\r\n", " \n[1]", "\"text\"", R"("\ud83d\ude00")",
        "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"", "18446744073709551615", R"(["-0,",0,"x -0"])",
        // At the depth limit, keys repeated only in different objects.
        nested_arrays(127), R"([{"a":1},{"a":2}])", R"({"a":{"a":1}})"};
    std::vector<std::string> refused{
        // Nothing, more than one value, trailing bytes, comments, a byte order mark.
        "", " \n", "{} {}", "[1,]", "{}x", "{}\0"s, "[1]\0x"s, "{}\f", "{}\v", "{}\xC2\xA0",
        "\xEF\xBB\xBF{}", "{} // note", "'a'",
        // The same key twice, also when written with an escape; bad escapes and UTF-8; numbers;
        // deeper than the limit.
        R"({"a":1,"a":1})", R"([{"b":1,"a":2,"b":3}])", R"({"a":1,"\u0061":2})", R"("\ud83d")",
        R"("\ude00")", R"("\ude00\ud83d")", R"("\x41")", R"("\u12")", "\"a\nb\"", "\"\xFF\"",
        "\"\xC3\"", "\"\xC0\xAF\"", "\"\xED\xA0\x80\"", "\"\xF4\x90\x80\x80\"", "1e400", "[1e400]",
        "NaN", "+1", "01", "[-0,-]", nested_arrays(128), nested_arrays(3000)};
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
    // Each text at its least depth, then one below: the top level counts as one, and a limit may
    // exceed the fast reader's own.
    // clang-format off
    for (const auto& [text, depth] : std::vector<std::pair<std::string, std::size_t>>{
             {"1", 0}, {"[]", 1}, {R"({"a":[1,2],"b":{}})", 2}, {R"({"a":[[1]]})", 3}, {nested_arrays(1500), 1500}}) {
        // clang-format on
        SCOPED_TRACE(text.substr(0, 20));
        EXPECT_TRUE(parse_strict(text, depth) && parse_document(text, depth));
        EXPECT_TRUE(depth == 0 ||
                    !(parse_strict(text, depth - 1) || parse_document(text, depth - 1)));
    }
}

// The tree's readers and a document's Nodes alike. simdjson reads -0 as 0 and refuses integers
// beyond 64 bits; such texts take the slower reader and must come out as the fast one's do, with
// the same number kinds (shown by how the value is written back).
TEST(TypedReaders, TakeOnlyTheirOwnTypeAndRange) {
    using Read = std::tuple<std::optional<std::uint64_t>, std::optional<std::uint32_t>,
                            std::optional<double>, std::optional<std::string>, std::optional<bool>>;
    // clang-format off
    for (const auto& [text, expected, written] : std::vector<std::tuple<std::string, Read, std::string>>{
             {"0", {0, 0, 0.0, n, n}, "0"},
             {"4294967295", {4294967295u, 4294967295u, 4294967295.0, n, n}, "4294967295"},
             {"4294967296", {4294967296u, n, 4294967296.0, n, n}, "4294967296"},
             {"18446744073709551615", {18446744073709551615u, n, 18446744073709551615.0, n, n}, "18446744073709551615"},
             {"18446744073709551616", {n, n, 18446744073709551616.0, n, n}, "1.8446744073709552e+19"},
             {"-1", {n, n, -1.0, n, n}, "-1"},
             {"1e-400", {n, n, 0.0, n, n}, "0.0"},
             {"-0", {n, n, -0.0, n, n}, "0"},
             {"1.0", {n, n, 1.0, n, n}, "1.0"},
             {R"("a\u00e9\n")", {n, n, n, "a\xC3\xA9\n", n}, "\"a\xC3\xA9\\n\""},
             {"false", {n, n, n, n, false}, "false"},
             {"null", {n, n, n, n, n}, "null"},
             {R"({"u":7,"i":-7,"e":1e2,"l":[{}]})", {n, n, n, n, n}, R"({"e":100.0,"i":-7,"l":[{}],"u":7})"},
             {R"({"u":7,"i":-7,"e":1e2,"l":[{"s":"\u00e9\n"},null,false],"z":-0,"b":-9223372036854775809})", {n, n, n, n, n},
              R"({"b":-9.223372036854776e+18,"e":100.0,"i":-7,"l":[{"s":"é\n"},null,false],"u":7,"z":0})"}}) {
        // clang-format on
        SCOPED_TRACE(text);
        const Json tree = *parse_strict(text, kMaxDepth);
        EXPECT_EQ(Read(as_u64(tree), as_u32(tree), as_f64(tree), as_string(tree), as_bool(tree)),
                  expected);
        auto document = parse_document(text, kMaxDepth);
        const Node node = document->root();
        std::uint32_t u32 = 7;
        const bool read = read_value(node, u32);
        EXPECT_TRUE(read || u32 == 7) << "untouched when refused";
        EXPECT_EQ(Read(node.u64(), read ? std::optional(u32) : n, node.f64(), node.string(),
                       node.boolean()),
                  expected);
        EXPECT_TRUE(tree.dump() == written && std::move(*document).to_json().dump() == written);
    }
    std::vector<std::uint32_t> list{9};
    EXPECT_TRUE(read_value(*parse_strict("[1,2]", 2), list));
    EXPECT_FALSE(read_value(*parse_strict("[3,-4]", 2), list)) << "one bad element refuses all";
    EXPECT_FALSE(read_value(*parse_strict("{}", 2), list));
    EXPECT_EQ(list, (std::vector<std::uint32_t>{1, 2}));
}

TEST(Document, MembersElementsAndDocumentsAliveAtOnce) {
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
    EXPECT_EQ(seen, (std::vector<std::optional<std::uint64_t>>{1, 2, 0, n, n, 0, n, 7, n}));

    // Documents alive at once keep their own values.
    auto first = parse_document(R"({"v":"first"})", 1);
    auto second = parse_document(R"({"v":"second"})", 1);
    auto third = parse_document(R"({"v":)" + std::string(100000, ' ') + R"("large"})", 1);
    EXPECT_EQ(first->root().member("v")->string(), "first");
    first.reset();
    const auto fourth = parse_document(R"({"v":"fourth"})", 1);
    EXPECT_EQ(fourth->root().member("v")->string(), "fourth");
    EXPECT_EQ(second->root().member("v")->string(), "second");
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

// Records in object form take members by key in any order and ignore others; in array form
// they take fields by position, after `skip` elements left to the caller. Read from a tree and
// in place from a document alike.
TEST(RecordReader, BothFormsWithRequiredOrOptionalFields) {
    using enum Missing;
    // clang-format off
    const std::vector<std::tuple<std::string_view, Missing, std::size_t, std::optional<Entry>>> cases{
        {R"({"pinned":false,"x":[{"y":null}],"visits":3,"url":"u"})", reject, 0, Entry{"u", 3, false}},
        {R"(["u",3,false])", reject, 0, Entry{"u", 3, false}},
        {R"(["tag","u",3,false])", reject, 1, Entry{"u", 3, false}},
        {R"({"visits":5})", keep_default, 0, Entry{"default", 5, true}},
        {R"(["v"])", keep_default, 0, Entry{"v", 42, true}},
        {R"(["tag"])", keep_default, 1, Entry{}},
        {R"({"url":"u","visits":3})", reject, 0, std::nullopt},
        {R"(["u",3])", reject, 0, std::nullopt},
        {R"(["u",1,true,null])", keep_default, 0, std::nullopt},
        {R"({"url":null,"visits":3,"pinned":true})", keep_default, 0, std::nullopt},
        {R"({"visits":-0})", keep_default, 0, std::nullopt},
        {R"(["u",3,"false"])", keep_default, 0, std::nullopt},
        {R"("u")", keep_default, 0, std::nullopt},
        {"[]", keep_default, 1, std::nullopt}};
    // clang-format on
    for (const auto& [text, missing, skip, entry] : cases) {
        SCOPED_TRACE(text);
        Entry from_tree, in_place;
        const bool read =
            read_record(*parse_strict(text, kMaxDepth), kEntryFields, from_tree, missing, skip);
        EXPECT_EQ(read_record(parse_document(text, kMaxDepth)->root(), kEntryFields, in_place,
                              missing, skip),
                  read);
        EXPECT_EQ(read ? std::optional(from_tree) : std::nullopt, entry);
        EXPECT_TRUE(!read || in_place == from_tree);
    }
}

} // namespace
} // namespace corvane::json
