#include "support/line_table.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/error_text.h"
#include "platform/file_replace.h"
#include "platform/files.h"
#include "support/results_file.h"

namespace quorbit {

namespace {

LineTable lineTables[MAX_LINE_TABLES];

// Guards binding: the names of the tables and the loading of a newly bound one. The
// contents of a bound table are guarded by the callers (the queue's lock, the solution
// log's lock, the settings' single thread).
std::mutex bindLock;

struct TableGuard {
    char name[MAX_FILE_NAME];
    void (*lock)();
    void (*unlock)();
};
TableGuard tableGuards[MAX_LINE_TABLES];  // guarded by bindLock

constexpr const char* LINE_END = "\r\n";

// Cuts a file into the pieces the store reads as lines: each piece ends after an LF, after
// a CR or after MAX_READ_LINE bytes, and an LF just after a CR belongs to the line that CR
// ended; one trailing LF, then one trailing CR, are removed; empty pieces are skipped.
// Bytes arrive in any number of calls.
struct PieceSplitter {
    char piece[MAX_READ_LINE];
    size_t length = 0;
    size_t start = 0;     // offset of the current piece's first byte
    size_t offset = 0;    // offset of the next byte fed
    bool afterCr = false;  // the last byte fed was a CR that ended a piece
};

// onPiece(bytes, length, startOffset) returns false to stop; Feed then returns false.
template <typename OnPiece>
bool EmitPiece(PieceSplitter& s, OnPiece& onPiece) {
    size_t length = s.length;
    s.length = 0;
    if (length > 0 && s.piece[length - 1] == '\n') --length;
    if (length > 0 && s.piece[length - 1] == '\r') --length;
    if (length == 0) return true;
    return onPiece(s.piece, length, s.start);
}

template <typename OnPiece>
bool FeedPieces(PieceSplitter& s, const char* bytes, size_t count, OnPiece& onPiece) {
    for (size_t i = 0; i < count; ++i) {
        const char byte = bytes[i];
        const bool lineFeedOfCr = s.afterCr && byte == '\n';
        s.afterCr = false;
        if (lineFeedOfCr) {  // the second half of a CR LF
            ++s.offset;
            continue;
        }
        if (s.length == 0) s.start = s.offset;
        s.piece[s.length++] = byte;
        ++s.offset;
        if (byte == '\r') s.afterCr = true;
        if ((byte == '\n' || byte == '\r' || s.length == static_cast<size_t>(MAX_READ_LINE)) &&
            !EmitPiece(s, onPiece))
            return false;
    }
    return true;
}

template <typename OnPiece>
bool FinishPieces(PieceSplitter& s, OnPiece& onPiece) {
    return s.length == 0 || EmitPiece(s, onPiece);
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameLine(const char* stored, size_t length, const char* line) {
    for (size_t i = 0; i < length; ++i)
        if (line[i] == '\0' || LowerAscii(stored[i]) != LowerAscii(line[i])) return false;
    return line[length] == '\0';
}

bool PieceMatchesLine(const char* piece, size_t length, const char* line, LineMatch match) {
    if (std::memchr(piece, '\0', length) != nullptr) return false;
    return match(piece, length, line);
}

bool TailHoldsLine(const LineTable& table, const char* line, LineMatch match) {
    if (table.unreadTailLength == 0) return false;
    PieceSplitter splitter;
    bool found = false;
    auto onPiece = [&](const char* piece, size_t length, size_t) {
        found = PieceMatchesLine(piece, length, line, match);
        return !found;
    };
    FeedPieces(splitter, table.unreadTail, table.unreadTailLength, onPiece);
    if (!found) FinishPieces(splitter, onPiece);
    return found;
}

bool TableHoldsLine(const LineTable& table, const char* line, LineMatch match) {
    for (int32_t i = 0; i < table.lineCount; ++i)
        if (match(table.lines[i], std::strlen(table.lines[i]), line)) return true;
    return TailHoldsLine(table, line, match);
}

void HoldBack(LineTable& table, HeldBack why, int error = 0) {
    if (!table.rewriteHeldBack) {
        table.heldBack = why;
        table.heldBackError = error;
    }
    table.rewriteHeldBack = true;
}

bool GrowTail(LineTable& table, const char* bytes, size_t length) {
    if (length == 0) return true;
    if (table.unreadTailLength + length > MAX_UNREAD_TAIL) return false;
    char* grown = static_cast<char*>(std::realloc(table.unreadTail, table.unreadTailLength + length));
    if (grown == nullptr) return false;
    table.unreadTail = grown;
    std::memcpy(grown + table.unreadTailLength, bytes, length);
    table.unreadTailLength += length;
    return true;
}

// Adds a line and its line end to the tail, starting a new line first if the tail as read
// from the file ended without one.
bool AddLineToTail(LineTable& table, const char* line) {
    const char* lineEnd = table.unreadTailLength > 0 ? LineEndAfter(table.unreadTail[table.unreadTailLength - 1]) : "";
    if (!GrowTail(table, lineEnd, std::strlen(lineEnd))) return false;
    return GrowTail(table, line, std::strlen(line)) && GrowTail(table, LINE_END, 2);
}

void ReleaseContents(LineTable& table) {
    for (int32_t i = 0; i < table.lineCount; ++i) {
        std::free(table.lines[i]);
        table.lines[i] = nullptr;
    }
    table.lineCount = 0;
    std::free(table.unreadTail);
    table.unreadTail = nullptr;
    table.unreadTailLength = 0;
}

// Reads the rest of the file into the unread tail; the reason when it cannot be kept.
HeldBack ReadAllFrom(int fd, size_t from, LineTable& table, int& error) {
    char chunk[65536];
    for (;;) {
        const long got = ReadSomeAt(fd, chunk, sizeof chunk, from);
        if (got < 0) {
            error = errno;
            return HeldBack::Unreadable;
        }
        if (got == 0) return HeldBack::No;
        if (table.unreadTailLength + static_cast<size_t>(got) > MAX_UNREAD_TAIL) return HeldBack::TooLong;
        if (!GrowTail(table, chunk, static_cast<size_t>(got))) return HeldBack::OutOfMemory;
        from += static_cast<size_t>(got);
    }
}

// Reads an open regular file into a freshly bound table. Returns true when the message
// about lines past the limit is due.
bool LoadLines(int fd, LineTable& table) {
    PieceSplitter splitter;
    bool overflow = false;
    bool stopped = false;
    size_t tailStart = 0;
    auto onPiece = [&](const char* piece, size_t length, size_t start) {
        if (table.lineCount == MAX_TABLE_LINES) {
            overflow = true;
            tailStart = start;
            return false;
        }
        // A NUL byte cannot live in a line; the file is kept as it is on disk instead.
        if (std::memchr(piece, '\0', length) != nullptr) {
            HoldBack(table, HeldBack::NulBytes);
            length = std::strlen(piece);
            if (length == 0) return true;
        }
        char* copy = static_cast<char*>(std::malloc(length + 1));
        if (copy == nullptr) {
            HoldBack(table, HeldBack::OutOfMemory);
            return false;
        }
        std::memcpy(copy, piece, length);
        copy[length] = '\0';
        table.lines[table.lineCount++] = copy;
        return true;
    };
    char chunk[65536];
    while (!stopped) {
        const long got = ReadSome(fd, chunk, sizeof chunk);
        if (got < 0) {
            HoldBack(table, HeldBack::Unreadable, errno);
            break;
        }
        if (got == 0) {
            FinishPieces(splitter, onPiece);
            break;
        }
        stopped = !FeedPieces(splitter, chunk, static_cast<size_t>(got), onPiece);
    }
    int error = 0;
    const HeldBack tail = overflow ? ReadAllFrom(fd, tailStart, table, error) : HeldBack::No;
    if (tail != HeldBack::No) {
        HoldBack(table, tail, error);
        std::free(table.unreadTail);
        table.unreadTail = nullptr;
        table.unreadTailLength = 0;
    }
    return overflow;
}

// Binds a free table to name and loads the file. Returns true when the overflow message is due.
bool BindAndLoad(LineTable& table, const char* name) {
    std::snprintf(table.fileName, sizeof table.fileName, "%s", name);
    table.lineCount = 0;
    std::memset(table.lines, 0, sizeof table.lines);
    table.rewriteHeldBack = false;
    table.heldBack = HeldBack::No;
    table.heldBackError = 0;
    table.unreadTail = nullptr;
    table.unreadTailLength = 0;
    const int fd = OpenToReadAtOnce(name);
    if (fd < 0) {
        // Missing: an empty file. Present but unreadable: empty too, but never overwritten.
        if (errno != ENOENT && errno != ENOTDIR) HoldBack(table, HeldBack::Unreadable, errno);
        return false;
    }
    bool regular = false;
    bool overflow = false;
    if (!OpenFileIsRegular(fd, regular)) {
        HoldBack(table, HeldBack::Unreadable, errno);
    } else if (!regular) {
        HoldBack(table, HeldBack::NotRegularFile);
    } else {
        overflow = LoadLines(fd, table);
    }
    CloseAfterReading(fd);
    return overflow;
}

bool AppendWithLineEnd(const char* name, const char* line) {
    const size_t length = std::strlen(line);
    char stackCopy[512];
    char* bytes = length + 2 <= sizeof stackCopy ? stackCopy : static_cast<char*>(std::malloc(length + 2));
    if (bytes == nullptr) {
        errno = ENOMEM;
        return false;
    }
    std::memcpy(bytes, line, length);
    std::memcpy(bytes + length, LINE_END, 2);
    const bool ok = AppendLineToFile(name, bytes, length + 2);
    const int error = errno;
    if (bytes != stackCopy) std::free(bytes);
    errno = error;
    return ok;
}

// For a name without a table: looks for the line in the file itself, then appends it.
bool AddLineOnceOnDisk(const char* name, const char* line, LineMatch match) {
    const int fd = OpenToReadAtOnce(name);
    if (fd >= 0) {
        bool regular = false;
        bool found = false;
        if (OpenFileIsRegular(fd, regular) && regular) {
            PieceSplitter splitter;
            auto onPiece = [&](const char* piece, size_t length, size_t) {
                found = PieceMatchesLine(piece, length, line, match);
                return !found;
            };
            char chunk[65536];
            for (;;) {
                const long got = ReadSome(fd, chunk, sizeof chunk);
                if (got <= 0) {
                    if (got == 0 && !found) FinishPieces(splitter, onPiece);
                    break;
                }
                if (!FeedPieces(splitter, chunk, static_cast<size_t>(got), onPiece)) break;
            }
        }
        CloseAfterReading(fd);
        if (found) return true;
    }
    return AppendWithLineEnd(name, line);
}

}  // namespace

bool EqualIgnoringCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(*a);
        unsigned char y = static_cast<unsigned char>(*b);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
        if (x == '\0') return true;
    }
}

LineTable* GetLineTable(const char* name) {
    if (name == nullptr || name[0] == '\0' || std::strlen(name) >= static_cast<size_t>(MAX_FILE_NAME))
        return nullptr;
    LineTable* found = nullptr;
    bool overflow = false;
    {
        std::lock_guard<std::mutex> hold(bindLock);
        for (LineTable& table : lineTables) {
            if (table.fileName[0] == '\0') {
                overflow = BindAndLoad(table, name);
                found = &table;
                break;
            }
            if (std::strcmp(table.fileName, name) == 0) {
                found = &table;
                break;
            }
        }
    }
    // Reported outside the lock: the report reaches the shell, which may wait for a thread
    // that is itself about to look up a table.
    if (overflow) {
        char message[MAX_FILE_NAME + 64];
        std::snprintf(message, sizeof message, "More than %d lines in %s file\n", MAX_TABLE_LINES, name);
        ReportLine(message);
    }
    return found;
}

bool SaveLineTable(LineTable& table) {
    if (table.rewriteHeldBack || table.fileName[0] == '\0') {
        errno = 0;
        return false;
    }
    FileReplacement replacement;
    if (!BeginReplacement(replacement, table.fileName)) return false;
    for (int32_t i = 0; i < table.lineCount; ++i) {
        ReplacementWrite(replacement, table.lines[i], std::strlen(table.lines[i]));
        ReplacementWrite(replacement, LINE_END, 2);
    }
    ReplacementWrite(replacement, table.unreadTail, table.unreadTailLength);
    return CommitReplacement(replacement);
}

bool AddLineOnce(const char* name, const char* line, LineMatch match) {
    if (line == nullptr || name == nullptr || name[0] == '\0') {
        errno = EINVAL;
        return false;
    }
    if (match == nullptr) match = &SameLine;
    LineTable* table = GetLineTable(name);
    if (table == nullptr) {
        return AddLineOnceOnDisk(name, line, match);
    }
    if (TableHoldsLine(*table, line, match)) return true;
    if (!table->rewriteHeldBack && AppendTableLine(*table, line)) return SaveLineTable(*table);
    // The file cannot simply be rewritten from the table: the line goes onto its end, and
    // stays in memory where it is still seen by later duplicate checks.
    if (!AppendTableLine(*table, line) && !AddLineToTail(*table, line)) HoldBack(*table, HeldBack::TooLong);
    return AppendWithLineEnd(table->fileName, line);
}

void DescribeHeldBack(const LineTable& table, char* out, size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    if (!table.rewriteHeldBack) return;
    switch (table.heldBack) {
        case HeldBack::Unreadable: {
            char reason[128];
            std::snprintf(out, size, "it cannot be read (%s)", ErrorText(table.heldBackError, reason, sizeof reason));
            return;
        }
        case HeldBack::NotRegularFile:
            std::snprintf(out, size, "it is not a regular file");
            return;
        case HeldBack::NulBytes:
            std::snprintf(out, size, "it holds NUL bytes");
            return;
        case HeldBack::TooLong:
            std::snprintf(out, size, "it holds more than %zu MB after its %d lines", MAX_UNREAD_TAIL >> 20,
                          MAX_TABLE_LINES);
            return;
        case HeldBack::OutOfMemory:
            std::snprintf(out, size, "there is not enough memory to hold it");
            return;
        case HeldBack::Released:
        case HeldBack::No:
            std::snprintf(out, size, "the program is ending");
            return;
    }
}

bool IsLineTableFull(const char* name) {
    const LineTable* table = GetLineTable(name);
    return table != nullptr && table->lineCount >= MAX_TABLE_LINES;
}

void GuardLineTable(const char* name, void (*lock)(), void (*unlock)()) {
    if (name == nullptr || std::strlen(name) >= static_cast<size_t>(MAX_FILE_NAME)) return;
    std::lock_guard<std::mutex> hold(bindLock);
    for (TableGuard& guard : tableGuards) {
        if (guard.name[0] == '\0') {
            std::snprintf(guard.name, sizeof guard.name, "%s", name);
            guard.lock = lock;
            guard.unlock = unlock;
        }
        if (std::strcmp(guard.name, name) == 0) return;
    }
}

void FreeLineTables() {
    for (LineTable& table : lineTables) {
        TableGuard guard{};
        {
            std::lock_guard<std::mutex> hold(bindLock);
            if (table.fileName[0] == '\0') continue;
            for (const TableGuard& g : tableGuards)
                if (std::strcmp(g.name, table.fileName) == 0) guard = g;
        }
        // The guard first, then bindLock: the order in which the store's users take them.
        if (guard.lock != nullptr) guard.lock();
        {
            std::lock_guard<std::mutex> hold(bindLock);
            ReleaseContents(table);
            HoldBack(table, HeldBack::Released);
        }
        if (guard.unlock != nullptr) guard.unlock();
    }
}

void ResetLineTables() {
    std::lock_guard<std::mutex> hold(bindLock);
    for (LineTable& table : lineTables) {
        ReleaseContents(table);
        table.rewriteHeldBack = false;
        table.heldBack = HeldBack::No;
        table.heldBackError = 0;
        table.fileName[0] = '\0';
    }
}

bool AppendTableLine(LineTable& table, const char* line) {
    if (table.lineCount >= MAX_TABLE_LINES || table.lineCount < 0) return false;
    const size_t length = std::strlen(line);
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy == nullptr) return false;
    std::memcpy(copy, line, length + 1);
    table.lines[table.lineCount++] = copy;
    return true;
}

bool RemoveTableLine(LineTable& table, int32_t index) {
    if (index < 0 || index >= table.lineCount) return false;
    std::free(table.lines[index]);
    for (int32_t i = index; i + 1 < table.lineCount; ++i) table.lines[i] = table.lines[i + 1];
    table.lines[--table.lineCount] = nullptr;
    return true;
}

}  // namespace quorbit
