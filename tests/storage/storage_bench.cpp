// The history store at its largest: 200 entries, each with a detail at the 12000 code-unit limit.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "protocol/utf8.h"
#include "storage/data_folder.h"
#include "storage/history_store.h"
#include "storage/history_text.h"
#include "tests/storage/support/fake_stamps.h"
#include "tests/support/spanish_text.h"
#include "tests/storage/support/temp_file_system.h"

namespace alvena {
namespace {

constexpr char16_t kEmail[] = u"ana.nuñez@clínica.es";  // already in its key form

class FullHistory {
  public:
    FullHistory() {
        const WideText detail = SpanishClinicalText(kHistoryDetailLimit);
        std::vector<HistoryEntry> entries;
        for (std::size_t i = 0; i < kHistoryEntryLimit; ++i) {
            entries.push_back({stamps.NewId(), kEmail, u"expediente",
                               detail.substr(0, kHistoryTitleLimit),
                               detail.substr(0, kHistoryPreviewLimit), detail,
                               stamps.now - static_cast<std::int64_t>(i) * 60000});
        }
        files.PutFile(HistoryFilePath(dataFolder, kEmail), HistoryJson(entries));
    }

    [[nodiscard]] double FileBytes() {
        return static_cast<double>(
            files.ReadWholeFile(HistoryFilePath(dataFolder, kEmail)).value_or("").size());
    }

    TempFileSystem files;
    FakeStamps stamps;
    const WideText dataFolder = GetDataFolder(files);
};

void BM_LoadHistory(benchmark::State& state) {
    FullHistory history;
    for (auto _ : state) {
        std::vector<HistoryEntry> entries = LoadHistory(history.files, history.dataFolder, kEmail);
        benchmark::DoNotOptimize(entries.data());
    }
    state.counters["file_bytes"] = history.FileBytes();
    state.counters["entries"] =
        static_cast<double>(LoadHistory(history.files, history.dataFolder, kEmail).size());
}
BENCHMARK(BM_LoadHistory)->Unit(benchmark::kMillisecond);

// Each save reads the full file, puts the new entry first, drops the oldest and rewrites it all.
void BM_SaveHistoryEntry(benchmark::State& state) {
    FullHistory history;
    const WideText detail = SpanishClinicalText(kHistoryDetailLimit);
    for (auto _ : state) {
        history.stamps.now += 1000;
        SaveHistoryEntry(history.files, history.stamps, history.dataFolder, kEmail, u"chat", detail,
                         detail, detail);
    }
    state.counters["file_bytes"] = history.FileBytes();
    state.counters["entries"] =
        static_cast<double>(LoadHistory(history.files, history.dataFolder, kEmail).size());
}
BENCHMARK(BM_SaveHistoryEntry)->Unit(benchmark::kMillisecond);

// The two halves of a save without the file system: reading the text and writing it.
void BM_ParseHistory(benchmark::State& state) {
    FullHistory history;
    const Utf8Text text = *history.files.ReadWholeFile(HistoryFilePath(history.dataFolder, kEmail));
    for (auto _ : state) {
        std::vector<HistoryEntry> entries = ParseHistory(text);
        benchmark::DoNotOptimize(entries.data());
    }
}
BENCHMARK(BM_ParseHistory)->Unit(benchmark::kMillisecond);

// What the Historial tab reads on every choice: the same file, details left in the text (here
// with a copy of the text, which the tab moves in instead).
void BM_ParseHistoryListing(benchmark::State& state) {
    FullHistory history;
    const Utf8Text text = *history.files.ReadWholeFile(HistoryFilePath(history.dataFolder, kEmail));
    for (auto _ : state) {
        HistoryListing listing = ParseHistoryListing(text);
        benchmark::DoNotOptimize(listing.entries.data());
    }
}
BENCHMARK(BM_ParseHistoryListing)->Unit(benchmark::kMillisecond);

void BM_HistoryJson(benchmark::State& state) {
    FullHistory history;
    const std::vector<HistoryEntry> entries =
        LoadHistory(history.files, history.dataFolder, kEmail);
    for (auto _ : state) {
        Utf8Text text = HistoryJson(entries);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_HistoryJson)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace alvena

BENCHMARK_MAIN();
