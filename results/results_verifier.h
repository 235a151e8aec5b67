// Checking result files before they are trusted: every solution line must hold a
// semi-magic knight's tour of the torus whose start and end squares are a unit of the
// catalogue (or its image under a symmetry of the board), and every unit summary must
// agree with the node detail after it. Also tallies the distinct tours of each unit and
// finds the tours that one file holds more than once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "search/geometry.h"

namespace quorbit {

// The eight symmetries of the square board, identity first.
inline constexpr int BOARD_SYMMETRY_COUNT = 8;
int MapSquare(int symmetry, int square);
const char* SymmetryName(int symmetry);  // "", "turned a quarter", ..., "mirrored left-right", ...

struct LineRef {
    int file;  // index into ResultsVerifier::fileNames
    int line;  // counted from 1
};

struct VerifyFinding {
    LineRef where;
    std::string text;
};

struct FileTally {
    int lines = 0;
    int solutions = 0;
    int summaries = 0;
    int stamps = 0;
    int trials = 0;  // marks of a trial run before a summary
    int other = 0;   // lines that are none of the program's results
};

struct UnitTally {
    int solutionLines = 0;
    int distinctTours = 0;
    int summaries = 0;
    // The last summary seen, its solutions and total nodes; -1 solutions when none.
    int32_t summarySolutions = -1;
    uint64_t summaryNodes = 0;
    bool summaryPartial = false;
    bool summaryTrial = false;  // a trial run's summary (marked by the line before it)
    LineRef summaryAt{};
};

struct ToursRepeated {
    int unit;
    LineRef first;
    LineRef again;
};

struct ResultsVerifier {
    std::vector<std::string> fileNames;
    std::vector<FileTally> files;
    UnitTally units[WORK_UNIT_COUNT];
    std::vector<VerifyFinding> invalid;       // in the order met; the first is the verdict
    std::vector<VerifyFinding> foreign;       // lines the program never writes (nor its console)
    std::vector<VerifyFinding> orientations;  // tours given as the image of a unit's tour
    std::vector<ToursRepeated> repeats;       // filled by FinishVerification

    // Reading state of the current file.
    int line = 0;
    bool summaryPending = false;  // a summary's figures wait for its node detail
    int detailLinesSeen = -1;     // -1: "Detail of nodes:" not yet seen
    LineRef summaryLine{};
    int summaryUnit = 0;
    bool summaryStopped = false;
    bool summaryTrial = false;
    int trialUnit = -1;  // the unit of a trial mark just read, for the summary after it
    int32_t summarySolutions = 0;
    uint64_t summaryTotal = 0;
    uint64_t counters[34] = {};
    int counterCount = 0;
    // Every valid tour, turned into its unit's own orientation, and where it was.
    struct Tour {
        std::array<uint8_t, SQUARE_COUNT> squares;
        int unit;
        LineRef where;
    };
    std::vector<Tour> tours;
};

void BeginResultsFile(ResultsVerifier& verifier, const char* name);
// The next line of the current file, without its line end.
void VerifyResultLine(ResultsVerifier& verifier, const char* text, size_t length);
// The file ends: a summary still waiting for its node detail is invalid.
void EndResultsFile(ResultsVerifier& verifier);
// After the last file: counts distinct tours per unit and finds the repeats.
void FinishVerification(ResultsVerifier& verifier);

// Empty when the 36 squares are a semi-magic knight's tour of the torus; otherwise what is
// wrong, e.g. "move 5 (c3) is not a knight step from move 4 (a1)".
std::string DescribeTourFault(const uint8_t* squares);

// Empty when, numbering the squares 1..36 in the given order, every file and every rank
// adds up to 111; otherwise the first line that does not, e.g. "not semi-magic: file c
// adds up to 110, not 111". (DescribeTourFault ends with this check.)
std::string SemiMagicFault(const uint8_t* squares);

// The unit whose start and end squares the tour's are, directly or after one of the
// symmetries (and perhaps walked backwards); false if none.
bool FindTourUnit(int first, int last, int& unit, int& symmetry, bool& reversed);

}  // namespace quorbit
