// A path as a user gives it to quorbit-cli board: read, drawn as a board, and its units found.
#include <cstdint>
#include <cstring>
#include <string>

#include "catalogue/catalogue.h"
#include "results/board.h"
#include "results/results_verifier.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorbit;
    const std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
    uint8_t squares[SQUARE_COUNT + 1];
    std::memset(squares, 0xee, sizeof squares);
    char error[160];
    const int count = ReadBoardPath(text.c_str(), squares, error, sizeof error);
    if (count < 0) {
        FUZZ_CHECK(std::strlen(error) > 0 && std::strlen(error) < sizeof error);
        return 0;
    }
    FUZZ_CHECK(count >= 1 && count <= SQUARE_COUNT && squares[SQUARE_COUNT] == 0xee);
    for (int i = 1; i < count; ++i) FUZZ_CHECK(AreKnightNeighbours(squares[i - 1], squares[i]));

    BoardPicture board;
    PictureBoard(squares, count, board);
    // Every number once, on its square; the files and the ranks each hold all of them.
    int32_t files = 0, ranks = 0, numbered = 0;
    for (int line = 0; line < BOARD_SIZE; ++line) files += board.lineSum[line];
    for (int line = BOARD_SIZE; line < LINE_COUNT; ++line) ranks += board.lineSum[line];
    for (int s = 0; s < SQUARE_COUNT; ++s) numbered += board.number[s] != 0 ? 1 : 0;
    FUZZ_CHECK(files == count * (count + 1) / 2 && ranks == files && numbered == count);
    for (int i = 0; i < count; ++i) FUZZ_CHECK(board.number[squares[i]] == i + 1);
    for (int line = 0; line < LINE_COUNT; ++line) {
        const bool full = board.lineFill[line] == BOARD_SIZE;
        const LineState state = board.state[line];
        FUZZ_CHECK(full == (state == LineState::Magic || state == LineState::Wrong));
        FUZZ_CHECK(!full || (state == LineState::Magic) == (board.lineSum[line] == MAGIC_SUM));
        // Open exactly when the sum can still be made: the bounds are those of the numbers left.
        if (!full) {
            const int needed = MAGIC_SUM - board.lineSum[line];
            FUZZ_CHECK(board.reachLow[line] <= board.reachHigh[line]);
            FUZZ_CHECK((state == LineState::Open) == (needed >= board.reachLow[line] && needed <= board.reachHigh[line]));
        }
    }

    static PathUnits found;
    FindPathUnits(squares, count, found);
    FUZZ_CHECK(found.count >= 0 && found.count <= WORK_UNIT_COUNT);
    if (count == SQUARE_COUNT) FUZZ_CHECK(found.count == 1);
    // A tour's last square; with 35 moves, the square left.
    int last = count == SQUARE_COUNT ? squares[SQUARE_COUNT - 1] : -1;
    for (int s = 0; count == SQUARE_COUNT - 1 && s < SQUARE_COUNT; ++s)
        if (board.number[s] == 0) last = s;
    for (int i = 0; i < found.count; ++i) {
        const PathUnit& u = found.units[i];
        FUZZ_CHECK(u.unit >= 0 && u.unit < WORK_UNIT_COUNT && u.symmetry >= 0 && u.symmetry < BOARD_SYMMETRY_COUNT);
        FUZZ_CHECK(!u.reversed || last >= 0);
        FUZZ_CHECK(MapSquare(u.symmetry, u.reversed ? last : squares[0]) == workUnits[u.unit].start);
        if (last >= 0) FUZZ_CHECK(MapSquare(u.symmetry, u.reversed ? squares[0] : last) == workUnits[u.unit].end);
    }
    if (found.count == 0) FUZZ_CHECK(found.refusal.badMove > 0 && found.refusal.reason[0] != '\0');
    return 0;
}
