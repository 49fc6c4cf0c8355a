#include "json/document.h"
#include "json/record_reader.h"
#include <gtest/gtest.h>
#include <string>

namespace corvane::json {
namespace {

std::vector<Node> elements(Node array) {
    std::vector<Node> found;
    array.every_element([&](Node element) {
        found.push_back(element);
        return true;
    });
    return found;
}

TEST(Document, NodesReadScalarsByTheStrictRules) {
    const auto document = parse_document(
        R"({"s":"a\u00e9\n","u":4294967296,"i":-1,"f":2.5,"t":true,"n":null,"list":[1,2,3]})",
        kMaxDepth);
    ASSERT_TRUE(document);
    const Node root = document->root();
    EXPECT_EQ(root.member("s")->string(), "a\xC3\xA9\n");
    EXPECT_EQ(root.member("u")->u64(), 4294967296u);
    EXPECT_EQ(root.member("u")->f64(), 4294967296.0);
    std::uint32_t narrow = 7;
    EXPECT_FALSE(read_value(*root.member("u"), narrow));
    EXPECT_EQ(narrow, 7u);
    EXPECT_EQ(root.member("i")->u64(), std::nullopt);
    EXPECT_EQ(root.member("i")->f64(), -1.0);
    EXPECT_EQ(root.member("f")->u64(), std::nullopt);
    EXPECT_EQ(root.member("t")->boolean(), true);
    EXPECT_EQ(root.member("n")->boolean(), std::nullopt);
    EXPECT_EQ(root.member("n")->string(), std::nullopt);
    EXPECT_EQ(root.member("missing"), std::nullopt);
    EXPECT_EQ(root.member("list")->size(), 3u);
    EXPECT_EQ(root.size(), 0u);
    EXPECT_EQ(root.member("list")->member("s"), std::nullopt);
    std::vector<std::uint64_t> seen;
    EXPECT_FALSE(root.member("list")->every_element([&](Node element) {
        seen.push_back(*element.u64());
        return seen.size() < 2;
    }));
    EXPECT_EQ(seen, (std::vector<std::uint64_t>{1, 2}));
    // -0 is no unsigned integer, wherever it is written; a number beyond 64 bits is no reason to
    // misread the others.
    const auto zeros = parse_document(R"([0,-0,"-0,",0,"x -0",7,123456789012345678901234])", 1);
    const auto numbers = elements(zeros->root());
    EXPECT_EQ(numbers[0].u64(), 0u);
    EXPECT_EQ(numbers[1].u64(), std::nullopt);
    EXPECT_EQ(numbers[3].u64(), 0u);
    EXPECT_EQ(numbers[5].u64(), 7u);
}

TEST(Document, DocumentsAliveAtOnceKeepTheirOwnValues) {
    auto first = parse_document(R"(["first"])", 1);
    auto second = parse_document(R"(["second"])", 1);
    auto third = parse_document("[" + std::string(100000, ' ') + "\"large\"]", 1);
    ASSERT_TRUE(first && second && third);
    const auto only = [](const Document& document) {
        return elements(document.root()).at(0).string().value_or("");
    };
    EXPECT_EQ(only(*first), "first");
    EXPECT_EQ(only(*third), "large");
    first.reset();
    EXPECT_EQ(only(*parse_document(R"(["fourth"])", 1)), "fourth");
    EXPECT_EQ(only(*second), "second");
    EXPECT_EQ(std::move(*third).to_json(), Json::array({"large"}));
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
    struct Case {
        std::string_view text;
        Missing missing;
        std::size_t skip;
        std::optional<Entry> entry;
    };
    const auto reject = Missing::reject;
    const auto keep = Missing::keep_default;
    const std::vector<Case> cases{
        {R"({"pinned":false,"x":[{"y":null}],"visits":3,"url":"u"})", reject, 0,
         Entry{"u", 3, false}},
        {R"(["u",3,false])", reject, 0, Entry{"u", 3, false}},
        {R"(["tag","u",3,false])", reject, 1, Entry{"u", 3, false}},
        {R"({"visits":5})", keep, 0, Entry{"default", 5, true}},
        {R"(["v"])", keep, 0, Entry{"v", 42, true}},
        {"[]", keep, 0, Entry{}},
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
    };
    for (const auto& c : cases) {
        Entry from_tree;
        Entry in_place;
        const auto tree = parse_strict(c.text, kMaxDepth);
        const auto document = parse_document(c.text, kMaxDepth);
        const bool read = read_record(*tree, kEntryFields, from_tree, c.missing, c.skip);
        EXPECT_EQ(read_record(document->root(), kEntryFields, in_place, c.missing, c.skip), read);
        EXPECT_EQ(read ? std::optional(from_tree) : std::nullopt, c.entry) << c.text;
        if (read) {
            EXPECT_EQ(in_place, from_tree) << c.text;
        }
    }
    const std::array<Field<Entry>, 0> no_fields{};
    Entry unused;
    EXPECT_TRUE(read_record(*parse_strict(R"(["tag"])", 1), no_fields, unused, reject, 1));
    EXPECT_FALSE(read_record(*parse_strict(R"(["tag",1])", 1), no_fields, unused, reject, 1));
    EXPECT_FALSE(read_record(*parse_strict("[]", 1), no_fields, unused, reject, 1));

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
