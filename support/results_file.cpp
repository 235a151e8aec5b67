#include "support/results_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

#include "platform/file_replace.h"
#include "platform/ticks.h"
#include "support/console.h"
#include "support/line_table.h"
#include "support/write_failure.h"

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

std::atomic<bool> resultsReadOnly{false};

// Lets the store release the log's lines safely at the end of the run.
const bool logGuarded = (GuardLineTable(
                             SOLUTION_LOG_FILE, [] { solutionLogLock.lock(); }, [] { solutionLogLock.unlock(); }),
                         true);

// Adds text to bytes with every LF as CR LF.
void AddWithLineEnds(std::string& bytes, const char* text) {
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '\n') bytes += '\r';
        bytes += *c;
    }
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// True when text (of length bytes) begins with prefix, letters in either case.
bool StartsWith(const char* text, size_t length, const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (length < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
    return true;
}

// The start of the tour of a solution line, or nullptr for any other line.
const char* TourStart(const char* line, size_t length) {
    static constexpr const char* LABEL = "Solution ";
    if (!StartsWith(line, length, LABEL)) return nullptr;
    size_t at = std::strlen(LABEL);
    const size_t digits = at;
    while (at < length && line[at] >= '0' && line[at] <= '9') ++at;
    if (at == digits || !StartsWith(line + at, length - at, ": ")) return nullptr;
    return line + at + 2;
}

bool SameKey(const char* a, size_t aLength, const char* b, size_t bLength) {
    if (aLength != bLength) return false;
    for (size_t i = 0; i < aLength; ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

// The log's rule for "already logged": the same tour, or the same line for other lines.
bool SameLoggedSolution(const char* stored, size_t length, const char* line) {
    const size_t lineLength = std::strlen(line);
    const bool storedIsSolution = TourStart(stored, length) != nullptr;
    if (storedIsSolution != (TourStart(line, lineLength) != nullptr)) return false;
    size_t storedKey = 0;
    size_t lineKey = 0;
    const char* a = SolutionLogKey(stored, length, &storedKey);
    const char* b = SolutionLogKey(line, lineLength, &lineKey);
    return SameKey(a, storedKey, b, lineKey);
}

}  // namespace

void SetCalendarClock(CalendarClock clock) {
    calendarClock.store(clock != nullptr ? clock : SystemCalendarClock, std::memory_order_relaxed);
}

void FormatStampLine(int64_t seconds, char* out, size_t size) {
    std::tm local{};
    if (!LocalCalendarTime(seconds, local)) local = std::tm{};
    const int day = local.tm_wday >= 0 && local.tm_wday < 7 ? local.tm_wday : 0;
    const int month = local.tm_mon >= 0 && local.tm_mon < 12 ? local.tm_mon : 0;
    std::snprintf(out, size, "[%s %s %02d %02d:%02d:%02d %04d]\n", DAY_NAMES[day], MONTH_NAMES[month],
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, local.tm_year + 1900);
}

bool AppendResultsFile(const char* text) {
    if (text == nullptr) return false;
    if (resultsReadOnly.load(std::memory_order_relaxed)) return true;
    bool written = false;
    bool openFailed = false;
    int error = 0;
    {
        std::lock_guard<std::mutex> hold(resultsFileLock);
        std::string bytes;
        const int64_t now = calendarClock.load(std::memory_order_relaxed)();
        const bool stampDue = now - lastStampTime.load(std::memory_order_relaxed) > STAMP_INTERVAL_SECONDS;
        if (stampDue) {
            char stamp[64];
            FormatStampLine(now, stamp, sizeof stamp);
            AddWithLineEnds(bytes, stamp);
        }
        AddWithLineEnds(bytes, text);
        // Stamp and text in one write: both reach the disk, or neither stays.
        written = AppendLineToFile(RESULTS_FILE, bytes.data(), bytes.size(), &openFailed);
        error = errno;
        if (written && stampDue) lastStampTime.store(now, std::memory_order_relaxed);
    }
    if (written) return true;
    // Said outside the lock: the console hands over to the shell, which may wait.
    if (openFailed) ConsolePrint("Error opening the results file.\n");
    return NoteWriteFailure(RESULTS_FILE, error);
}

bool ReportLine(const char* text) {
    ConsolePrint(text);
    return AppendResultsFile(text);
}

const char* SolutionLogKey(const char* line, size_t length, size_t* keyLength) {
    const char* tour = TourStart(line, length);
    if (tour == nullptr) {
        *keyLength = length;
        return line;
    }
    static constexpr const char* TIMING = " found in";
    const char* end = line + length;
    for (const char* c = tour; c < end; ++c) {
        if (StartsWith(c, static_cast<size_t>(end - c), TIMING)) {
            end = c;
            break;
        }
    }
    *keyLength = static_cast<size_t>(end - tour);
    return tour;
}

bool LogSolutionLine(char* text) {
    if (text == nullptr) return false;
    const size_t length = std::strlen(text);
    if (length > 0 && text[length - 1] == '\n') text[length - 1] = '\0';
    // Looked up before the lock is taken: loading the log may report an over-long file on
    // the console, and nothing that reaches the shell may run under a core lock.
    (void)GetLineTable(SOLUTION_LOG_FILE);
    bool logged;
    int error;
    {
        std::lock_guard<std::mutex> hold(solutionLogLock);
        logged = AddLineOnce(SOLUTION_LOG_FILE, text, &SameLoggedSolution);
        error = errno;
    }
    // Recorded outside the lock: the record is said on the console.
    return logged || NoteWriteFailure(SOLUTION_LOG_FILE, error);
}

void SetResultsFileReadOnly(bool readOnly) { resultsReadOnly.store(readOnly, std::memory_order_relaxed); }

}  // namespace quorbit
