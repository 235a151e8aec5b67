#include "results/board.h"

#include <cstdio>
#include <cstring>

#include "results/results_verifier.h"
#include "search/path_text.h"
#include "search/search_state.h"

namespace quorbit {

namespace {

constexpr int LAST_NUMBER = SQUARE_COUNT;

// The sum of `count` numbers taken from first..LAST_NUMBER: the smallest, or the largest.
int32_t SmallestSum(int count, int first) { return count * first + count * (count - 1) / 2; }
int32_t LargestSum(int count) { return count * LAST_NUMBER - count * (count - 1) / 2; }

void JudgeLine(BoardPicture& b, int line) {
    const int empty = BOARD_SIZE - b.lineFill[line];
    b.reachLow[line] = 0;
    b.reachHigh[line] = 0;
    if (empty == 0) {
        b.state[line] = b.lineSum[line] == MAGIC_SUM ? LineState::Magic : LineState::Wrong;
        return;
    }
    const int numbersLeft = LAST_NUMBER - b.moves;
    if (empty > numbersLeft) {  // only a path that mixes two moments of a search comes here
        b.state[line] = LineState::Impossible;
        return;
    }
    b.reachLow[line] = SmallestSum(empty, b.moves + 1);
    b.reachHigh[line] = LargestSum(empty);
    const int32_t needed = MAGIC_SUM - b.lineSum[line];
    b.state[line] = needed < b.reachLow[line] || needed > b.reachHigh[line] ? LineState::Impossible : LineState::Open;
}

}  // namespace

void PictureBoard(const uint8_t* squares, int count, BoardPicture& out) {
    std::memset(&out, 0, sizeof out);
    if (count < 0) count = 0;
    if (count > SQUARE_COUNT) count = SQUARE_COUNT;
    out.moves = count;
    for (int i = 0; i < count; ++i)
        if (squares[i] < SQUARE_COUNT) out.number[squares[i]] = static_cast<uint8_t>(i + 1);
    for (int square = 0; square < SQUARE_COUNT; ++square) {
        if (out.number[square] == 0) continue;
        for (const int line : {FileLine(square), RankLine(square)}) {
            out.lineSum[line] += out.number[square];
            ++out.lineFill[line];
        }
    }
    for (int line = 0; line < LINE_COUNT; ++line) JudgeLine(out, line);
}

const char* BoardLineName(int line) {
    static const char* const NAMES[LINE_COUNT] = {"file a", "file b", "file c", "file d", "file e", "file f",
                                                  "rank 1", "rank 2", "rank 3", "rank 4", "rank 5", "rank 6"};
    return line >= 0 && line < LINE_COUNT ? NAMES[line] : "";
}

int ReadBoardPath(const char* text, uint8_t squares[SQUARE_COUNT], char* error, size_t errorSize) {
    const int count = ParseSquareList(text, squares, SQUARE_COUNT, error, errorSize);
    if (count < 0) return -1;
    int seenAt[SQUARE_COUNT] = {};
    for (int i = 0; i < count; ++i) {
        char name[3] = {0, 0, 0};
        WriteSquareName(squares[i], name);
        if (seenAt[squares[i]] != 0) {
            std::snprintf(error, errorSize, "move %d (%s) visits the square of move %d again", i + 1, name,
                          seenAt[squares[i]]);
            return -1;
        }
        seenAt[squares[i]] = i + 1;
        if (i > 0 && !AreKnightNeighbours(squares[i - 1], squares[i])) {
            char before[3] = {0, 0, 0};
            WriteSquareName(squares[i - 1], before);
            std::snprintf(error, errorSize, "move %d (%s) is not a knight step from move %d (%s)", i + 1, name, i,
                          before);
            return -1;
        }
    }
    return count;
}

void FindPathUnits(const uint8_t* squares, int count, PathUnits& out) {
    std::memset(&out, 0, sizeof out);
    out.refusingUnit = -1;
    if (count <= 0 || count > SQUARE_COUNT) return;
    // With 35 moves the square left is move 36's: the moves are a whole tour, or none.
    int last = count == SQUARE_COUNT ? squares[SQUARE_COUNT - 1] : -1;
    if (count == SQUARE_COUNT - 1) {
        bool used[SQUARE_COUNT] = {};
        for (int i = 0; i < count; ++i) used[squares[i]] = true;
        for (int s = 0; s < SQUARE_COUNT; ++s)
            if (!used[s]) last = s;
        if (!AreKnightNeighbours(squares[count - 1], last)) {
            char left[3] = {0, 0, 0}, before[3] = {0, 0, 0};
            WriteSquareName(last, left);
            WriteSquareName(squares[count - 1], before);
            out.refusal.badMove = SQUARE_COUNT;
            std::snprintf(out.refusal.reason, sizeof out.refusal.reason,
                          "the square left for move 36, %s, is not a knight step from move 35 (%s)", left, before);
            return;
        }
    }
    if (last >= 0) {
        PathUnit& found = out.units[0];
        if (FindTourUnit(squares[0], last, found.unit, found.symmetry, found.reversed)) out.count = 1;
        return;
    }
    const int walked = count < HOOK_MOVE ? count : HOOK_MOVE;
    // The path as it stands first; only when no unit takes it, its images.
    for (int pass = 0; pass < 2 && out.count == 0; ++pass) {
        for (int u = 0; u < WORK_UNIT_COUNT; ++u) {
            const WorkUnit& unit = workUnits[u];
            for (int g = pass; g < (pass == 0 ? 1 : BOARD_SYMMETRY_COUNT); ++g) {
                if (MapSquare(g, squares[0]) != unit.start) continue;
                uint8_t turned[HOOK_MOVE];
                for (int i = 0; i < walked; ++i) turned[i] = static_cast<uint8_t>(MapSquare(g, squares[i]));
                const PrefixCheck check = CheckPrefix(unit.start, unit.end, turned, walked);
                if (check.badMove == 0) {
                    out.units[out.count++] = {u, g, false};
                    break;
                }
                if (out.refusingUnit < 0) {
                    out.refusal = check;
                    out.refusingUnit = u;
                    out.refusingSymmetry = g;
                }
            }
        }
    }
}

}  // namespace quorbit
