// A path of moves as a board: each move's number on its square, every file's and rank's
// sum, what those sums already say, and the unit the path belongs to. The console
// program prints it, the desktop draws it beside its console.
#pragma once

#include <cstddef>
#include <cstdint>

#include "catalogue/catalogue.h"
#include "search/geometry.h"
#include "search/prefix_walk.h"

namespace quorbit {

// What a file or rank says so far.
enum class LineState : uint8_t {
    Open,        // squares still empty, and the numbers not yet placed could still make 111
    Magic,       // all six squares numbered, adding up to 111
    Wrong,       // all six squares numbered, not adding up to 111
    Impossible,  // squares still empty, but no choice of the numbers left brings it to 111
};

struct BoardPicture {
    uint8_t number[SQUARE_COUNT];  // the move number on each square, 0 when empty
    int32_t moves;                 // the moves placed: numbers 1..moves
    int32_t lineSum[LINE_COUNT];   // files a..f, then ranks 1..6, as in geometry.h
    int32_t lineFill[LINE_COUNT];  // squares numbered in the line
    // What the line's empty squares can add at the least and at the most, with the numbers
    // moves + 1 .. 36 (each used once); both 0 for a full line.
    int32_t reachLow[LINE_COUNT];
    int32_t reachHigh[LINE_COUNT];
    LineState state[LINE_COUNT];
};

// Numbers moves 1..count on their squares and judges every line. A square met twice keeps
// the later move: a path read while the search moves on may mix two moments of it.
void PictureBoard(const uint8_t* squares, int count, BoardPicture& out);

// "file a" .. "file f", "rank 1" .. "rank 6".
const char* BoardLineName(int line);

// Reads a tour or the first moves of one as a user types them: 1 to 36 squares joined by
// "-", no square twice, each a knight step on the torus from the one before. Returns how
// many squares were read, or -1 with a one-line message in error.
int ReadBoardPath(const char* text, uint8_t squares[SQUARE_COUNT], char* error, size_t errorSize);

// A unit a path belongs to, and how the path is turned to be in its own frame.
struct PathUnit {
    int unit;
    int symmetry;   // as results_verifier.h numbers them: 0 when in the unit's own frame
    bool reversed;  // a whole tour walked from its end
};

struct PathUnits {
    int count;
    PathUnit units[WORK_UNIT_COUNT];
    // With no unit: why the first unit that starts on the path's first square (directly or
    // after refusingSymmetry) refuses the moves (refusingUnit -1 when the 35 moves given
    // leave a square that no knight step reaches).
    PrefixCheck refusal;
    int refusingUnit;
    int refusingSymmetry;
};

// A whole tour (count 36, or 35 moves and the square left, a knight step away) belongs to
// exactly one unit. First moves belong to every unit
// whose search takes them as they stand or, when none does, after a symmetry of the board
// (the first that serves).
void FindPathUnits(const uint8_t* squares, int count, PathUnits& out);

}  // namespace quorbit
