#include "results/result_line.h"

#include <cstdio>
#include <cstring>

#include "catalogue/catalogue.h"

namespace quorbit {

namespace {

// A cursor over the line; each read either advances past what it read or fails, leaving
// the fault to the caller.
struct Cursor {
    const char* at;
    const char* end;
};

bool Take(Cursor& c, const char* text) {
    const size_t length = std::strlen(text);
    if (static_cast<size_t>(c.end - c.at) < length || std::memcmp(c.at, text, length) != 0) return false;
    c.at += length;
    return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal digits as the program prints them: no sign, no leading zero (but "0").
bool TakeUnsigned(Cursor& c, uint64_t& value) {
    if (c.at == c.end || !IsDigit(*c.at)) return false;
    if (*c.at == '0' && c.at + 1 != c.end && IsDigit(c.at[1])) return false;
    uint64_t result = 0;
    while (c.at != c.end && IsDigit(*c.at)) {
        const uint64_t digit = static_cast<uint64_t>(*c.at - '0');
        if (result > (UINT64_MAX - digit) / 10) return false;
        result = result * 10 + digit;
        ++c.at;
    }
    value = result;
    return true;
}

// "%d": an optional minus sign, then digits within the signed 32-bit range.
bool TakeInt32(Cursor& c, int32_t& value) {
    const bool negative = c.at != c.end && *c.at == '-';
    if (negative) ++c.at;
    uint64_t magnitude = 0;
    if (!TakeUnsigned(c, magnitude) || magnitude > (negative ? 2147483648ull : 2147483647ull)) return false;
    if (negative && magnitude == 0) return false;
    value = static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude));
    return true;
}

bool TakeSquare(Cursor& c, uint8_t& square) {
    if (c.end - c.at < 2 || c.at[0] < 'a' || c.at[0] > 'f' || c.at[1] < '1' || c.at[1] > '6') return false;
    square = static_cast<uint8_t>(ParseSquareName(c.at[0], c.at[1]));
    c.at += 2;
    return true;
}

bool TakeTwoDigits(Cursor& c, int low, int high) {
    if (c.end - c.at < 2 || !IsDigit(c.at[0]) || !IsDigit(c.at[1])) return false;
    const int value = (c.at[0] - '0') * 10 + (c.at[1] - '0');
    c.at += 2;
    return value >= low && value <= high;
}

bool TakeOneOf(Cursor& c, const char* const* words, int count) {
    for (int i = 0; i < count; ++i)
        if (Take(c, words[i])) return true;
    return false;
}

ResultLineKind Malformed(ResultLine& out, const char* fault) {
    std::snprintf(out.fault, sizeof out.fault, "%s", fault);
    return out.kind = ResultLineKind::Malformed;
}

ResultLineKind ReadSolution(Cursor c, ResultLine& out) {
    uint64_t number = 0;
    if (!TakeUnsigned(c, number) || number == 0 || number > INT32_MAX || !Take(c, ": "))
        return Malformed(out, "no solution number 1, 2, ... and ': ' after \"Solution\"");
    out.number = static_cast<int32_t>(number);
    for (int i = 0; i < SQUARE_COUNT; ++i) {
        if (i > 0 && !Take(c, "-")) {
            std::snprintf(out.fault, sizeof out.fault, "the tour holds %d squares, not 36", i);
            return out.kind = ResultLineKind::Malformed;
        }
        if (!TakeSquare(c, out.tour[i])) {
            std::snprintf(out.fault, sizeof out.fault, "move %d of the tour is not a square a1 to f6", i + 1);
            return out.kind = ResultLineKind::Malformed;
        }
    }
    if (c.at != c.end && *c.at == '-') return Malformed(out, "the tour holds more than 36 squares");
    if (!Take(c, " found in ") || !TakeInt32(c, out.elapsedMs) || !Take(c, " milliseconds (") ||
        !TakeUnsigned(c, out.nodes) || !Take(c, " nodes)") || c.at != c.end)
        return Malformed(out, "the tour is not followed by \" found in N milliseconds (N nodes)\"");
    return out.kind = ResultLineKind::Solution;
}

ResultLineKind ReadSummary(Cursor c, ResultLine& out) {
    char name[6] = {};
    if (c.end - c.at < 5) return Malformed(out, "no unit name after \"Computation of\"");
    std::memcpy(name, c.at, 5);
    c.at += 5;
    out.unit = -1;
    for (int u = 0; u < WORK_UNIT_COUNT; ++u)
        if (std::strcmp(workUnits[u].name, name) == 0) out.unit = u;
    if (out.unit < 0) return Malformed(out, "no unit of the catalogue after \"Computation of\"");
    bool stopped = false;
    Cursor started = c;  // looked at on a copy: a longer line must be read from the unit's name on
    if (Take(started, " has started") && started.at == started.end) {
        return out.kind = ResultLineKind::Other;  // the console's line, in a saved transcript
    } else if (Take(c, " has finished in ")) {
        // The whole unit, or the whole subtree asked for.
    } else if (Take(c, " stopped at the node budget of ")) {
        uint64_t budget = 0;
        if (!TakeUnsigned(c, budget) || !Take(c, " after ")) return Malformed(out, "no node budget before \" after\"");
        stopped = true;
    } else if (Take(c, " was halted by ")) {
        static const char* const SIGNALS[] = {"SIGINT",  "SIGTERM", "SIGHUP",  "SIGQUIT",
                                              "SIGXCPU", "SIGALRM", "SIGUSR1", "SIGUSR2", "a signal"};
        if (!TakeOneOf(c, SIGNALS, 9) || !Take(c, " after ")) return Malformed(out, "no signal before \" after\"");
        stopped = true;
    } else if (Take(c, " was halted: its output could not be written after ")) {
        stopped = true;
    } else {
        return Malformed(out, "the unit's name is followed neither by \"has finished\" nor by why it stopped");
    }
    if (!TakeInt32(c, out.elapsedMs) || !Take(c, " milliseconds (") || !TakeUnsigned(c, out.cycles) ||
        !Take(c, " cycles), ") || !TakeInt32(c, out.solutions) || out.solutions < 0 ||
        !Take(c, " solutions have been found in ") || !TakeUnsigned(c, out.totalNodes) || !Take(c, " total nodes") ||
        (stopped && !Take(c, " (partial counts)")) || c.at != c.end)
        return Malformed(out, "the summary does not read \"... N milliseconds (N cycles), N solutions have been "
                              "found in N total nodes\"");
    return out.kind = stopped ? ResultLineKind::StoppedSummary : ResultLineKind::Summary;
}

ResultLineKind ReadDetail(Cursor c, ResultLine& out) {
    out.countCount = 0;
    while (c.at != c.end) {
        if (out.countCount == MAX_DETAIL_COUNTS) return Malformed(out, "more than 10 counters on one line");
        if (!Take(c, " ") || !TakeUnsigned(c, out.counts[out.countCount]))
            return Malformed(out, "node counters are a blank and a number each");
        ++out.countCount;
    }
    return out.kind = ResultLineKind::Detail;
}

ResultLineKind ReadStamp(Cursor c, ResultLine& out) {
    static const char* const DAYS[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const MONTHS[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (!TakeOneOf(c, DAYS, 7) || !Take(c, " ") || !TakeOneOf(c, MONTHS, 12) || !Take(c, " ") ||
        !TakeTwoDigits(c, 1, 31) || !Take(c, " ") || !TakeTwoDigits(c, 0, 23) || !Take(c, ":") ||
        !TakeTwoDigits(c, 0, 59) || !Take(c, ":") || !TakeTwoDigits(c, 0, 60) || !Take(c, " ") ||
        !TakeTwoDigits(c, 0, 99) || !TakeTwoDigits(c, 0, 99) || !Take(c, "]") || c.at != c.end)
        return Malformed(out, "not a time stamp [Www Mmm DD hh:mm:ss YYYY]");
    return out.kind = ResultLineKind::Stamp;
}

ResultLineKind ReadOverflow(Cursor c, ResultLine& out) {
    uint64_t count = 0;
    const char* suffix = " file";
    const size_t suffixLength = std::strlen(suffix);
    if (!TakeUnsigned(c, count) || !Take(c, " lines in ") || c.end - c.at <= static_cast<ptrdiff_t>(suffixLength) ||
        std::memcmp(c.end - suffixLength, suffix, suffixLength) != 0)
        return Malformed(out, "not \"More than N lines in NAME file\"");
    return out.kind = ResultLineKind::Overflow;
}

}  // namespace

ResultLineKind ReadResultLine(const char* text, size_t length, ResultLine& out) {
    out.fault[0] = '\0';
    Cursor c{text, text + length};
    if (std::memchr(text, '\0', length) != nullptr) {
        // No line of the program holds a NUL; one that begins like it is damaged.
        Cursor probe{text, text + std::strlen(text)};
        if (Take(probe, "Solution ") || Take(probe, "Computation of ") || Take(probe, "Detail of nodes"))
            return Malformed(out, "the line holds a NUL byte");
        return out.kind = ResultLineKind::Other;
    }
    if (Take(c, "Solution ")) return ReadSolution(c, out);
    if (Take(c, "Computation of ")) return ReadSummary(c, out);
    if (Take(c, "Detail of nodes")) {
        if (!Take(c, ":") || c.at != c.end) return Malformed(out, "not \"Detail of nodes:\"");
        return out.kind = ResultLineKind::DetailHeader;
    }
    if (length >= 2 && text[0] == ' ' && IsDigit(text[1])) return ReadDetail(c, out);
    if (Take(c, "[")) return ReadStamp(c, out);
    if (Take(c, "More than ")) return ReadOverflow(c, out);
    return out.kind = ResultLineKind::Other;
}

}  // namespace quorbit
