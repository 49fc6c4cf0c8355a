// URL parsing and serialisation of typical addresses.

#include "url/url.h"

#include <benchmark/benchmark.h>

namespace {

void parse_and_serialise(benchmark::State& state, const char* input) {
    for (auto _ : state) {
        std::optional<corvane::Url> url = corvane::Url::parse(input);
        benchmark::DoNotOptimize(url->href());
    }
}

BENCHMARK_CAPTURE(parse_and_serialise, plain, "https://www.example.com/path/to/page?q=1#top");
BENCHMARK_CAPTURE(parse_and_serialise, dot_segments, "http://example.com/a/./b/../c/%2e%2E/d");
BENCHMARK_CAPTURE(parse_and_serialise, idn_host,
                  "https://b\xc3\xbc"
                  "cher.example/\xc3\xa4");
BENCHMARK_CAPTURE(parse_and_serialise, ipv6, "http://[2001:db8::ff00:42:8329]:8080/");
BENCHMARK_CAPTURE(parse_and_serialise, opaque, "mailto:someone@example.com?subject=hi");

} // namespace
