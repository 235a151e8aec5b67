// Board geometry of the 6x6 torus: squares, lines and knight steps.
#pragma once

#include <array>
#include <cstdint>

namespace quorbit {

inline constexpr int BOARD_SIZE = 6;
inline constexpr int SQUARE_COUNT = 36;
inline constexpr int LINE_COUNT = 12;  // files a..f are lines 0..5, ranks 1..6 are lines 6..11
inline constexpr int STEP_COUNT = 8;
inline constexpr int MAGIC_SUM = 111;

struct KnightStep {
    int file;
    int rank;
};

// The order of these steps fixes the order in which the search lowers counts,
// tries moves and completes tours; it is part of the search's definition.
inline constexpr std::array<KnightStep, STEP_COUNT> KNIGHT_STEPS = {{
    {-2, -1}, {-2, +1}, {-1, -2}, {-1, +2}, {+1, -2}, {+1, +2}, {+2, -1}, {+2, +1},
}};

constexpr int SquareFile(int square) { return square / BOARD_SIZE; }
constexpr int SquareRank(int square) { return square % BOARD_SIZE; }
constexpr int MakeSquare(int file, int rank) { return file * BOARD_SIZE + rank; }
constexpr int FileLine(int square) { return square / BOARD_SIZE; }
constexpr int RankLine(int square) { return BOARD_SIZE + square % BOARD_SIZE; }
constexpr int SquareColour(int square) { return (SquareFile(square) + SquareRank(square)) % 2; }

constexpr int WrapCoordinate(int value) { return ((value % BOARD_SIZE) + BOARD_SIZE) % BOARD_SIZE; }

// The neighbour of a square in step k of KNIGHT_STEPS, wrapping round the torus.
constexpr int NeighbourOf(int square, int step) {
    return MakeSquare(WrapCoordinate(SquareFile(square) + KNIGHT_STEPS[step].file),
                      WrapCoordinate(SquareRank(square) + KNIGHT_STEPS[step].rank));
}

constexpr bool AreKnightNeighbours(int a, int b) {
    for (int k = 0; k < STEP_COUNT; ++k)
        if (NeighbourOf(a, k) == b) return true;
    return false;
}

// Writes the square's two-character name ("a1".."f6") to out[0..1]; no terminator.
inline void WriteSquareName(int square, char* out) {
    out[0] = static_cast<char>('a' + SquareFile(square));
    out[1] = static_cast<char>('1' + SquareRank(square));
}

// Reads a square name such as "a1" or "F6"; returns -1 when the two characters name no square.
constexpr int ParseSquareName(char fileChar, char rankChar) {
    const char lower = (fileChar >= 'A' && fileChar <= 'Z') ? static_cast<char>(fileChar - 'A' + 'a') : fileChar;
    if (lower < 'a' || lower > 'f' || rankChar < '1' || rankChar > '6') return -1;
    return MakeSquare(lower - 'a', rankChar - '1');
}

}  // namespace quorbit
