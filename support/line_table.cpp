#include "support/line_table.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "support/file_replace.h"
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

// Cuts a file into the pieces the store reads as lines: each piece ends after an LF or
// after MAX_READ_LINE bytes; one trailing LF, then one trailing CR, are removed; empty
// pieces are skipped. Bytes arrive in any number of calls.
struct PieceSplitter {
    char piece[MAX_READ_LINE];
    size_t length = 0;
    size_t start = 0;   // offset of the current piece's first byte
    size_t offset = 0;  // offset of the next byte fed
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
        if (s.length == 0) s.start = s.offset;
        s.piece[s.length++] = bytes[i];
        ++s.offset;
        if ((bytes[i] == '\n' || s.length == static_cast<size_t>(MAX_READ_LINE)) && !EmitPiece(s, onPiece))
            return false;
    }
    return true;
}

template <typename OnPiece>
bool FinishPieces(PieceSplitter& s, OnPiece& onPiece) {
    return s.length == 0 || EmitPiece(s, onPiece);
}

bool PieceEqualsLine(const char* piece, size_t length, const char* line) {
    if (std::strlen(line) != length || std::memchr(piece, '\0', length) != nullptr) return false;
    char copy[MAX_READ_LINE + 1];
    std::memcpy(copy, piece, length);
    copy[length] = '\0';
    return EqualIgnoringCase(copy, line);
}

bool TailHoldsLine(const LineTable& table, const char* line) {
    if (table.unreadTailLength == 0) return false;
    PieceSplitter splitter;
    bool found = false;
    auto onPiece = [&](const char* piece, size_t length, size_t) {
        found = PieceEqualsLine(piece, length, line);
        return !found;
    };
    FeedPieces(splitter, table.unreadTail, table.unreadTailLength, onPiece);
    if (!found) FinishPieces(splitter, onPiece);
    return found;
}

bool TableHoldsLine(const LineTable& table, const char* line) {
    for (int32_t i = 0; i < table.lineCount; ++i)
        if (EqualIgnoringCase(table.lines[i], line)) return true;
    return TailHoldsLine(table, line);
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

bool ReadAllFrom(int fd, size_t from, LineTable& table) {
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::pread(fd, chunk, sizeof chunk, static_cast<off_t>(from));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        if (!GrowTail(table, chunk, static_cast<size_t>(got))) return false;
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
            table.rewriteHeldBack = true;
            length = std::strlen(piece);
            if (length == 0) return true;
        }
        char* copy = static_cast<char*>(std::malloc(length + 1));
        if (copy == nullptr) {
            table.rewriteHeldBack = true;
            return false;
        }
        std::memcpy(copy, piece, length);
        copy[length] = '\0';
        table.lines[table.lineCount++] = copy;
        return true;
    };
    char chunk[65536];
    while (!stopped) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            table.rewriteHeldBack = true;
            break;
        }
        if (got == 0) {
            FinishPieces(splitter, onPiece);
            break;
        }
        stopped = !FeedPieces(splitter, chunk, static_cast<size_t>(got), onPiece);
    }
    if (overflow && !ReadAllFrom(fd, tailStart, table)) {
        table.rewriteHeldBack = true;
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
    table.unreadTail = nullptr;
    table.unreadTailLength = 0;
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        // Missing: an empty file. Present but unreadable: empty too, but never overwritten.
        if (errno != ENOENT && errno != ENOTDIR) table.rewriteHeldBack = true;
        return false;
    }
    struct stat info;
    bool overflow = false;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        table.rewriteHeldBack = true;
    } else {
        overflow = LoadLines(fd, table);
    }
    ::close(fd);
    return overflow;
}

bool AppendWithLineEnd(const char* name, const char* line) {
    const size_t length = std::strlen(line);
    char stackCopy[512];
    char* bytes = length + 2 <= sizeof stackCopy ? stackCopy : static_cast<char*>(std::malloc(length + 2));
    if (bytes == nullptr) return false;
    std::memcpy(bytes, line, length);
    std::memcpy(bytes + length, LINE_END, 2);
    const bool ok = AppendLineToFile(name, bytes, length + 2);
    if (bytes != stackCopy) std::free(bytes);
    return ok;
}

// For a name without a table: looks for the line in the file itself, then appends it.
void AddLineOnceOnDisk(const char* name, const char* line) {
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        struct stat info;
        bool found = false;
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
            PieceSplitter splitter;
            auto onPiece = [&](const char* piece, size_t length, size_t) {
                found = PieceEqualsLine(piece, length, line);
                return !found;
            };
            char chunk[65536];
            for (;;) {
                const ssize_t got = ::read(fd, chunk, sizeof chunk);
                if (got < 0 && errno == EINTR) continue;
                if (got <= 0) {
                    if (got == 0 && !found) FinishPieces(splitter, onPiece);
                    break;
                }
                if (!FeedPieces(splitter, chunk, static_cast<size_t>(got), onPiece)) break;
            }
        }
        ::close(fd);
        if (found) return;
    }
    AppendWithLineEnd(name, line);
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

void SaveLineTable(LineTable& table) {
    if (table.rewriteHeldBack || table.fileName[0] == '\0') return;
    FileReplacement replacement;
    if (!BeginReplacement(replacement, table.fileName)) return;
    for (int32_t i = 0; i < table.lineCount; ++i) {
        ReplacementWrite(replacement, table.lines[i], std::strlen(table.lines[i]));
        ReplacementWrite(replacement, LINE_END, 2);
    }
    ReplacementWrite(replacement, table.unreadTail, table.unreadTailLength);
    CommitReplacement(replacement);
}

void AddLineOnce(const char* name, const char* line) {
    if (line == nullptr) return;
    LineTable* table = GetLineTable(name);
    if (table == nullptr) {
        if (name != nullptr && name[0] != '\0') AddLineOnceOnDisk(name, line);
        return;
    }
    if (TableHoldsLine(*table, line)) return;
    if (!table->rewriteHeldBack && AppendTableLine(*table, line)) {
        SaveLineTable(*table);
        return;
    }
    // The file cannot simply be rewritten from the table: the line goes onto its end, and
    // stays in memory where it is still seen by later duplicate checks.
    if (!AppendTableLine(*table, line) && !AddLineToTail(*table, line)) table->rewriteHeldBack = true;
    AppendWithLineEnd(table->fileName, line);
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
            table.rewriteHeldBack = true;
        }
        if (guard.unlock != nullptr) guard.unlock();
    }
}

void ResetLineTables() {
    std::lock_guard<std::mutex> hold(bindLock);
    for (LineTable& table : lineTables) {
        ReleaseContents(table);
        table.rewriteHeldBack = false;
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
