// Decoding the largest message the intake accepts (64 KiB): target under 300 µs.
//
// Dropping a decoded message is measured apart from decoding it: the value of a setting is an
// nlohmann tree, whose destructor moves every element through a stack of its own, and for tens of
// thousands of elements that alone takes hundreds of microseconds whatever read the text.
#include "protocol/ui_msg.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

using corvane::kMaxUiMsgBytes;

// Pads body with a filler element until it is exactly 64 KiB.
std::string fill_to_limit(std::string head, const std::string& element, const std::string& tail) {
    std::string body = std::move(head);
    bool first = true;
    while (body.size() + element.size() + 1 + tail.size() <= kMaxUiMsgBytes) {
        body += first ? "" : ",";
        body += element;
        first = false;
    }
    body += tail;
    body.append(kMaxUiMsgBytes - body.size(), ' ');
    return body;
}

// A developer-tools script: one long string with escapes.
std::string long_script() {
    std::string code;
    while (code.size() < kMaxUiMsgBytes - 200) {
        code += R"(document.querySelectorAll(\"a\").forEach(x => console.log(x.href));\n)";
    }
    return R"({"t":"devEval","id":42,"code":")" + code + R"("})";
}

// A setting whose value is a large tree of objects, the worst case for building values.
std::string setting_tree() {
    return fill_to_limit(R"({"t":"setting","key":"k","value":[)",
                         R"({"a":1,"b":[true,false,null],"c":"text","d":2.5})", "]}");
}

// Many small numbers, the worst case per byte.
std::string setting_numbers() {
    return fill_to_limit(R"({"t":"setting","key":"k","value":[)", "7", "]}");
}

// A long address typed into the field.
std::string navigate() {
    std::string text(kMaxUiMsgBytes - 64, 'a');
    return R"({"t":"navigate","newTab":false,"text":")" + text + R"("})";
}

// Decoding alone: each decoded message is dropped outside the timed part (what is left of it
// at the end of the loop body is moved-from, empty).
void decode(benchmark::State& state, const std::string& body) {
    std::vector<corvane::UiMsg> decoded;
    for (auto _ : state) {
        auto msg = corvane::parse_ui_msg(body);
        state.PauseTiming();
        if (!msg) {
            state.SkipWithError("message refused");
            break;
        }
        decoded.push_back(std::move(*msg));
        decoded.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}

// Dropping alone: each message is decoded outside the timed part.
void drop(benchmark::State& state, const std::string& body) {
    std::vector<corvane::UiMsg> decoded;
    for (auto _ : state) {
        state.PauseTiming();
        auto msg = corvane::parse_ui_msg(body);
        if (!msg) {
            state.SkipWithError("message refused");
            break;
        }
        decoded.push_back(std::move(*msg));
        state.ResumeTiming();
        decoded.clear();
    }
}

// Both, as the intake and the dispatcher do them one after the other.
void decode_and_drop(benchmark::State& state, const std::string& body) {
    for (auto _ : state) {
        auto msg = corvane::parse_ui_msg(body);
        benchmark::DoNotOptimize(msg);
        if (!msg) {
            state.SkipWithError("message refused");
        }
    }
}

BENCHMARK_CAPTURE(decode, LongScript, long_script())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode, SettingTree, setting_tree())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode, SettingNumbers, setting_numbers())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode, Navigate, navigate())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(drop, SettingTree, setting_tree())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(drop, SettingNumbers, setting_numbers())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode_and_drop, LongScript, long_script())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode_and_drop, SettingTree, setting_tree())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode_and_drop, SettingNumbers, setting_numbers())
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode_and_drop, Navigate, navigate())->Unit(benchmark::kMicrosecond);

} // namespace
