// Decoding the largest message the intake accepts (64 KiB): target under 300 µs.
#include "protocol/ui_msg.h"

#include <benchmark/benchmark.h>
#include <string>

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

void run(benchmark::State& state, const std::string& body) {
    for (auto _ : state) {
        auto msg = corvane::parse_ui_msg(body);
        benchmark::DoNotOptimize(msg);
        if (!msg) {
            state.SkipWithError("message refused");
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}

// A developer-tools script: one long string with escapes.
void BM_ParseUiMsg_LongScript(benchmark::State& state) {
    std::string code;
    while (code.size() < kMaxUiMsgBytes - 200) {
        code += R"(document.querySelectorAll(\"a\").forEach(x => console.log(x.href));\n)";
    }
    run(state, R"({"t":"devEval","id":42,"code":")" + code + R"("})");
}
BENCHMARK(BM_ParseUiMsg_LongScript)->Unit(benchmark::kMicrosecond);

// A setting whose value is a large tree of objects, the worst case for building values.
void BM_ParseUiMsg_SettingTree(benchmark::State& state) {
    run(state, fill_to_limit(R"({"t":"setting","key":"k","value":[)",
                             R"({"a":1,"b":[true,false,null],"c":"text","d":2.5})", "]}"));
}
BENCHMARK(BM_ParseUiMsg_SettingTree)->Unit(benchmark::kMicrosecond);

// Many small numbers, the worst case per byte.
void BM_ParseUiMsg_SettingNumbers(benchmark::State& state) {
    run(state, fill_to_limit(R"({"t":"setting","key":"k","value":[)", "7", "]}"));
}
BENCHMARK(BM_ParseUiMsg_SettingNumbers)->Unit(benchmark::kMicrosecond);

// A long address typed into the field.
void BM_ParseUiMsg_Navigate(benchmark::State& state) {
    std::string text(kMaxUiMsgBytes - 64, 'a');
    run(state, R"({"t":"navigate","newTab":false,"text":")" + text + R"("})");
}
BENCHMARK(BM_ParseUiMsg_Navigate)->Unit(benchmark::kMicrosecond);

} // namespace
