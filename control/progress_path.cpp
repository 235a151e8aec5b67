#include "control/progress_path.h"

#include <mutex>

namespace quorbit {

namespace {

std::mutex pathLock;
ProgressPath lastPath{-1, 0, {}};

}  // namespace

void PublishProgressPath(int32_t unit, const SearchState& state, int32_t depth) {
    ProgressPath path{unit, depth < 1 ? 1 : depth > SQUARE_COUNT ? SQUARE_COUNT : depth, {}};
    for (int i = 0; i < path.moves; ++i)
        path.squares[i] = static_cast<uint8_t>(state.path[i].load(std::memory_order_relaxed) % SQUARE_COUNT);
    const std::lock_guard<std::mutex> hold(pathLock);
    lastPath = path;
}

void LastProgressPath(ProgressPath& out) {
    const std::lock_guard<std::mutex> hold(pathLock);
    out = lastPath;
}

}  // namespace quorbit
