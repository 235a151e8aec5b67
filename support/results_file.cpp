#include "support/results_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

#include "support/console.h"
#include "support/file_replace.h"
#include "support/line_table.h"

namespace quorbit {

std::atomic<int64_t> lastStampTime{0};

namespace {

constexpr const char* DAY_NAMES[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* MONTH_NAMES[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int64_t SystemCalendarClock() { return static_cast<int64_t>(std::time(nullptr)); }

std::atomic<CalendarClock> calendarClock{SystemCalendarClock};

// Keeps one caller's stamp and text together when two threads report at once.
std::mutex resultsFileLock;

// The solution log's own lock; nothing else takes it.
std::mutex solutionLogLock;

// Lets the store release the log's lines safely at the end of the run.
const bool logGuarded = (GuardLineTable(
                             SOLUTION_LOG_FILE, [] { solutionLogLock.lock(); }, [] { solutionLogLock.unlock(); }),
                         true);

// Writes text with every LF as CR LF.
void WriteWithLineEnds(int fd, const char* text) {
    char buffer[4096];
    size_t used = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (used + 2 > sizeof buffer) {
            if (!WriteAll(fd, buffer, used)) return;
            used = 0;
        }
        if (*c == '\n') buffer[used++] = '\r';
        buffer[used++] = *c;
    }
    WriteAll(fd, buffer, used);
}

}  // namespace

void SetCalendarClock(CalendarClock clock) {
    calendarClock.store(clock != nullptr ? clock : SystemCalendarClock, std::memory_order_relaxed);
}

void FormatStampLine(int64_t seconds, char* out, size_t size) {
    const std::time_t when = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) local = std::tm{};
    const int day = local.tm_wday >= 0 && local.tm_wday < 7 ? local.tm_wday : 0;
    const int month = local.tm_mon >= 0 && local.tm_mon < 12 ? local.tm_mon : 0;
    std::snprintf(out, size, "[%s %s %02d %02d:%02d:%02d %04d]\n", DAY_NAMES[day], MONTH_NAMES[month],
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, local.tm_year + 1900);
}

void AppendResultsFile(const char* text) {
    if (text == nullptr) return;
    bool opened = false;
    {
        std::lock_guard<std::mutex> hold(resultsFileLock);
        const int fd = ::open(RESULTS_FILE, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
        if (fd >= 0) {
            opened = true;
            const int64_t now = calendarClock.load(std::memory_order_relaxed)();
            if (now - lastStampTime.load(std::memory_order_relaxed) > STAMP_INTERVAL_SECONDS) {
                lastStampTime.store(now, std::memory_order_relaxed);
                char stamp[64];
                FormatStampLine(now, stamp, sizeof stamp);
                WriteWithLineEnds(fd, stamp);
            }
            WriteWithLineEnds(fd, text);
            ::close(fd);
        }
    }
    // Printed outside the lock: the console hands over to the shell, which may wait.
    if (!opened) ConsolePrint("Error opening the results file.\n");
}

void ReportLine(const char* text) {
    ConsolePrint(text);
    AppendResultsFile(text);
}

void LogSolutionLine(char* text) {
    if (text == nullptr) return;
    const size_t length = std::strlen(text);
    if (length > 0 && text[length - 1] == '\n') text[length - 1] = '\0';
    // Looked up before the lock is taken: loading the log may report an over-long file on
    // the console, and nothing that reaches the shell may run under a core lock.
    (void)GetLineTable(SOLUTION_LOG_FILE);
    std::lock_guard<std::mutex> hold(solutionLogLock);
    AddLineOnce(SOLUTION_LOG_FILE, text);
}

}  // namespace quorbit
