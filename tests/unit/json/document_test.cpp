#include "json/document.h"
#include "json/record_reader.h"
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

std::optional<std::uint64_t> u64_at(std::string_view text, std::size_t index) {
    const auto document = parse_document(text, kMaxDepth);
    std::optional<std::uint64_t> found;
    std::size_t at = 0;
    if (document) {
        document->root().every_element([&](Node element) {
            if (at++ == index) {
                found = element.u64();
            }
            return true;
        });
    }
    return found;
}

// simdjson reads -0 as 0 and refuses integers beyond 64 bits; such texts take the slower reader
// and must come out as they always did.
TEST(Document, NumbersTheFastReaderCannotHoldKeepTheirKinds) {
    const auto tree = parse_strict("[0,-0,18446744073709551616,-9223372036854775809,1e-400]", 1);
    ASSERT_TRUE(tree);
    EXPECT_TRUE((*tree)[0].is_number_unsigned());
    EXPECT_TRUE((*tree)[1].is_number_integer() && !(*tree)[1].is_number_unsigned());
    EXPECT_TRUE((*tree)[2].is_number_float());
    EXPECT_TRUE((*tree)[3].is_number_float());
    EXPECT_EQ((*tree)[4], 0.0);

    EXPECT_EQ(u64_at("[0,-0]", 0), 0u);
    EXPECT_EQ(u64_at("[0,-0]", 1), std::nullopt);
    EXPECT_EQ(u64_at(R"(["-0,",0,"x -0"])", 1), 0u);
    EXPECT_EQ(u64_at("[7,123456789012345678901234]", 0), 7u);
    EXPECT_FALSE(parse_document("[1e400]", 1));
    EXPECT_FALSE(parse_document("[-0,-]", 1));
}

TEST(Document, RefusesDuplicateKeysAtAnyDepthAndObjectSize) {
    for (const std::size_t keys : {2, 8, 9, 40}) {
        SCOPED_TRACE(keys);
        EXPECT_TRUE(parse_document(object_with_keys(keys), kMaxDepth));
        EXPECT_TRUE(parse_strict(object_with_keys(keys), kMaxDepth));
        const std::string twice = object_with_keys(keys, "\"k1\":0,");
        EXPECT_FALSE(parse_document(twice, kMaxDepth));
        EXPECT_FALSE(parse_strict(twice, kMaxDepth));
        const std::string nested = "[1,{\"skipped\":" + twice + "}]";
        EXPECT_FALSE(parse_document(nested, kMaxDepth));
        EXPECT_FALSE(parse_strict(nested, kMaxDepth));
    }
    EXPECT_FALSE(parse_document(R"({"b":1,"\u0062":2})", kMaxDepth));
}

TEST(Document, DepthLimitHoldsBelowAndBeyondTheParsersOwn) {
    EXPECT_TRUE(parse_document(nested_arrays(127), kMaxDepth));
    EXPECT_FALSE(parse_document(nested_arrays(128), kMaxDepth));
    EXPECT_FALSE(parse_document("[]", 0));
    EXPECT_TRUE(parse_document("1", 0));
    EXPECT_FALSE(parse_document(nested_arrays(3000), kMaxDepth));
    EXPECT_TRUE(parse_strict(nested_arrays(1500), 2000));
    EXPECT_TRUE(parse_document(nested_arrays(1500), 2000));
    EXPECT_FALSE(parse_strict(nested_arrays(1500), 1499));
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
}

TEST(Document, DocumentsAliveAtOnceKeepTheirOwnValues) {
    auto first = parse_document(R"(["first"])", 1);
    auto second = parse_document(R"(["second"])", 1);
    const std::string large = "[" + std::string(100000, ' ') + "\"large\"]";
    auto third = parse_document(large, 1);
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(parse_strict(R"(["tree"])", 1), Json::array({"tree"}));
    const auto only = [](const Document& document) {
        std::string text;
        document.root().every_element([&](Node element) {
            text = element.string().value_or("");
            return true;
        });
        return text;
    };
    EXPECT_EQ(only(*first), "first");
    EXPECT_EQ(only(*second), "second");
    EXPECT_EQ(only(*third), "large");
    first.reset();
    EXPECT_EQ(only(*parse_document(R"(["fourth"])", 1)), "fourth");
    EXPECT_EQ(only(*second), "second");
    EXPECT_EQ(std::move(*third).to_json(), Json::array({"large"}));
}

struct Visit {
    std::string url;
    std::uint32_t visits = 0;

    bool operator==(const Visit&) const = default;
};

constexpr std::array kVisitFields{field<&Visit::url>("url"), field<&Visit::visits>("visits")};

std::optional<std::vector<Visit>> read_visits(std::string_view text) {
    const auto document = parse_document(text, kMaxDepth);
    std::vector<Visit> visits;
    if (!document || !read_value(document->root(), visits)) {
        return std::nullopt;
    }
    return visits;
}

bool read_value(Node value, Visit& into) {
    return read_record(value, kVisitFields, into, Missing::reject);
}

TEST(Document, ListsOfRecordsReadInPlaceInBothForms) {
    EXPECT_EQ(read_visits(R"([{"visits":2,"url":"a","x":{"y":[-0]}},["b",3]])"),
              (std::vector<Visit>{{"a", 2}, {"b", 3}}));
    EXPECT_EQ(read_visits("[]"), std::vector<Visit>{});
    EXPECT_FALSE(read_visits(R"([{"url":"a","visits":2},{"url":"b"}])"));
    EXPECT_FALSE(read_visits(R"([["b",3,4]])"));
    EXPECT_FALSE(read_visits(R"([{"url":"a","visits":-0}])"));
    EXPECT_FALSE(read_visits(R"({"url":"a","visits":2})"));
}

} // namespace
} // namespace corvane::json
