#include "control/progress_path.h"

#include <mutex>

namespace quorbit {

namespace {

std::mutex pathLock;
ProgressPath lastPath{-1, 0, {}};

}  // namespace

int ProgressSquares(const SearchState& state, int32_t depth, uint8_t squares[SQUARE_COUNT]) {
    const int wanted = depth < 1 ? 1 : depth > SQUARE_COUNT ? SQUARE_COUNT : depth;
    bool met[SQUARE_COUNT] = {};
    for (int i = 0; i < wanted; ++i) {
        squares[i] = static_cast<uint8_t>(state.path[i].load(std::memory_order_relaxed) % SQUARE_COUNT);
        if (met[squares[i]]) return i;
        met[squares[i]] = true;
    }
    return wanted;
}

void PublishProgressPath(int32_t unit, const SearchState& state, int32_t depth) {
    ProgressPath path{unit, 0, {}};
    path.moves = ProgressSquares(state, depth, path.squares);
    const std::lock_guard<std::mutex> hold(pathLock);
    lastPath = path;
}

void LastProgressPath(ProgressPath& out) {
    const std::lock_guard<std::mutex> hold(pathLock);
    out = lastPath;
}

}  // namespace quorbit
