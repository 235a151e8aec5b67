#include "bench/reference_search.h"

namespace quorbit::reference {
namespace {

const int FILE_STEP[8] = {-2, -2, -1, -1, +1, +1, +2, +2};
const int RANK_STEP[8] = {-1, +1, -2, +2, -2, +2, -1, +1};

int Neighbour(int square, int step) {
    const int file = (square / 6 + FILE_STEP[step] + 6) % 6;
    const int rank = (square % 6 + RANK_STEP[step] + 6) % 6;
    return file * 6 + rank;
}

// Row 0: lower bounds; row r >= 1: upper bounds (see the engine's table for the reasoning).
unsigned Bound(int row, int fill) {
#ifdef QUORBIT_ADMIT_EVERY_SUM  // tests only: every line sum passes (see the engine's table)
    return row == 0 ? 0u : ~0u;
#endif
    int value;
    if (row == 0) {
        int largest = 0;
        for (int i = 0; i < 6 - fill; ++i) largest += 36 - 2 * i;
        value = fill == 0 ? 0 : 111 - largest;
    } else {
        value = 111 - (6 - fill) * (row - 1) - (6 - fill) * (5 - fill);
    }
    return value < 0 ? 0u : static_cast<unsigned>(value);
}

struct Search {
    int start;
    int end;
    std::vector<int> prefix;
    uint64_t budget;
    uint64_t counted = 0;
    bool stop = false;
    int freeCount[36];
    int path[36] = {};
    unsigned lineSum[12] = {};
    unsigned lineFill[12] = {};
    ReferenceResult result;

    bool IsEndNeighbour(int q) const {
        for (int k = 0; k < 8; ++k)
            if (Neighbour(end, k) == q) return true;
        return false;
    }

    void Hook() {
        path[35] = end;
        for (int k = 0; k < 8; ++k) {
            if (freeCount[Neighbour(end, k)] >= 0) {
                path[34] = Neighbour(end, k);
                break;
            }
        }
        Tour tour;
        for (int i = 0; i < 36; ++i) tour[i] = path[i];
        result.solutions.push_back(tour);
        result.solutionNodes.push_back(counted);
    }

    void Step(int s, unsigned n) {
        const int file = s / 6;
        const int rank = 6 + s % 6;
        for (int line : {file, rank}) {
            const unsigned v = lineSum[line] + n;
            const unsigned c = lineFill[line];
            if (v < Bound(0, c + 1) || v > Bound(n + 3, c + 1)) return;
        }
        for (int line = 0; line < 12; ++line) {
            if (line == file || line == rank) continue;
            if (lineSum[line] > Bound(n + 1, lineFill[line])) return;
        }
        result.nodeCounters[n - 1] += 1;
        path[n - 1] = s;
        if (++counted == budget) {
            stop = true;
            result.budgetReached = true;
            return;
        }
        if (n == 34) {
            Hook();
            return;
        }
        lineSum[file] += n;
        lineSum[rank] += n;
        lineFill[file] += 1;
        lineFill[rank] += 1;
        int zeros = 0;
        for (int k = 0; k < 8; ++k) {
            const int q = Neighbour(s, k);
            if (q == start) continue;
            freeCount[q] -= 1;
            if (q != end && freeCount[q] == 0) zeros += 1;
        }
        if (zeros < 2) {
            freeCount[s] -= 8;
            const bool forced = zeros == 1;
            for (int k = 0; k < 8; ++k) {
                const int q = Neighbour(s, k);
                if (q == start || q == end) continue;
                if (n < prefix.size() && q != prefix[n]) continue;
                bool candidate = forced ? freeCount[q] == 0 : freeCount[q] >= 0;
                if (IsEndNeighbour(q) && freeCount[end] == 0) candidate = false;
                if (candidate) Step(q, n + 1);
                if (stop) return;
            }
            freeCount[s] += 8;
        }
        for (int k = 0; k < 8; ++k) {
            const int q = Neighbour(s, k);
            if (q != start) freeCount[q] += 1;
        }
        lineSum[file] -= n;
        lineSum[rank] -= n;
        lineFill[file] -= 1;
        lineFill[rank] -= 1;
    }
};

}  // namespace

ReferenceResult ReferenceSearch(int start, int end, const std::vector<int>& prefix, uint64_t budget) {
    Search search;
    search.start = start;
    search.end = end;
    search.prefix = prefix;
    search.budget = budget;
    for (int& count : search.freeCount) count = 7;
    if (!prefix.empty() && prefix[0] == start) search.Step(start, 1);
    return search.result;
}

}  // namespace quorbit::reference
