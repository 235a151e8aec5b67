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

// The text on the console, then in the results file (AppendResultsFile). True only when
// the text is in the file and synced.
bool ReportLine(const char* text);

// Appends text to "SOLUTION.TXT" with every LF written as CR LF, preceded by a stamp line
// when more than 300 seconds have passed since the last one, and first ending the file's
// last line when it lacks its line end. True only when every byte is written and synced.
// When the file cannot be opened the console says "Error opening the results file.";
// any failure (open, write, sync, close) is recorded with NoteWriteFailure, the file is cut
// back to its old length where possible (no partial line stays), and the stamp counts as
// not written.
bool AppendResultsFile(const char* text);

// Removes one trailing LF from text (in the caller's buffer), then adds it to "LOGSOL.TXT"
// unless the log already holds its tour: a solution line ("Solution N: TOUR found in ...")
// is the same as a logged one when their TOURs are equal, whatever their numbers, times and
// node counts; any other line when the whole lines are equal (letters in either case,
// always). True when the line is there or now on disk (synced); a failure is recorded with
// NoteWriteFailure.
bool LogSolutionLine(char* text);

// The part of a solution line that the log compares: the TOUR of "Solution N: TOUR found
// in ...", or the whole line when it is not a solution line. Gives its start and length.
const char* SolutionLogKey(const char* line, size_t length, size_t* keyLength);

// For commands that only read (quorbit-cli status): ReportLine then shows its text on the
// console only, and no results file is created or written.
void SetResultsFileReadOnly(bool readOnly);

}  // namespace quorbit
