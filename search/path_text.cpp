#include "search/path_text.h"

#include <cstdio>

#include "search/geometry.h"

namespace quorbit {

int ParseSquareList(const char* text, uint8_t* squares, int capacity, char* error, size_t errorSize) {
    int count = 0;
    const char* p = text;
    for (;;) {
        const char* item = p;
        while (*p != '\0' && *p != '-') ++p;
        const int square = (p - item == 2) ? ParseSquareName(item[0], item[1]) : -1;
        if (p == item) {
            std::snprintf(error, errorSize, "move %d is empty (%s)", count + 1,
                          count == 0 ? "the text begins with a hyphen or is empty"
                          : *p == '\0' ? "the text ends with a hyphen"
                                       : "two hyphens in a row");
            return -1;
        }
        if (square < 0) {
            std::snprintf(error, errorSize, "move %d, '%.*s', is not a square (a1 to f6)", count + 1,
                          static_cast<int>(p - item), item);
            return -1;
        }
        if (count == capacity) {
            std::snprintf(error, errorSize, "more than %d squares", capacity);
            return -1;
        }
        squares[count++] = static_cast<uint8_t>(square);
        if (*p == '\0') return count;
        ++p;  // the hyphen
    }
}

void FormatSquareList(const uint32_t* squares, int count, char* out) {
    char* w = out;
    for (int i = 0; i < count; ++i) {
        if (i > 0) *w++ = '-';
        WriteSquareName(static_cast<int>(squares[i]), w);
        w += 2;
    }
    *w = '\0';
}

}  // namespace quorbit
