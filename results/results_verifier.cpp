#include "results/results_verifier.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "results/result_line.h"
#include "results/trial_mark.h"

namespace quorbit {

namespace {

constexpr int COUNTED_MOVES_IN_DETAIL = 34;
constexpr int DETAIL_LINE_COUNTS[4] = {10, 10, 10, 4};

std::string SquareName(int square) {
    char name[3] = {0, 0, 0};
    WriteSquareName(square, name);
    return name;
}

void Invalid(ResultsVerifier& v, LineRef where, const std::string& text) { v.invalid.push_back({where, text}); }

LineRef Here(const ResultsVerifier& v) { return {static_cast<int>(v.fileNames.size()) - 1, v.line}; }

void CheckSolution(ResultsVerifier& v, const ResultLine& line) {
    const std::string fault = DescribeTourFault(line.tour);
    if (!fault.empty()) return Invalid(v, Here(v), fault);
    int unit = 0, symmetry = 0;
    bool reversed = false;
    if (!FindTourUnit(line.tour[0], line.tour[SQUARE_COUNT - 1], unit, symmetry, reversed))
        return Invalid(v, Here(v), "its start and end squares are no unit of the catalogue");
    ResultsVerifier::Tour tour{{}, unit, Here(v)};
    for (int i = 0; i < SQUARE_COUNT; ++i)
        tour.squares[i] = static_cast<uint8_t>(MapSquare(symmetry, line.tour[reversed ? SQUARE_COUNT - 1 - i : i]));
    if (symmetry != 0 || reversed) {
        std::string how = SymmetryName(symmetry);
        if (reversed) how += how.empty() ? "walked backwards" : ", walked backwards";
        v.orientations.push_back({Here(v), std::string("a tour of ") + workUnits[unit].name + " " + how});
    }
    v.tours.push_back(tour);
    ++v.units[unit].solutionLines;
    ++v.files.back().solutions;
}

// The summary's figures against its node detail, once all 34 counters are in.
void CheckDetail(ResultsVerifier& v) {
    uint64_t sum = 0;
    bool overflow = false;
    for (int k = 0; k < COUNTED_MOVES_IN_DETAIL; ++k) {
        overflow |= sum + v.counters[k] < sum;
        sum += v.counters[k];
    }
    char text[200];
    if (overflow || sum != v.summaryTotal) {
        std::snprintf(text, sizeof text, "the summary says %" PRIu64 " total nodes, its node detail adds up to %s",
                      v.summaryTotal, overflow ? "more than 2^64" : std::to_string(sum).c_str());
        return Invalid(v, v.summaryLine, text);
    }
    // Every counted node below move 1 is one of the at most eight steps out of a counted node.
    for (int k = 1; k < COUNTED_MOVES_IN_DETAIL; ++k) {
        if (v.counters[k - 1] <= UINT64_MAX / 8 && v.counters[k] > 8 * v.counters[k - 1]) {
            std::snprintf(text, sizeof text,
                          "its node detail counts %" PRIu64 " nodes at move %d below only %" PRIu64 " at move %d",
                          v.counters[k], k + 1, v.counters[k - 1], k);
            return Invalid(v, v.summaryLine, text);
        }
    }
    if (!v.summaryStopped) {
        if (v.counters[0] != 1) return Invalid(v, v.summaryLine, "a finished search counts move 1 once");
        if (v.counters[COUNTED_MOVES_IN_DETAIL - 1] != static_cast<uint64_t>(v.summarySolutions)) {
            std::snprintf(text, sizeof text, "the summary says %d solutions, its node detail counts %" PRIu64
                          " nodes at move 34 (one per solution)", v.summarySolutions, v.counters[33]);
            return Invalid(v, v.summaryLine, text);
        }
    }
    UnitTally& unit = v.units[v.summaryUnit];
    ++unit.summaries;
    unit.summarySolutions = v.summarySolutions;
    unit.summaryNodes = v.summaryTotal;
    unit.summaryPartial = v.summaryStopped;
    unit.summaryTrial = v.summaryTrial;
    unit.summaryAt = v.summaryLine;
}

// A summary waits for "Detail of nodes:" and four lines of counters; anything else first
// leaves it without its detail.
bool TakeDetail(ResultsVerifier& v, const ResultLine& line) {
    if (line.kind == ResultLineKind::Stamp) return false;  // a stamp may fall between them
    if (v.detailLinesSeen < 0) {
        if (line.kind != ResultLineKind::DetailHeader) return false;
        v.detailLinesSeen = 0;
        return true;
    }
    if (line.kind != ResultLineKind::Detail) return false;
    const int expected = DETAIL_LINE_COUNTS[v.detailLinesSeen];
    if (line.countCount != expected) {
        Invalid(v, Here(v), "node detail line " + std::to_string(v.detailLinesSeen + 1) + " holds " +
                                std::to_string(line.countCount) + " counters, not " + std::to_string(expected));
        v.summaryPending = false;
        return true;
    }
    for (int k = 0; k < expected; ++k) v.counters[v.counterCount++] = line.counts[k];
    if (++v.detailLinesSeen == 4) {
        v.summaryPending = false;
        CheckDetail(v);
    }
    return true;
}

void BeginSummary(ResultsVerifier& v, const ResultLine& line) {
    v.summaryPending = true;
    v.detailLinesSeen = -1;
    v.summaryLine = Here(v);
    v.summaryUnit = line.unit;
    v.summaryStopped = line.kind == ResultLineKind::StoppedSummary;
    v.summaryTrial = v.trialUnit == line.unit;
    v.summarySolutions = line.solutions;
    v.summaryTotal = line.totalNodes;
    v.counterCount = 0;
    ++v.files.back().summaries;
}

// The lines of the program's console that a saved transcript may hold, and blank lines.
bool IsConsoleLine(const char* text, size_t length) {
    static const char* const LINES[] = {"Execution halted.", "Choose Test/Continue to restart.",
                                        "Error opening the results file.", "Unimplemented"};
    const std::string line(text, length);
    if (line.find_first_not_of(" \t") == std::string::npos) return true;
    for (const char* known : LINES)
        if (line == known) return true;
    // "Computation of a1-a2 has started" (the result line reader has checked its unit).
    return line.rfind("Computation of ", 0) == 0 || line.rfind("Cannot write ", 0) == 0;
}

void OtherLine(ResultsVerifier& v, const char* text, size_t length) {
    int unit = -1;
    if (ReadTrialMark(text, length, &unit)) {
        ++v.files.back().trials;
        v.trialUnit = unit;
        return;
    }
    ++v.files.back().other;
    if (!IsConsoleLine(text, length)) v.foreign.push_back({Here(v), "not a line the program writes"});
}

void MissingDetail(ResultsVerifier& v, LineRef where) {
    v.summaryPending = false;
    Invalid(v, where,
            "the summary at line " + std::to_string(v.summaryLine.line) + " is not followed by its node detail");
}

}  // namespace

int MapSquare(int symmetry, int square) {
    const int f = SquareFile(square), r = SquareRank(square), last = BOARD_SIZE - 1;
    switch (symmetry) {
        case 1: return MakeSquare(r, last - f);
        case 2: return MakeSquare(last - f, last - r);
        case 3: return MakeSquare(last - r, f);
        case 4: return MakeSquare(last - f, r);
        case 5: return MakeSquare(f, last - r);
        case 6: return MakeSquare(r, f);
        case 7: return MakeSquare(last - r, last - f);
        default: return square;
    }
}

const char* SymmetryName(int symmetry) {
    static const char* const NAMES[BOARD_SYMMETRY_COUNT] = {
        "",
        "turned a quarter",
        "turned a half",
        "turned three quarters",
        "mirrored left-right (files a and f swapped)",
        "mirrored top-bottom (ranks 1 and 6 swapped)",
        "mirrored in the a1-f6 diagonal",
        "mirrored in the a6-f1 diagonal",
    };
    return symmetry >= 0 && symmetry < BOARD_SYMMETRY_COUNT ? NAMES[symmetry] : "";
}

bool FindTourUnit(int first, int last, int& unit, int& symmetry, bool& reversed) {
    for (int backwards = 0; backwards < 2; ++backwards) {
        for (int g = 0; g < BOARD_SYMMETRY_COUNT; ++g) {
            const int start = MapSquare(g, backwards ? last : first), end = MapSquare(g, backwards ? first : last);
            for (int u = 0; u < WORK_UNIT_COUNT; ++u) {
                if (workUnits[u].start == start && workUnits[u].end == end) {
                    unit = u;
                    symmetry = g;
                    reversed = backwards != 0;
                    return true;
                }
            }
        }
    }
    return false;
}

std::string DescribeTourFault(const uint8_t* squares) {
    bool seen[SQUARE_COUNT] = {};
    for (int i = 0; i < SQUARE_COUNT; ++i) {
        const int s = squares[i];
        if (s >= SQUARE_COUNT) return "move " + std::to_string(i + 1) + " is no square";
        if (seen[s]) return "move " + std::to_string(i + 1) + " (" + SquareName(s) + ") visits a square again";
        seen[s] = true;
        if (i > 0 && !AreKnightNeighbours(squares[i - 1], s))
            return "move " + std::to_string(i + 1) + " (" + SquareName(s) + ") is not a knight step from move " +
                   std::to_string(i) + " (" + SquareName(squares[i - 1]) + ")";
    }
    return SemiMagicFault(squares);
}

std::string SemiMagicFault(const uint8_t* squares) {
    int lineSums[LINE_COUNT] = {};
    for (int i = 0; i < SQUARE_COUNT; ++i) {
        if (squares[i] >= SQUARE_COUNT) return "move " + std::to_string(i + 1) + " is no square";
        lineSums[FileLine(squares[i])] += i + 1;
        lineSums[RankLine(squares[i])] += i + 1;
    }
    for (int line = 0; line < LINE_COUNT; ++line) {
        if (lineSums[line] == MAGIC_SUM) continue;
        const std::string name = line < BOARD_SIZE ? std::string("file ") + static_cast<char>('a' + line)
                                                   : std::string("rank ") + static_cast<char>('1' + line - BOARD_SIZE);
        return "not semi-magic: " + name + " adds up to " + std::to_string(lineSums[line]) + ", not 111";
    }
    return "";
}

void BeginResultsFile(ResultsVerifier& v, const char* name) {
    v.fileNames.emplace_back(name);
    v.files.emplace_back();
    v.line = 0;
    v.summaryPending = false;
    v.trialUnit = -1;
}

void VerifyResultLine(ResultsVerifier& v, const char* text, size_t length) {
    ++v.line;
    ++v.files.back().lines;
    ResultLine line;
    ReadResultLine(text, length, line);
    // A trial mark stands just before its summary; any other line in between voids it.
    const int trialUnit = v.trialUnit;
    if (line.kind != ResultLineKind::Stamp) v.trialUnit = -1;
    if (line.kind == ResultLineKind::Summary || line.kind == ResultLineKind::StoppedSummary) v.trialUnit = trialUnit;
    if (v.summaryPending && TakeDetail(v, line)) return;
    if (v.summaryPending && line.kind == ResultLineKind::Malformed) {
        v.summaryPending = false;  // the fault of the line says more than a missing detail
    } else if (v.summaryPending && line.kind != ResultLineKind::Stamp) {
        MissingDetail(v, Here(v));
    }
    switch (line.kind) {
        case ResultLineKind::Solution:
            return CheckSolution(v, line);
        case ResultLineKind::Summary:
        case ResultLineKind::StoppedSummary:
            BeginSummary(v, line);
            v.trialUnit = -1;
            return;
        case ResultLineKind::DetailHeader:
        case ResultLineKind::Detail:
            return Invalid(v, Here(v), "node detail without a summary before it");
        case ResultLineKind::Stamp:
            ++v.files.back().stamps;
            return;
        case ResultLineKind::Malformed:
            return Invalid(v, Here(v), line.fault);
        case ResultLineKind::Overflow:
            ++v.files.back().other;
            return;
        case ResultLineKind::Other:
            return OtherLine(v, text, length);
    }
}

void EndResultsFile(ResultsVerifier& v) {
    if (v.summaryPending) MissingDetail(v, v.summaryLine);
}

void FinishVerification(ResultsVerifier& v) {
    // Sorted by unit, tour and place met, so that equal tours stand together, first one first.
    std::vector<const ResultsVerifier::Tour*> order;
    for (const auto& tour : v.tours) order.push_back(&tour);
    std::stable_sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
        return a->unit != b->unit ? a->unit < b->unit : a->squares < b->squares;
    });
    for (UnitTally& unit : v.units) unit.distinctTours = 0;
    v.repeats.clear();
    for (size_t i = 0; i < order.size(); ++i) {
        const bool sameAsBefore = i > 0 && order[i - 1]->unit == order[i]->unit && order[i - 1]->squares == order[i]->squares;
        if (!sameAsBefore) {
            ++v.units[order[i]->unit].distinctTours;
            continue;
        }
        // A tour in two files is as it should be (the results file and the log); a file
        // holding it twice is worth knowing.
        for (size_t j = i; j-- > 0 && order[j]->squares == order[i]->squares && order[j]->unit == order[i]->unit;) {
            if (order[j]->where.file == order[i]->where.file) {
                v.repeats.push_back({order[i]->unit, order[j]->where, order[i]->where});
                break;
            }
        }
    }
}

}  // namespace quorbit
