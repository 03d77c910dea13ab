// Any bytes as the history file and the profile, then one history save and one profile save,
// each maybe failing at one step of the write. A load after a save gives back the new entry (cut
// to its limits) and every kept entry unchanged, newest first; after a failed save it gives back
// exactly what was there. The file a save writes is exactly what the program writes for what it
// reads back from it; the bytes of any other file are kept beside it, exactly, before it is
// rewritten. No temporary file is ever left behind. The list's reading of a file
// (details read one at a time) gives the same entries as the whole reading.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "protocol/trim.h"
#include "protocol/utf8.h"
#include "storage/data_folder.h"
#include "storage/email_key.h"
#include "storage/history_store.h"
#include "storage/history_text.h"
#include "storage/profile.h"
#include "tests/fuzz/support/fuzz_input.h"
#include "tests/storage/support/failing_file_system.h"
#include "tests/storage/support/fake_stamps.h"
#include "tests/storage/support/temp_file_system.h"

namespace alvena {
namespace {

struct Storage {
    TempFileSystem files;
    FakeStamps stamps;
    WideText dataFolder = GetDataFolder(files);
};

[[nodiscard]] auto Fields(const HistoryEntry& e) {
    return std::tie(e.createdAt, e.id, e.email, e.type, e.title, e.preview, e.detail);
}

[[nodiscard]] bool SameList(const std::vector<HistoryEntry>& a,
                            const std::vector<HistoryEntry>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const auto& x, const auto& y) { return Fields(x) == Fields(y); });
}

// Entries with equal times may come back in any order.
[[nodiscard]] bool SameEntries(std::vector<HistoryEntry> a, std::vector<HistoryEntry> b) {
    const auto byFields = [](const auto& x, const auto& y) { return Fields(x) < Fields(y); };
    std::sort(a.begin(), a.end(), byFields);
    std::sort(b.begin(), b.end(), byFields);
    return SameList(a, b);
}

[[nodiscard]] bool NewestFirst(const std::vector<HistoryEntry>& entries) {
    return std::is_sorted(entries.begin(), entries.end(),
                          [](const auto& x, const auto& y) { return x.createdAt > y.createdAt; });
}

// The texts of one consultation to save, and whose file and profile to save them in.
struct Consultation {
    WideText email;
    WideText type;
    WideText title;
    WideText preview;
    WideText detail;
    WideText name;
};

[[nodiscard]] Consultation ConsumeConsultation(FuzzedDataProvider& input) {
    Consultation c;
    c.email = ConsumeWide(input, 40);  // Short enough for a file name.
    c.type = ConsumeWide(input, 16);
    c.title = ConsumeWide(input, 400);
    c.preview = ConsumeWide(input, 900);
    // Repeated so that long details reach their limit too.
    const WideText piece = ConsumeWide(input, 400);
    for (int n = input.ConsumeIntegralInRange(1, 64); n > 0; --n) {
        c.detail += piece;
    }
    c.name = ConsumeWide(input, 64);
    return c;
}

// `file` (no file when empty) as the history, then one save through `writer`.
void CheckHistorySave(Storage& storage, FileSystem& writer, bool writes, const Utf8Text& file,
                      const Consultation& c) {
    TempFileSystem& files = storage.files;
    const WideText& folder = storage.dataFolder;
    if (!file.empty()) {
        files.PutFile(HistoryFilePath(folder, c.email), file);
    }
    const std::vector<HistoryEntry> before = LoadHistory(files, folder, c.email);
    FUZZ_CHECK(NewestFirst(before));
    FUZZ_CHECK(std::none_of(before.begin(), before.end(),
                            [](const HistoryEntry& entry) { return entry.id.empty(); }));
    // The list's reading of the same file: the same entries, each detail read when asked for.
    const HistoryListing listing = LoadHistoryListing(files, folder, c.email);
    std::vector<HistoryEntry> listed = listing.entries;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        listed[i].detail = ListedDetail(listing, i);
    }
    FUZZ_CHECK(SameList(listed, before));

    FakeStamps next = storage.stamps;
    HistoryEntry added{next.NewId(),
                       WithoutLoneSurrogates(EmailKey(c.email)),
                       WithoutLoneSurrogates(c.type),
                       WithoutLoneSurrogates(c.title.substr(0, kHistoryTitleLimit)),
                       WithoutLoneSurrogates(c.preview.substr(0, kHistoryPreviewLimit)),
                       WithoutLoneSurrogates(c.detail.substr(0, kHistoryDetailLimit)),
                       storage.stamps.now};
    if (added.id.empty()) {
        added.id = u"id";
    }
    const FileFailure saved = SaveHistoryEntry(writer, storage.stamps, folder, c.email, c.type,
                                               c.title, c.preview, c.detail);
    FUZZ_CHECK((saved == FileFailure::kNone) == writes);
    const std::vector<HistoryEntry> after = LoadHistory(files, folder, c.email);
    // Bytes the program would not have written are kept aside, exactly, before any rewrite.
    const WideText copy = HistoryFilePath(folder, c.email) + u"." +
                          Utf8ToWide(std::to_string(storage.stamps.now)) + u".damaged";
    const std::optional<Utf8Text> kept = files.ReadWholeFile(copy);
    files.RemoveFile(copy);
    if (!writes) {
        FUZZ_CHECK(SameList(after, before) && !kept);
        return;
    }
    const Utf8Text written = files.ReadWholeFile(HistoryFilePath(folder, c.email)).value_or("");
    FUZZ_CHECK(ReadHistoryForSave(written).ownForm);
    FUZZ_CHECK(kept ? *kept == file && !file.empty()
                    : file.empty() || ReadHistoryForSave(file).ownForm);
    std::vector<HistoryEntry> expected(
        before.begin(), before.begin() + std::min(before.size(), kHistoryEntryLimit - 1));
    expected.push_back(std::move(added));
    FUZZ_CHECK(NewestFirst(after) && SameEntries(after, expected));
}

// `file` (no file when empty) as the profile, then one save through `writer`.
void CheckProfileSave(Storage& storage, FileSystem& writer, bool writes, const Utf8Text& file,
                      const Consultation& c) {
    const WideText& folder = storage.dataFolder;
    if (!file.empty()) {
        storage.files.PutFile(folder + u"\\profile.json", file);
    }
    const UserProfile old = LoadProfile(storage.files, folder);
    SaveProfile(writer, folder, c.email, c.name);
    const UserProfile now = LoadProfile(storage.files, folder);
    if (writes) {
        FUZZ_CHECK(now.email == WithoutLoneSurrogates(EmailKey(c.email)) &&
                   now.name == WithoutLoneSurrogates(Trim(c.name)));
    } else {
        FUZZ_CHECK(now.email == old.email && now.name == old.name);
    }
}

}  // namespace
}  // namespace alvena

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace alvena;
    static Storage storage;
    FuzzedDataProvider input(data, size);
    const int faultDraw = input.ConsumeIntegralInRange(0, 15);
    const WriteFault fault =
        faultDraw <= 5 ? static_cast<WriteFault>(faultDraw) : WriteFault::kNone;
    storage.stamps.idsAvailable = input.ConsumeBool();
    storage.stamps.now = input.ConsumeIntegral<std::int64_t>();
    const Consultation consultation = ConsumeConsultation(input);
    const Utf8Text file = input.ConsumeRemainingBytesAsString();

    FUZZ_CHECK(ReadLeadingInteger(file) == std::strtoll(file.c_str(), nullptr, 10));

    FailingFileSystem writer(storage.files, fault);
    const bool writes = fault == WriteFault::kNone;
    CheckHistorySave(storage, writer, writes, file, consultation);
    CheckProfileSave(storage, writer, writes, file, consultation);

    // Leave the data folder as it was, and make sure no temporary file was left in it.
    const WideText history = HistoryFilePath(storage.dataFolder, consultation.email);
    storage.files.RemoveFile(history);
    storage.files.RemoveFile(HistoryLockPath(history));
    storage.files.RemoveFile(storage.dataFolder + u"\\profile.json");
    FUZZ_CHECK(storage.files.List(storage.dataFolder + u"\\history").empty());
    FUZZ_CHECK(storage.files.List(storage.dataFolder) == std::vector<WideText>{u"history"});
    return 0;
}
