#include "cli/board_command.h"

#include <cstdio>

#include "catalogue/catalogue.h"
#include "cli/standard_output.h"
#include "results/board.h"
#include "results/results_verifier.h"

namespace quorbit {

namespace {

int RunBoard(int argc, char** argv);

}  // namespace

const Subcommand BOARD_COMMAND = {
    "board",
    "quorbit-cli board TOUR-OR-PREFIX\n",
    "show a tour or its first moves as a board, with the file and rank sums",
    R"(
Prints the path as a 6x6 board: each move's number on its square (files a to f
from left to right, rank 6 at the top), the sum of each rank on the right and of
each file below. Then says what the sums say and which unit the path belongs to.

TOUR-OR-PREFIX
           1 to 36 squares joined by "-", as the program prints them (a1-e6-c5),
           each a knight step on the torus from the one before, no square twice.

A whole tour (36 squares) is semi-magic when every file and every rank adds up to
111; the lines that do not are named. For the first moves of a tour, a line is
ruled out when its numbers so far cannot reach 111 with the numbers not yet
placed (each used once) on its empty squares; the other lines are still open,
which does not mean they can still be completed together. The unit of a whole
tour is the one whose start and end squares it has (after a symmetry of the
board, which is named); first moves belong to every unit whose search takes them (or, when none does,
takes their image under a symmetry of the board).
(No semi-magic tour of the 6x6 torus exists: see the README.)

-h, --help this text.

exit status: 0 a semi-magic tour, or first moves with no line ruled out that a
unit's search takes; 3 a tour that is not semi-magic, or first moves with a line
ruled out or that no unit's search takes (the board is printed either way); 1
output could not be written; 2 bad arguments (what is wrong with the path is
said).
)",
    &RunBoard,
};

namespace {

constexpr int FAILS = 3;

void PrintGrid(const BoardPicture& b) {
    WriteOut("       a   b   c   d   e   f\n");
    for (int rank = BOARD_SIZE - 1; rank >= 0; --rank) {
        PrintOut("   %d", rank + 1);
        for (int file = 0; file < BOARD_SIZE; ++file) {
            const int number = b.number[MakeSquare(file, rank)];
            if (number == 0)
                WriteOut("   .");
            else
                PrintOut("%4d", number);
        }
        PrintOut("  | %3d\n", b.lineSum[BOARD_SIZE + rank]);
    }
    WriteOut("      ------------------------\n    ");
    for (int file = 0; file < BOARD_SIZE; ++file) PrintOut("%4d", b.lineSum[file]);
    WriteOut("\n\n");
}

const char* FirstMoves(int moves) {
    static char text[40];
    if (moves == 1) return "The first move of a tour";
    std::snprintf(text, sizeof text, "The first %d moves of a tour", moves);
    return text;
}

// What the sums say; true when nothing fails.
bool PrintLines(const BoardPicture& b) {
    int failing = 0, open = 0;
    for (int line = 0; line < LINE_COUNT; ++line) {
        failing += b.state[line] == LineState::Wrong || b.state[line] == LineState::Impossible ? 1 : 0;
        open += b.state[line] == LineState::Open ? 1 : 0;
    }
    if (b.moves == SQUARE_COUNT) {
        if (failing == 0) {
            WriteOut("A semi-magic tour: every file and every rank adds up to 111.\n");
            return true;
        }
        PrintOut("A tour, not semi-magic: %d of the 12 lines do not add up to 111:\n", failing);
    } else if (failing == 0) {
        PrintOut("%s: no line is ruled out yet (%d still open, %d adding up to 111).\n", FirstMoves(b.moves), open,
                 LINE_COUNT - open);
        return true;
    } else {
        PrintOut("%s: %d of the 12 lines can no longer add up to 111:\n", FirstMoves(b.moves), failing);
    }
    for (int line = 0; line < LINE_COUNT; ++line) {
        const int32_t sum = b.lineSum[line];
        if (b.state[line] == LineState::Wrong) {
            PrintOut("  %s adds up to %d\n", BoardLineName(line), sum);
        } else if (b.state[line] == LineState::Impossible) {
            const int empty = BOARD_SIZE - b.lineFill[line];
            PrintOut("  %s: %d so far; its %d empty square%s can take %d to %d more, not the %d it needs\n",
                     BoardLineName(line), sum, empty, empty == 1 ? "" : "s", b.reachLow[line], b.reachHigh[line],
                     MAGIC_SUM - sum);
        }
    }
    return false;
}

// The unit line; true when the path belongs to one.
bool PrintUnits(const uint8_t* squares, int count) {
    static PathUnits found;
    FindPathUnits(squares, count, found);
    if (found.count == 0) {
        if (found.refusingUnit < 0) {
            PrintOut("Unit: none (%s).\n", found.refusal.reason);
            return false;
        }
        const char* turned = SymmetryName(found.refusingSymmetry);
        PrintOut("Unit: none; no unit's search takes these moves (%s%s%s refuses move %d: %s).\n",
                 workUnits[found.refusingUnit].name, turned[0] != '\0' ? ", on the board " : "", turned,
                 found.refusal.badMove, found.refusal.reason);
        return false;
    }
    WriteOut(count >= SQUARE_COUNT - 1 ? "Unit: " : found.count == 1 ? "Unit whose search takes these moves: "
                                                                 : "Units whose search takes these moves: ");
    for (int i = 0; i < found.count; ++i) {
        const PathUnit& u = found.units[i];
        const char* turned = SymmetryName(u.symmetry);
        const bool both = turned[0] != '\0' && u.reversed;
        PrintOut("%s%s%s%s%s%s%s", i > 0 ? ", " : "", workUnits[u.unit].name,
                 turned[0] != '\0' || u.reversed ? " (the path " : "", turned, both ? ", " : "",
                 u.reversed ? "walked backwards" : "", turned[0] != '\0' || u.reversed ? ")" : "");
    }
    WriteOut(".\n");
    return true;
}

int RunBoard(int argc, char** argv) {
    int operandCount = 0;
    const int ended = ReadSubcommandArguments(BOARD_COMMAND, argc, argv, nullptr, 0, &operandCount);
    if (ended >= 0) return ended;
    if (operandCount != 1)
        return RefuseArguments(BOARD_COMMAND, operandCount == 0 ? "which tour or first moves?"
                                                                : "takes one path, its squares joined by \"-\"");
    uint8_t squares[SQUARE_COUNT];
    char error[160];
    const int count = ReadBoardPath(argv[0], squares, error, sizeof error);
    if (count < 0) {
        char quoted[96];
        QuoteArgument(argv[0], quoted, sizeof quoted);
        return RefuseArguments(BOARD_COMMAND, "%s is not a path of knight steps: %s%s", quoted, error,
                               FindUnitByName(argv[0]) >= 0 ? " (it names a unit; give the moves of a path)" : "");
    }
    BoardPicture board;
    PictureBoard(squares, count, board);
    PrintGrid(board);
    const bool linesHold = PrintLines(board);
    const bool belongs = PrintUnits(squares, count);
    const int written = FinishOutput(BOARD_COMMAND.name);
    if (written != 0) return written;
    return linesHold && belongs ? 0 : FAILS;
}

}  // namespace

}  // namespace quorbit
