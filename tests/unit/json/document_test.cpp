#include "json/document.h"
#include "json/record_reader.h"
#include <gtest/gtest.h>

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

TEST(Document, MembersAndElements) {
    const auto document = parse_document(R"({"n":null,"list":[1,2,3]})", kMaxDepth);
    const Node root = document->root();
    EXPECT_FALSE(root.member("missing") || root.member("list")->member("n"));
    EXPECT_TRUE(root.member("list")->size() == 3u && root.size() == 0u);
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
    EXPECT_TRUE(numbers[0].u64() == 0u && !numbers[1].u64());
    EXPECT_TRUE(numbers[3].u64() == 0u && numbers[5].u64() == 7u);
}

TEST(Document, DocumentsAliveAtOnceKeepTheirOwnValues) {
    auto first = parse_document(R"(["first"])", 1);
    auto second = parse_document(R"(["second"])", 1);
    auto third = parse_document("[" + std::string(100000, ' ') + "\"large\"]", 1);
    const auto only = [](const Document& document) {
        return elements(document.root()).at(0).string().value_or("");
    };
    EXPECT_TRUE(only(*first) == "first" && only(*third) == "large");
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Entry from_tree;
        Entry in_place;
        const bool read = read_record(*parse_strict(c.text, kMaxDepth), kEntryFields, from_tree,
                                      c.missing, c.skip);
        EXPECT_EQ(read_record(parse_document(c.text, kMaxDepth)->root(), kEntryFields, in_place,
                              c.missing, c.skip),
                  read);
        EXPECT_EQ(read ? std::optional(from_tree) : std::nullopt, c.entry);
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
