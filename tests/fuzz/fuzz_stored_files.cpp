// The small files the store reads: the settings ("QUORBIT.INI") and the work queue
// ("WORKTOUR.INI"), whatever a user or a crash left in them. Each input is both files.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "control/queue_status.h"
#include "control/work_queue.h"
#include "support/line_table.h"
#include "support/results_file.h"
#include "support/settings.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

const char* const KEYS[] = {"Priority", "CpuNumber", "DisplayFrequency", "DisplayDepth", "TrayIcon",
                            "HideIcon", "Left",      "Top",              "Right",        "Bottom",
                            "AutoInstall"};

void WriteBytes(const char* name, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(name, "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, f) == size);
    FUZZ_CHECK(std::fclose(f) == 0);
}

struct Snapshot {
    std::vector<std::string> lines;
    std::string tail;
    bool heldBack;
};

Snapshot Take(const char* name) {
    const quorbit::LineTable* table = quorbit::GetLineTable(name);
    FUZZ_CHECK(table != nullptr);
    Snapshot s{{}, std::string(table->unreadTail != nullptr ? table->unreadTail : "", table->unreadTailLength),
               table->rewriteHeldBack};
    for (int32_t i = 0; i < table->lineCount; ++i) {
        FUZZ_CHECK(table->lines[i] != nullptr && table->lines[i][0] != '\0');
        FUZZ_CHECK(std::strlen(table->lines[i]) <= static_cast<size_t>(quorbit::MAX_READ_LINE));
        FUZZ_CHECK(std::strchr(table->lines[i], '\n') == nullptr);
        s.lines.emplace_back(table->lines[i]);
    }
    return s;
}

char workDirectory[64];

void RemoveWorkDirectory() {
    for (const char* name : {"QUORBIT.INI", "WORKTOUR.INI", "SOLUTION.TXT", "QUORBIT.INI.tmp", "WORKTOUR.INI.tmp"})
        std::remove(name);
    if (chdir("/") == 0) rmdir(workDirectory);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // On a memory file system when there is one: every save syncs its file.
    char dir[] = "/dev/shm/quorbit-fuzz-XXXXXX";
    char fallback[] = "/tmp/quorbit-fuzz-XXXXXX";
    const char* made = mkdtemp(dir);
    if (made == nullptr) made = mkdtemp(fallback);
    FUZZ_CHECK(made != nullptr && chdir(made) == 0);
    std::snprintf(workDirectory, sizeof workDirectory, "%s", made);
    std::atexit(&RemoveWorkDirectory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorbit;
    WriteBytes(SETTINGS_FILE, data, size);
    WriteBytes("WORKTOUR.INI", data, size);
    std::remove(RESULTS_FILE);  // the store's overflow message lands there
    ResetLineTables();

    char text[64];
    for (const char* key : KEYS) {
        GetSettingInt(key, 1);
        GetSettingText(key, text, 20, "default");
        FUZZ_CHECK(std::strlen(text) < 20);
    }
    const int32_t count = QueueCount();
    FUZZ_CHECK(count >= 0 && count <= MAX_TABLE_LINES);
    for (int32_t i = 0; i < count; ++i) {
        FUZZ_CHECK(QueueEntry(i, text, sizeof text));
        const int32_t unit = EntryUnit(text);
        FUZZ_CHECK(unit >= -1 && unit < 45);
    }
    static char status[QUEUE_STATUS_SIZE];
    FormatQueueStatus(status, sizeof status);
    FUZZ_CHECK(std::strlen(status) < sizeof status);

    // Written back and read again, a file gives the same table.
    const Snapshot before = Take(SETTINGS_FILE);
    if (!before.heldBack) {
        SaveLineTable(*GetLineTable(SETTINGS_FILE));
        ResetLineTables();
        const Snapshot after = Take(SETTINGS_FILE);
        FUZZ_CHECK(after.lines == before.lines);
        FUZZ_CHECK(after.tail == before.tail);
    }
    // A setting once set reads back as set; a full file takes no new key (the store keeps
    // every line it holds rather than make room).
    const LineTable* settings = GetLineTable(SETTINGS_FILE);
    bool present = false;
    for (int32_t i = 0; i < settings->lineCount; ++i) present |= SettingValue(settings->lines[i], "Priority") != nullptr;
    const bool full = settings->lineCount >= MAX_TABLE_LINES;
    SetSettingInt("Priority", 7);
    if (present || !full) FUZZ_CHECK(GetSettingInt("Priority", 1) == 7);
    return 0;
}
