// Reading a key that stands at the very end of a large reply, against a plain search for the same
// quoted key: the reader should cost little more than the search itself. Escaping a large history
// text, which is mostly plain bytes with the odd quote and line feed.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include <benchmark/benchmark.h>

#include "protocol/json_text.h"

namespace {

constexpr std::size_t kPaddingBytes = 1 << 20;
constexpr std::string_view kKey = "answer";
constexpr std::string_view kQuotedKey = "\"answer\"";

// A 1 MiB string value full of escaped quotes and near-misses of the key, then the key.
const std::string& Reply() {
    static const std::string reply = [] {
        static constexpr std::string_view kChunk =
            R"(Texto de relleno con \"comillas\", \"answers\": y \"answe\":, )"
            R"(\"Answer\" o answer\": sin clave real; n\u00famero 12345. )";
        std::string text = R"({"padding":")";
        while (text.size() < kPaddingBytes) {
            text += kChunk;
        }
        text += R"(","answer":"hola"})";
        return text;
    }();
    return reply;
}

void BM_JsonGetString(benchmark::State& state) {
    const std::string& reply = Reply();
    for (auto _ : state) {
        std::string value = alvena::JsonGetString(reply, kKey, "");
        benchmark::DoNotOptimize(value);
    }
    if (alvena::JsonGetString(reply, kKey, "") != "hola") {
        state.SkipWithError("key not found");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(BM_JsonGetString);

void BM_Memmem(benchmark::State& state) {
    const std::string& reply = Reply();
    for (auto _ : state) {
        const void* found =
            memmem(reply.data(), reply.size(), kQuotedKey.data(), kQuotedKey.size());
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(BM_Memmem);

void BM_StringViewFind(benchmark::State& state) {
    const std::string_view reply = Reply();
    for (auto _ : state) {
        std::size_t found = reply.find(kQuotedKey);
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(BM_StringViewFind);

void BM_BoyerMooreHorspool(benchmark::State& state) {
    const std::string& reply = Reply();
    for (auto _ : state) {
        const std::boyer_moore_horspool_searcher searcher(kQuotedKey.begin(), kQuotedKey.end());
        auto found = std::search(reply.begin(), reply.end(), searcher);
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(BM_BoyerMooreHorspool);

// 1 MiB of consultation text as a history save escapes it: accents, quotes and line feeds.
const std::string& HistoryText() {
    static const std::string text = [] {
        static constexpr std::string_view kChunk =
            "El paciente refiere dolor abdominal de tres días de evolución, sin fiebre; "
            "\"náuseas\" ocasionales.\nSe sugiere valoración médica y control de hemoglobina.\n";
        std::string chunks;
        while (chunks.size() < kPaddingBytes) {
            chunks += kChunk;
        }
        return chunks;
    }();
    return text;
}

void BM_JsonEscape(benchmark::State& state) {
    const std::string& text = HistoryText();
    for (auto _ : state) {
        std::string escaped = alvena::JsonEscape(text);
        benchmark::DoNotOptimize(escaped);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_JsonEscape);

}  // namespace

BENCHMARK_MAIN();
