#include "json/record_reader.h"
#include <gtest/gtest.h>

namespace corvane::json {
namespace {

struct Entry {
    std::string url;
    std::uint32_t visits = 0;
    bool pinned = true;
};

constexpr std::array kEntryFields{
    field<&Entry::url>("url"),
    field<&Entry::visits>("visits"),
    field<&Entry::pinned>("pinned"),
};

std::optional<Entry> read(std::string_view text, Missing missing, std::size_t skip = 0) {
    const auto value = parse_strict(text, kMaxDepth);
    if (!value) {
        return std::nullopt;
    }
    Entry entry;
    entry.url = "default";
    entry.visits = 42;
    if (!read_record(*value, kEntryFields, entry, missing, skip)) {
        return std::nullopt;
    }
    return entry;
}

TEST(RecordReader, ObjectFormTakesMembersByKeyInAnyOrderAndIgnoresOthers) {
    const auto entry =
        read(R"({"pinned":false,"extra":[{"x":null}],"visits":3,"url":"u"})", Missing::reject);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->url, "u");
    EXPECT_EQ(entry->visits, 3u);
    EXPECT_FALSE(entry->pinned);
}

TEST(RecordReader, ArrayFormTakesFieldsByPosition) {
    const auto entry = read(R"(["u",3,false])", Missing::reject);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->url, "u");
    EXPECT_EQ(entry->visits, 3u);
    EXPECT_FALSE(entry->pinned);
}

TEST(RecordReader, RequiredFieldsRefuseMissingOrExtraValues) {
    EXPECT_FALSE(read(R"({"url":"u","visits":3})", Missing::reject));
    EXPECT_FALSE(read(R"(["u",3])", Missing::reject));
    EXPECT_FALSE(read(R"(["u",3,false,1])", Missing::reject));
    EXPECT_FALSE(read(R"("u")", Missing::reject));
    EXPECT_FALSE(read("null", Missing::reject));
}

TEST(RecordReader, WrongTypeOrNullRefusesTheRecord) {
    EXPECT_FALSE(read(R"({"url":null,"visits":3,"pinned":true})", Missing::keep_default));
    EXPECT_FALSE(read(R"({"visits":-3})", Missing::keep_default));
    EXPECT_FALSE(read(R"([1])", Missing::keep_default));
    EXPECT_FALSE(read(R"(["u",3,"false"])", Missing::keep_default));
}

TEST(RecordReader, OptionalFieldsKeepTheirDefaultsIndependently) {
    const auto from_object = read(R"({"visits":5})", Missing::keep_default);
    ASSERT_TRUE(from_object);
    EXPECT_EQ(from_object->url, "default");
    EXPECT_EQ(from_object->visits, 5u);
    EXPECT_TRUE(from_object->pinned);

    const auto from_array = read(R"(["v"])", Missing::keep_default);
    ASSERT_TRUE(from_array);
    EXPECT_EQ(from_array->url, "v");
    EXPECT_EQ(from_array->visits, 42u);

    EXPECT_TRUE(read("[]", Missing::keep_default));
    EXPECT_FALSE(read(R"(["u",1,true,null])", Missing::keep_default));
}

TEST(RecordReader, SkipLeavesLeadingElementsToTheCaller) {
    const auto entry = read(R"(["tag","u",3,false])", Missing::reject, 1);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->url, "u");
    EXPECT_FALSE(read(R"(["tag","u",3])", Missing::reject, 1));
    EXPECT_FALSE(read(R"(["tag","u",3,false,0])", Missing::reject, 1));

    const std::array<Field<Entry>, 0> no_fields{};
    Entry entry_without_fields;
    const auto read_tag_only = [&](std::string_view text) {
        return read_record(*parse_strict(text, 1), no_fields, entry_without_fields, Missing::reject,
                           1);
    };
    EXPECT_TRUE(read_tag_only(R"(["tag"])"));
    EXPECT_FALSE(read_tag_only(R"(["tag",1])"));
    EXPECT_FALSE(read_tag_only("[]"));
}

} // namespace
} // namespace corvane::json
