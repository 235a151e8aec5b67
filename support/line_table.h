// The store of small text files (settings, work queue, solution log): each file is read
// once, on first use, into a table of lines, and written back whole after every change.
// All names are relative to the working directory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorbit {

inline constexpr int32_t MAX_TABLE_LINES = 1024;
inline constexpr int32_t MAX_LINE_TABLES = 6;
inline constexpr int32_t MAX_FILE_NAME = 260;
inline constexpr int32_t MAX_READ_LINE = 254;  // a longer line in a file is read as several
// Lines past the 1024th are kept in memory, byte for byte, up to this much; a file with
// more than that is never rewritten whole (see `rewriteHeldBack`).
inline constexpr size_t MAX_UNREAD_TAIL = 8u << 20;

// Why a table's file may not be rewritten from the table (see `rewriteHeldBack`).
enum class HeldBack : uint8_t {
    No,
    Unreadable,      // it could not be opened or read (`heldBackError` says why)
    NotRegularFile,  // a directory, a device, a FIFO...
    NulBytes,        // it holds NUL bytes, which no line can hold
    TooLong,         // more than MAX_UNREAD_TAIL bytes after its 1024th line
    OutOfMemory,
    Released,        // FreeLineTables emptied the table
};

// One cached file. Callers may read `lineCount` and `lines` and change them (through
// AppendTableLine and RemoveTableLine) under the lock that guards the file's use.
//
// Lines end at LF, at CR LF or at a CR alone; a line longer than MAX_READ_LINE bytes is
// read as several.
struct LineTable {
    int32_t lineCount;                // 0..MAX_TABLE_LINES
    char* lines[MAX_TABLE_LINES];     // owned, never empty, no line ends
    char fileName[MAX_FILE_NAME];     // as first asked for; empty marks a free table

    // The file holds something this table cannot reproduce (it could not be read, is not a
    // regular file, holds NUL bytes, or its tables were released), so saving never replaces
    // it; added lines are appended to it instead. `heldBack` says why.
    bool rewriteHeldBack;
    HeldBack heldBack;
    int heldBackError;  // the errno of an unreadable file
    // The bytes after the 1024th line, exactly as read (plus lines appended since), written
    // back after the table's lines so that a rewrite loses none of them.
    char* unreadTail;
    size_t unreadTailLength;
};

// The table bound to `name` (compared byte for byte), loaded on first use. A missing file
// gives an empty table. Returns nullptr when the name is empty or too long, or when all
// six tables are bound to other names: such a file has no table (see AddLineOnce).
[[nodiscard]] LineTable* GetLineTable(const char* name);

// Rewrites the table's file: its lines, each followed by CR LF, then its unread tail. The
// file is replaced in one step; if that fails the old file stays and the table keeps its
// change, which the next successful save writes. Returns true only once the new file is on
// disk (synced). A failed open, write, sync, close or rename returns false with the system's
// reason in errno, which the caller records with NoteWriteFailure (support/write_failure.h)
// once it holds no lock (the record is said on the console). A table whose file may not be
// rewritten (`rewriteHeldBack`, see DescribeHeldBack) returns false with errno 0.
bool SaveLineTable(LineTable& table);

// Tells whether two lines are the same for AddLineOnce: `stored` (of `length` bytes, no
// NUL among them) is a line already held, `line` the one being added.
using LineMatch = bool (*)(const char* stored, size_t length, const char* line);

// Appends the line unless one equal to it (ASCII letters in either case, or as `match`
// says when given) is already there, then saves. A full table, or one whose file may not be
// rewritten, still gets the line onto the end of its file (and into its unread tail); so
// does a name without a table, after the file on disk has been searched for the line.
// True when the line was there or is now on disk (synced); otherwise false with the reason
// in errno, as for SaveLineTable, and the line stays in memory.
bool AddLineOnce(const char* name, const char* line, LineMatch match = nullptr);

// Why the table's file may not be rewritten, as a clause for a message ("it holds NUL
// bytes"); empty when it may.
void DescribeHeldBack(const LineTable& table, char* out, size_t size);

// True when the table holds MAX_TABLE_LINES lines. A name without a table is not full: it
// still takes lines through AddLineOnce.
bool IsLineTableFull(const char* name);

// Names the lock under which more than one thread uses a file's table (the work queue's,
// the solution log's), so that FreeLineTables can take it. A file without one is used by a
// single thread. Calls for a name already guarded, or past MAX_LINE_TABLES names, are ignored.
void GuardLineTable(const char* name, void (*lock)(), void (*unlock)());

// Releases every line of every table, each under its guard, so it is safe while other
// threads still use the store. The tables stay bound, read as empty and are never rewritten
// (a save after this would otherwise empty the file); a line added later is appended.
void FreeLineTables();

// Releases and unbinds every table, as at process start. The program itself does not need
// this; it serves a process that works in several directories in turn, such as a test.
void ResetLineTables();

// Adds a copy of line after the last one; false (nothing changed) when the table is full
// or memory runs out. Does not save.
bool AppendTableLine(LineTable& table, const char* line);
// Releases line `index` and moves the later ones down; false for an index out of range.
// Does not save.
bool RemoveTableLine(LineTable& table, int32_t index);

// ASCII letters compared without regard to case, other bytes as they are.
bool EqualIgnoringCase(const char* a, const char* b);

}  // namespace quorbit
