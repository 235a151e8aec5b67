// The bound checks of the twelve lines as three byte lanes per line, which a step changes
// with a few vector additions and which judge the checks of every square at once.
//
// For a line holding c numbers that add up to s, let k = 6 - c be the numbers it still
// misses. Written out, the bound table's rules for a square entered at move m are:
//   - a square on another line passes this line's check iff s = 0 or E <= 111, where
//     E = s + k(k - 1) + k m (row m + 1: the k missing numbers are at least m and two apart);
//   - a square on this line passes its own check iff E <= 111 as well (row m + 3 gives
//     s + m + (k - 1)(m + k) <= 111, the same sum), and H + m >= 111, where
//     H = s + (k - 1)(38 - k) adds the k - 1 largest numbers still possible (row 0); a full
//     line (k = 0, s = 111) has H = 73 and so admits no square.
// The frame holds k, E and H for one move number m. Moving on to m + 1 adds k to E; placing
// move m on the line also turns k into k - 1, E into E + 1 - k and H into H + m + 2k - 40.
// E and H stay within 0..255 at every move up to 34 and are held minus 128, so that signed
// byte comparisons judge them.
//
// With QUORBIT_ADMIT_EVERY_SUM (tests only) every sum passes: only a full line refuses.
#pragma once

#include <array>
#include <cstdint>

#include "search/bound_table.h"
#include "search/byte_lanes.h"
#include "search/geometry.h"
#include "search/search_state.h"

namespace quorbit {

using SquareSet = uint64_t;  // bit s: square s

struct LineFrame {
    Bytes16 missing;  // k per line: files in lanes 0..5, ranks in lanes 8..13
    Bytes16 upper;    // E - 128
    Bytes16 lower;    // H - 128
};

namespace line_frame_detail {

inline constexpr int LANE_OFFSET = 128;

// Per move number: what placing it adds, and the limit H must exceed to admit it.
struct MoveLanes {
    Lanes16 placeShift;  // m - 40
    Lanes16 lowerLimit;  // 111 - m, less the offset
};

constexpr std::array<MoveLanes, 64> MakeMoveLanes() {
    std::array<MoveLanes, 64> table{};
    for (int m = 0; m < 64; ++m) table[m] = {SplatLanes(m - 40), SplatLanes(MAGIC_SUM - m - LANE_OFFSET)};
    return table;
}

inline constexpr Lanes16 ONES = SplatLanes(1);
inline constexpr Lanes16 FULL_LIMIT = SplatLanes(MAGIC_SUM - LANE_OFFSET);
inline constexpr Lanes16 NO_NUMBER = SplatLanes(6);
inline constexpr Lanes16 ZEROS = SplatLanes(0);

constexpr SquareSet FileSquares(int file) { return 0x3Full << (6 * file); }
constexpr SquareSet RankSquares(int rank) {
    SquareSet set = 0;
    for (int file = 0; file < BOARD_SIZE; ++file) set |= 1ull << MakeSquare(file, rank);
    return set;
}

// Indexed by a byte whose bits 0..5 are a set of files (or ranks); bits 6 and 7 are padding.
struct LineSetTables {
    std::array<SquareSet, 256> anyFile;   // squares on any of the files
    std::array<SquareSet, 256> anyRank;
    std::array<SquareSet, 256> allFiles;  // squares on every one of the files (all squares for none)
    std::array<SquareSet, 256> allRanks;
};

constexpr LineSetTables MakeLineSetTables() {
    LineSetTables t{};
    for (int set = 0; set < 256; ++set) {
        t.allFiles[set] = t.allRanks[set] = (1ull << SQUARE_COUNT) - 1;
        for (int line = 0; line < BOARD_SIZE; ++line) {
            if (((set >> line) & 1) == 0) continue;
            t.anyFile[set] |= FileSquares(line);
            t.anyRank[set] |= RankSquares(line);
            t.allFiles[set] &= FileSquares(line);
            t.allRanks[set] &= RankSquares(line);
        }
    }
    return t;
}
// One object, so that a position-independent step reaches both by one base register.
struct FrameTables {
    std::array<MoveLanes, 64> moveLanes;
    LineSetTables lineSets;
};
inline constexpr FrameTables frameTables = {MakeMoveLanes(), MakeLineSetTables()};

// Files take lanes 0..5 and ranks lanes 8..13, so that each comes out of a lane mask as a byte.
constexpr int LaneOf(int line) { return line < BOARD_SIZE ? line : line + 2; }

constexpr int8_t Offset(int value) { return static_cast<int8_t>(static_cast<uint8_t>((value - LANE_OFFSET) & 0xFF)); }

}  // namespace line_frame_detail

// Per square, the lanes of its two lines: 1 in `one`, all bits in `all`.
struct PlacedLanes {
    Lanes16 one;
    Lanes16 all;
};

constexpr std::array<PlacedLanes, SQUARE_COUNT> MakePlacedLanes() {
    std::array<PlacedLanes, SQUARE_COUNT> table{};
    for (int s = 0; s < SQUARE_COUNT; ++s) {
        const int file = line_frame_detail::LaneOf(FileLine(s));
        const int rank = line_frame_detail::LaneOf(RankLine(s));
        table[s].one.lane[file] = table[s].one.lane[rank] = 1;
        table[s].all.lane[file] = table[s].all.lane[rank] = -1;
    }
    return table;
}
inline constexpr std::array<PlacedLanes, SQUARE_COUNT> placedLanes = MakePlacedLanes();

// The frame of the lines as they stand in the state, for move m.
QUORBIT_ALWAYS_INLINE LineFrame LineFrameOf(const SearchState& state, uint32_t m) {
    using namespace line_frame_detail;
    Lanes16 missing = SplatLanes(6), upper = SplatLanes(0), lower = SplatLanes(0);
    for (int line = 0; line < LINE_COUNT; ++line) {
        const int k = 6 - static_cast<int>(state.lineFill[line]);
        const int s = static_cast<int>(state.lineSum[line]);
        missing.lane[LaneOf(line)] = static_cast<int8_t>(k);
        upper.lane[LaneOf(line)] = Offset(s + k * (k - 1) + k * static_cast<int>(m));
        lower.lane[LaneOf(line)] = Offset(s + (k - 1) * (38 - k));
    }
    return {Load(missing), Load(upper), Load(lower)};
}

// Places move n on square s's two lines of a frame for move n; the result is for move n + 1.
QUORBIT_ALWAYS_INLINE LineFrame PlaceOnFrame(LineFrame frame, int s, uint32_t n) {
    using namespace line_frame_detail;
    const Bytes16 k = frame.missing;
    const Bytes16 twiceK = k + k;
    const Bytes16 placed = Load(placedLanes[s].all);
    return {k - Load(placedLanes[s].one), frame.upper + k - (placed & (twiceK - Load(ONES))),
            frame.lower + (placed & (twiceK + Load(frameTables.moveLanes[n].placeShift)))};
}

// The squares that pass their bound checks if entered at move m, for a frame for move m: a
// square passes when both its lines admit it as their own and every line that refuses
// squares of other lines is one of its own two.
QUORBIT_ALWAYS_INLINE SquareSet SquaresPassingBounds(LineFrame frame, uint32_t m) {
    using namespace line_frame_detail;
    uint64_t ownFail;  // 64 bits wide, so that the bytes taken out are table indices as they are
    uint64_t otherFail;
    if constexpr (EVERY_SUM_ADMITTED) {
        ownFail = TopBits(Equal(frame.missing, Load(ZEROS)));
        otherFail = 0;
    } else {
        const Bytes16 tooLarge = Greater(frame.upper, Load(FULL_LIMIT));
        const Bytes16 tooSmall = Greater(Load(frameTables.moveLanes[m].lowerLimit), frame.lower);
        ownFail = TopBits(tooLarge | tooSmall);
        otherFail = TopBits(AndNot(Equal(frame.missing, Load(NO_NUMBER)), tooLarge));
    }
    const auto& t = frameTables.lineSets;
    const uint64_t ownPass = ~ownFail;
    return t.anyFile[ownPass & 0xFF] & t.anyRank[(ownPass >> 8) & 0xFF] & t.allFiles[otherFail & 0xFF] &
           t.allRanks[(otherFail >> 8) & 0xFF];
}

}  // namespace quorbit
