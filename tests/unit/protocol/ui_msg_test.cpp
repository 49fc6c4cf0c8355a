#include "protocol/ui_msg.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

using namespace msg;
using namespace std::literals;

template <typename Variant>
Variant parse_as(std::string_view body) {
    auto parsed = parse_ui_msg(body);
    if (!parsed || !std::holds_alternative<Variant>(*parsed)) {
        ADD_FAILURE() << body;
        return Variant{};
    }
    return std::get<Variant>(std::move(*parsed));
}

// One message of every variant, in object form and in the array form made from its values in
// order, named by its wire name.
TEST(ParseUiMsg, EveryVariantInObjectAndArrayForm) {
    std::vector<std::string> objects{
        // Text and booleans.
        R"({"t":"navigate","text":"a","newTab":true})",
        R"({"t":"openUrl","url":"u","newTab":false})", R"({"t":"overlay","on":true})",
        R"({"t":"suggest","q":"x","complete":true})", R"({"t":"cmd","cmd":"newTab"})",
        R"({"t":"find","q":"x","back":false,"fresh":true})", R"({"t":"findbar","open":true})",
        R"({"t":"panel","name":"history"})", R"({"t":"clearData","history":true,"site":false})",
        R"({"t":"removeBookmark","url":"u"})", R"({"t":"shieldSite","on":false})",
        // Numbers and any JSON value.
        R"({"t":"closeTab","id":7})", R"({"t":"selectTab","id":7})",
        R"({"t":"moveTab","id":7,"to":0})", R"({"t":"revealDownload","index":2})",
        R"({"t":"devEval","id":9,"code":"1+1"})", R"({"t":"devResize","h":300})",
        R"({"t":"setting","key":"k","value":[1,{"a":null}]})"};
    for (const auto* name : {"ready", "drag", "zoomWindow", "newTab", "back", "forward", "reload",
                             "stop", "toggleBookmark", "focusPage", "devClose"}) {
        objects.push_back(R"({"t":")" + std::string(name) + "\"}");
    }
    ASSERT_EQ(objects.size(), kUiMsgVariantCount);
    for (const auto& object : objects) {
        auto array = nlohmann::ordered_json::array();
        for (const auto& value : nlohmann::ordered_json::parse(object)) {
            array.push_back(value);
        }
        const auto from_object = parse_ui_msg(object);
        const auto from_array = parse_ui_msg(array.dump());
        ASSERT_TRUE(from_object && from_array) << object;
        EXPECT_EQ(from_array->index(), from_object->index()) << array.dump();
        EXPECT_EQ(ui_msg_wire_name(*from_object), array[0]) << object;
        EXPECT_EQ(ui_msg_variant_from_str(array[0].get<std::string>()), from_object->index());
    }
}

TEST(ParseUiMsg, FieldsCarryTheirValues) {
    const auto navigate = parse_as<Navigate>(
        R"({"newTab":true,"x":{"d":[1]},"text":"caf\u00e9 \"x\"","t":"navigate"})");
    EXPECT_EQ(navigate.text, "café \"x\"");
    EXPECT_TRUE(navigate.new_tab);
    const auto move = parse_as<MoveTab>(R"(["moveTab",18446744073709551615,3])");
    EXPECT_EQ(move.id, 18446744073709551615ULL);
    EXPECT_EQ(move.to, 3u);
    const auto find = parse_as<Find>(" \t\r\n[\"find\",\"needle\",true,false] \n");
    EXPECT_EQ(find.q, "needle");
    EXPECT_TRUE(find.back && !find.fresh);
    EXPECT_EQ(parse_as<DevResize>(R"({"t":"devResize","h":-12.5e1})").h, -125.0);
    EXPECT_EQ(parse_as<DevEval>(R"({"t":"devEval","id":4,"code":"d.title"})").code, "d.title");
    EXPECT_EQ(parse_as<CloseTab>(R"({"id":5,"t":"closeTab","to":9})").id, 5u);
    const auto nested = parse_as<Setting>(R"({"t":"setting","key":"k","value":{"b":[true,"s"]}})");
    EXPECT_EQ(nested.key, "k");
    EXPECT_EQ(nested.value, nlohmann::json::parse(R"({"b":[true,"s"]})"));
}

TEST(ParseUiMsg, RefusedMessages) {
    const std::vector<std::string_view> refused{
        // Tag: missing, twice, not a string, unknown, wrong case.
        R"({})", R"({"type":"back"})", R"({"t":"back","t":"back"})", R"({"t":null})",
        R"({"t":["back"]})", R"({"t":"Back"})", R"({"t":"newtab"})", R"({"t":"back "})",
        // Missing or twice-given fields.
        R"({"t":"closeTab"})", R"({"t":"navigate","text":"a"})",
        R"({"t":"closeTab","id":1,"id":2})",
        // Integers: sign, fraction, exponent, string, beyond 64 bits.
        R"({"t":"closeTab","id":-1})", R"({"t":"closeTab","id":1.0})",
        R"({"t":"closeTab","id":1e2})", R"({"t":"closeTab","id":"1"})",
        R"({"t":"closeTab","id":-0})", R"({"t":"closeTab","id":18446744073709551616})",
        // Text, bool and number fields take only their own JSON type.
        R"({"t":"navigate","text":1,"newTab":true})", R"({"t":"navigate","text":"a","newTab":1})",
        R"({"t":"overlay","on":null})", R"({"t":"devResize","h":"300"})",
        // Array form: wrong lengths and shapes.
        R"(["closeTab"])", R"(["ready",1])", R"(["closeTab",1,2])", R"([])", R"([1])",
        R"([["ready"]])",
        // Other top-level values, trailing content, broken JSON, bad UTF-8.
        R"("ready")", "null", "", " ", R"({"t":"back"}x)", R"({"t":"back"}{"t":"back"})",
        R"({"t":"back",})", R"({'t':'back'})", "{\"t\":\"back\"}\f", "\xEF\xBB\xBF{\"t\":\"back\"}",
        "{\"t\":\"back\"}\0"sv, "{\"t\":\"cmd\",\"cmd\":\"\xFF\"}",
        R"({"t":"cmd","cmd":"\ud800"})"};
    for (const auto body : refused) {
        EXPECT_FALSE(parse_ui_msg(body)) << body;
    }
}

TEST(ParseUiMsg, NestingAndSizeLimits) {
    const auto nested = [](std::size_t depth) {
        // The top-level object counts as one level.
        return R"({"t":"setting","key":"k","value":)" + std::string(depth - 1, '[') +
               std::string(depth - 1, ']') + "}";
    };
    EXPECT_TRUE(parse_ui_msg(nested(127)));
    EXPECT_FALSE(parse_ui_msg(nested(128)));

    const std::string head = R"({"t":"navigate","newTab":false,"text":")";
    const std::string exact = head + std::string(kMaxUiMsgBytes - head.size() - 2, 'a') + "\"}";
    ASSERT_EQ(exact.size(), 65536u);
    EXPECT_TRUE(parse_ui_msg(exact));
    EXPECT_FALSE(parse_ui_msg(exact + " "));
}

} // namespace
} // namespace corvane
