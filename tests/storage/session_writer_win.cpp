// One copy of the program in one session, as far as the history goes: says it is ready (writes
// a file), waits for the start signal (another file that appears), then saves its consultations
// one after the other through the program's own saver into the user's data folder, each written
// before the next is handed over.
//   session_writer <email> <title prefix> <count> <ready file> <start file>
// Exit code 0 when every entry was written, 1 otherwise, 2 for wrong arguments.
#include <windows.h>

#include <chrono>
#include <cwchar>
#include <string>
#include <thread>

#include "protocol/utf8.h"
#include "protocol/wide_text_win.h"
#include "storage/data_folder.h"
#include "storage/entry_stamps.h"
#include "storage/history_saver.h"
#include "storage/history_store.h"

namespace {

using alvena::WideText;
using Clock = std::chrono::steady_clock;

template <typename Done>
[[nodiscard]] bool WaitFor(Done done, std::chrono::seconds limit) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

[[nodiscard]] WideText Arg(const wchar_t* text) {
    return alvena::FromWinText(text, std::wcslen(text));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace alvena;
    if (argc != 6) {
        return 2;
    }
    const WideText email = Arg(argv[1]);
    const WideText prefix = Arg(argv[2]);
    const int count = _wtoi(argv[3]);
    const wchar_t* start = argv[5];
    const HANDLE ready = CreateFileW(argv[4], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (ready == INVALID_HANDLE_VALUE || !WriteFile(ready, "1", 1, &written, nullptr) ||
        !CloseHandle(ready)) {
        return 2;
    }
    if (!WaitFor([start] { return GetFileAttributesW(start) != INVALID_FILE_ATTRIBUTES; },
                 std::chrono::seconds(120))) {
        return 1;
    }
    const WideText dataFolder = GetDataFolder();
    HistorySaver saver(SystemSaverHooks());
    for (int i = 0; i < count; ++i) {
        const WideText title = prefix + Utf8ToWide(std::to_string(i));
        saver.Add(dataFolder, MakeHistoryEntry(SystemEntryStamps(), email, u"chat", title,
                                               u"Una respuesta.", u"Una respuesta."));
        if (!WaitFor([&saver] { return saver.Unwritten() == 0; }, std::chrono::seconds(60))) {
            return 1;
        }
    }
    saver.Finish(kCloseSaveWait);
    return saver.Unwritten() == 0 ? 0 : 1;
}
