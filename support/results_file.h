// The results file "SOLUTION.TXT" (a running transcript with time stamps) and the
// solution log "LOGSOL.TXT" (each solution line once).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace quorbit {

inline constexpr const char* RESULTS_FILE = "SOLUTION.TXT";
inline constexpr const char* SOLUTION_LOG_FILE = "LOGSOL.TXT";
inline constexpr int64_t STAMP_INTERVAL_SECONDS = 300;
inline constexpr size_t STAMP_SIZE = 28;  // "[Www Mmm DD hh:mm:ss YYYY]\n" and its terminator

// Seconds since 1970 of the last stamp written in this run; 0 at start, so a run's first
// line is stamped.
extern std::atomic<int64_t> lastStampTime;

// The calendar clock in seconds since 1970; replaceable so that tests can move time.
using CalendarClock = int64_t (*)();
void SetCalendarClock(CalendarClock clock);  // nullptr: the system clock

// "[Sat Dec 05 14:16:32 2026]\n" for the local time of `seconds`, with English names
// whatever the locale.
void FormatStampLine(int64_t seconds, char* out, size_t size);

// The text on the console, then in the results file.
void ReportLine(const char* text);

// Appends text to "SOLUTION.TXT" with every LF written as CR LF, preceded by a stamp line
// when more than 300 seconds have passed since the last one. When the file cannot be
// opened, the console says so and the text is not written.
void AppendResultsFile(const char* text);

// Removes one trailing LF from text (in the caller's buffer), then adds it to
// "LOGSOL.TXT" unless the log already holds it (letters in either case).
void LogSolutionLine(char* text);

}  // namespace quorbit
