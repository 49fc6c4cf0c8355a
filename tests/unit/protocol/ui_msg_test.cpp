#include "protocol/ui_msg.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace msg;

template <typename Variant>
Variant parse_as(std::string_view body) {
    return std::get<Variant>(parse_ui_msg(body).value()); // throws, failing the test, when refused
}

// One message of every variant, in object form and in the array form made from its values in
// order, named by its wire name; then the values some carry; then what is refused.
TEST(ParseUiMsg, EveryVariantInBothFormsWithItsValuesAndRefusals) {
    const std::vector<std::string> objects{
        // Text, booleans, numbers and any JSON value.
        R"({"t":"navigate","text":"a","newTab":true})",
        R"({"t":"openUrl","url":"u","newTab":false})", R"({"t":"overlay","on":true})",
        R"({"t":"suggest","q":"x","complete":true})", R"({"t":"cmd","cmd":"newTab"})",
        R"({"t":"find","q":"x","back":false,"fresh":true})", R"({"t":"findbar","open":true})",
        R"({"t":"panel","name":"history"})", R"({"t":"clearData","history":true,"site":false})",
        R"({"t":"removeBookmark","url":"u"})", R"({"t":"shieldSite","on":false})",
        R"({"t":"closeTab","id":7})", R"({"t":"selectTab","id":7})",
        R"({"t":"moveTab","id":7,"to":0})", R"({"t":"revealDownload","index":2})",
        R"({"t":"devEval","id":9,"code":"1+1"})", R"({"t":"devResize","h":300})",
        R"({"t":"setting","key":"k","value":[1,{"a":null}]})",
        // No fields.
        R"({"t":"ready"})", R"({"t":"drag"})", R"({"t":"zoomWindow"})", R"({"t":"newTab"})",
        R"({"t":"back"})", R"({"t":"forward"})", R"({"t":"reload"})", R"({"t":"stop"})",
        R"({"t":"toggleBookmark"})", R"({"t":"focusPage"})", R"({"t":"devClose"})"};
    ASSERT_EQ(objects.size(), kUiMsgVariantCount);
    for (const auto& object : objects) {
        SCOPED_TRACE(object);
        const auto parsed = nlohmann::ordered_json::parse(object);
        const nlohmann::json array(
            std::vector<nlohmann::ordered_json>(parsed.begin(), parsed.end()));
        const auto from_object = parse_ui_msg(object);
        const auto from_array = parse_ui_msg(array.dump());
        ASSERT_TRUE(from_object && from_array && from_array->index() == from_object->index());
        EXPECT_EQ(ui_msg_wire_name(*from_object), array[0]);
        EXPECT_EQ(ui_msg_variant_from_str(array[0].get<std::string>()), from_object->index());
    }
    const auto navigate = parse_as<Navigate>(
        R"({"newTab":true,"x":{"d":[1]},"text":"caf\u00e9 \"x\"","t":"navigate"})");
    EXPECT_TRUE(navigate.text == "café \"x\"" && navigate.new_tab);
    const auto move = parse_as<MoveTab>(R"(["moveTab",18446744073709551615,3])");
    EXPECT_TRUE(move.id == 18446744073709551615ULL && move.to == 3u);
    const auto find = parse_as<Find>(" \t\r\n[\"find\",\"needle\",true,false] \n");
    EXPECT_TRUE(find.q == "needle" && find.back && !find.fresh);
    EXPECT_EQ(parse_as<DevResize>(R"({"t":"devResize","h":-12.5e1})").h, -125.0);
    const auto nested = parse_as<Setting>(R"({"t":"setting","key":"k","value":{"b":[true,"s"]}})");
    EXPECT_TRUE(nested.key == "k" && nested.value == nlohmann::json::parse(R"({"b":[true,"s"]})"));

    const auto deep = [](std::size_t depth) { // the top-level object counts as one level
        return R"({"t":"setting","key":"k","value":)" + std::string(depth - 1, '[') +
               std::string(depth - 1, ']') + "}";
    };
    const std::string head = R"({"t":"navigate","newTab":false,"text":")";
    const std::string largest = head + std::string(65536 - head.size() - 2, 'a') + "\"}";
    EXPECT_TRUE(parse_ui_msg(deep(127)) && parse_ui_msg(largest));
    const std::vector<std::string> refused{
        // Tag: missing, not a string, unknown, wrong case. Fields: missing, of another JSON type;
        // integers signed or fractional.
        R"({"type":"back"})", R"({"t":null})", R"({"t":["back"]})", R"({"t":"newtab"})",
        R"({"t":"back "})", R"({"t":"closeTab"})", R"({"t":"navigate","text":"a"})",
        R"({"t":"closeTab","id":-1})", R"({"t":"closeTab","id":1.0})",
        R"({"t":"closeTab","id":"1"})", R"({"t":"navigate","text":1,"newTab":true})",
        R"({"t":"navigate","text":"a","newTab":1})", R"({"t":"devResize","h":"300"})",
        // Array forms of the wrong length or shape; other values; what the strict reader refuses
        // (more in its own tests); beyond the limits.
        R"(["closeTab"])", R"(["ready",1])", R"(["closeTab",1,2])", R"([])", R"([1])",
        R"([["ready"]])", R"("ready")", R"({"t":"back"}x)", "{\"t\":\"cmd\",\"cmd\":\"\xFF\"}",
        deep(128), largest + " "};
    for (const auto& body : refused) {
        EXPECT_FALSE(parse_ui_msg(body)) << body;
    }
}

} // namespace
} // namespace corvane
