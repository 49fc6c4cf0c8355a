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
    EXPECT_TRUE(parsed) << body;
    if (!parsed || !std::holds_alternative<Variant>(*parsed)) {
        ADD_FAILURE() << body << " parsed as "
                      << (parsed ? ui_msg_wire_name(*parsed) : std::string_view("nothing"));
        return Variant{};
    }
    return std::get<Variant>(std::move(*parsed));
}

TEST(ParseUiMsg, EveryWireNameMapsToItsVariantIndex) {
    const std::vector<std::string_view> names{
        "ready",          "drag",      "zoomWindow",     "navigate",   "openUrl",
        "newTab",         "closeTab",  "selectTab",      "moveTab",    "back",
        "forward",        "reload",    "stop",           "overlay",    "suggest",
        "toggleBookmark", "cmd",       "find",           "findbar",    "panel",
        "setting",        "clearData", "removeBookmark", "shieldSite", "revealDownload",
        "focusPage",      "devEval",   "devResize",      "devClose"};
    ASSERT_EQ(names.size(), kUiMsgVariantCount);
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(ui_msg_variant_from_str(names[i]), i) << names[i];
    }
    EXPECT_FALSE(ui_msg_variant_from_str("Back"));
    EXPECT_FALSE(ui_msg_variant_from_str("newtab"));
    EXPECT_FALSE(ui_msg_variant_from_str(""));
}

// One message of every variant, in both forms, with its fields checked.
TEST(ParseUiMsg, EveryVariantInObjectAndArrayForm) {
    struct Case {
        std::string_view object;
        std::string_view array;
        std::size_t index;
    };
    const std::vector<Case> cases{
        {R"({"t":"ready"})", R"(["ready"])", 0},
        {R"({"t":"drag"})", R"(["drag"])", 1},
        {R"({"t":"zoomWindow"})", R"(["zoomWindow"])", 2},
        {R"({"t":"navigate","text":"a","newTab":true})", R"(["navigate","a",true])", 3},
        {R"({"t":"openUrl","url":"u","newTab":false})", R"(["openUrl","u",false])", 4},
        {R"({"t":"newTab"})", R"(["newTab"])", 5},
        {R"({"t":"closeTab","id":7})", R"(["closeTab",7])", 6},
        {R"({"t":"selectTab","id":7})", R"(["selectTab",7])", 7},
        {R"({"t":"moveTab","id":7,"to":0})", R"(["moveTab",7,0])", 8},
        {R"({"t":"back"})", R"(["back"])", 9},
        {R"({"t":"forward"})", R"(["forward"])", 10},
        {R"({"t":"reload"})", R"(["reload"])", 11},
        {R"({"t":"stop"})", R"(["stop"])", 12},
        {R"({"t":"overlay","on":true})", R"(["overlay",true])", 13},
        {R"({"t":"suggest","q":"x","complete":true})", R"(["suggest","x",true])", 14},
        {R"({"t":"toggleBookmark"})", R"(["toggleBookmark"])", 15},
        {R"({"t":"cmd","cmd":"newTab"})", R"(["cmd","newTab"])", 16},
        {R"({"t":"find","q":"x","back":false,"fresh":true})", R"(["find","x",false,true])", 17},
        {R"({"t":"findbar","open":true})", R"(["findbar",true])", 18},
        {R"({"t":"panel","name":"history"})", R"(["panel","history"])", 19},
        {R"({"t":"setting","key":"k","value":[1,{"a":null}]})", R"(["setting","k",[1,{"a":null}]])",
         20},
        {R"({"t":"clearData","history":true,"site":false})", R"(["clearData",true,false])", 21},
        {R"({"t":"removeBookmark","url":"u"})", R"(["removeBookmark","u"])", 22},
        {R"({"t":"shieldSite","on":false})", R"(["shieldSite",false])", 23},
        {R"({"t":"revealDownload","index":2})", R"(["revealDownload",2])", 24},
        {R"({"t":"focusPage"})", R"(["focusPage"])", 25},
        {R"({"t":"devEval","id":9,"code":"1+1"})", R"(["devEval",9,"1+1"])", 26},
        {R"({"t":"devResize","h":300})", R"(["devResize",300])", 27},
        {R"({"t":"devClose"})", R"(["devClose"])", 28},
    };
    ASSERT_EQ(cases.size(), kUiMsgVariantCount);
    for (const auto& c : cases) {
        const auto from_object = parse_ui_msg(c.object);
        const auto from_array = parse_ui_msg(c.array);
        ASSERT_TRUE(from_object) << c.object;
        ASSERT_TRUE(from_array) << c.array;
        EXPECT_EQ(from_object->index(), c.index) << c.object;
        EXPECT_EQ(from_array->index(), c.index) << c.array;
        EXPECT_EQ(ui_msg_wire_name(*from_object), ui_msg_wire_name(*from_array));
    }
}

TEST(ParseUiMsg, FieldsCarryTheirValues) {
    const auto navigate =
        parse_as<Navigate>(R"({"newTab":true,"text":"caf\u00e9 \"x\"","t":"navigate"})");
    EXPECT_EQ(navigate.text, "café \"x\"");
    EXPECT_TRUE(navigate.new_tab);

    const auto move = parse_as<MoveTab>(R"(["moveTab",18446744073709551615,3])");
    EXPECT_EQ(move.id, 18446744073709551615ULL);
    EXPECT_EQ(move.to, 3u);

    const auto find = parse_as<Find>(R"({"t":"find","q":"needle","back":true,"fresh":false})");
    EXPECT_EQ(find.q, "needle");
    EXPECT_TRUE(find.back);
    EXPECT_FALSE(find.fresh);

    EXPECT_EQ(parse_as<DevResize>(R"({"t":"devResize","h":300})").h, 300.0);
    EXPECT_EQ(parse_as<DevResize>(R"({"t":"devResize","h":-12.5e1})").h, -125.0);
    EXPECT_EQ(parse_as<DevEval>(R"({"t":"devEval","id":4,"code":"document.title"})").code,
              "document.title");

    const auto setting = parse_as<Setting>(R"({"t":"setting","key":"https_only","value":null})");
    EXPECT_EQ(setting.key, "https_only");
    EXPECT_TRUE(setting.value.is_null());
    const auto number = parse_as<Setting>(R"({"t":"setting","key":"sleep_after_mins","value":15})");
    EXPECT_EQ(number.value, nlohmann::json(15));
    const auto nested = parse_as<Setting>(R"({"t":"setting","key":"k","value":{"b":[true,"s"]}})");
    EXPECT_EQ(nested.value, nlohmann::json::parse(R"({"b":[true,"s"]})"));
}

TEST(ParseUiMsg, TagAnywhereAndUnknownMembersIgnored) {
    for (const auto* body :
         {R"({"t":"back","extra":1})", R"({"x":1,"t":"back"})",
          R"({"a":{"deep":[1,2]},"t":"back","z":null})", " \t\r\n{\"t\":\"back\"} \n\r\t "}) {
        parse_as<Back>(body);
    }
    EXPECT_EQ(parse_as<CloseTab>(R"({"id":5,"t":"closeTab","to":9})").id, 5u);
}

TEST(ParseUiMsg, RefusedMessages) {
    const std::vector<std::string_view> refused{
        // Tag: missing, twice, not a string, unknown, wrong case.
        R"({})",
        R"({"type":"back"})",
        R"({"t":"back","t":"back"})",
        R"({"t":null})",
        R"({"t":["back"]})",
        R"({"t":"Back"})",
        R"({"t":"newtab"})",
        R"({"t":"unknown"})",
        R"({"t":"back "})",
        // Missing or twice-given fields.
        R"({"t":"closeTab"})",
        R"({"t":"navigate","text":"a"})",
        R"({"t":"closeTab","id":1,"id":2})",
        R"({"t":"find","q":"a","back":true})",
        // Integers: sign, fraction, exponent, string, beyond 64 bits.
        R"({"t":"closeTab","id":-1})",
        R"({"t":"closeTab","id":1.0})",
        R"({"t":"closeTab","id":1e2})",
        R"({"t":"closeTab","id":"1"})",
        R"({"t":"closeTab","id":-0})",
        R"({"t":"closeTab","id":18446744073709551616})",
        R"({"t":"closeTab","id":null})",
        // Text and bool fields take only their own JSON type.
        R"({"t":"navigate","text":null,"newTab":true})",
        R"({"t":"navigate","text":1,"newTab":true})",
        R"({"t":"navigate","text":"a","newTab":1})",
        R"({"t":"navigate","text":"a","newTab":"true"})",
        R"({"t":"overlay","on":null})",
        R"({"t":"devResize","h":"300"})",
        R"({"t":"devResize","h":null})",
        // Array form: wrong lengths and shapes.
        R"(["closeTab"])",
        R"(["ready",1])",
        R"(["closeTab",1,2])",
        R"([])",
        R"([1])",
        R"([["ready"]])",
        R"(["moveTab",7])",
        // Other top-level values, trailing content, broken JSON.
        R"("ready")",
        "1",
        "null",
        "true",
        "",
        " ",
        R"({"t":"back"}x)",
        R"({"t":"back"},)",
        R"({"t":"back"}{"t":"back"})",
        R"({"t":"back",})",
        R"({'t':'back'})",
        "{\"t\":\"back\"}\f",
        "\xEF\xBB\xBF{\"t\":\"back\"}",
        "{\"t\":\"back\"}\0"sv,
        // Invalid UTF-8 and lone surrogates in text.
        "{\"t\":\"cmd\",\"cmd\":\"\xFF\"}",
        R"({"t":"cmd","cmd":"\ud800"})",
    };
    for (const auto body : refused) {
        EXPECT_FALSE(parse_ui_msg(body)) << body;
    }
}

TEST(ParseUiMsg, NestingLimitIs127Levels) {
    const auto nested = [](std::size_t depth) {
        // The top-level object counts as one level; value adds depth - 1 arrays.
        return R"({"t":"setting","key":"k","value":)" + std::string(depth - 1, '[') +
               std::string(depth - 1, ']') + "}";
    };
    EXPECT_TRUE(parse_ui_msg(nested(127)));
    EXPECT_FALSE(parse_ui_msg(nested(128)));
}

TEST(ParseUiMsg, SizeGateAt65536Bytes) {
    const std::string head = R"({"t":"navigate","newTab":false,"text":")";
    const std::string tail = "\"}";
    const std::string exact =
        head + std::string(kMaxUiMsgBytes - head.size() - tail.size(), 'a') + tail;
    ASSERT_EQ(exact.size(), 65536u);
    const auto accepted = parse_ui_msg(exact);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(std::get<Navigate>(*accepted).text.size(), exact.size() - head.size() - tail.size());

    EXPECT_FALSE(parse_ui_msg(exact + " ")) << "65,537 bytes are refused, trailing blank or not";
}

} // namespace
} // namespace corvane
