#include "cli/progress_meter.h"

#include <chrono>
#include <cinttypes>

#include "platform/standard_streams.h"
#include "search/path_text.h"

namespace quorbit {

namespace {

constexpr int SHOWN_MOVES = 10;

void SampleState(void* context, uint32_t path[SQUARE_COUNT], uint64_t& nodes) {
    const auto& state = *static_cast<const SearchState*>(context);
    nodes = NodeTotal(state);
    for (int i = 0; i < SQUARE_COUNT; ++i) path[i] = state.path[i].load(std::memory_order_relaxed);
}

}  // namespace

ProgressMeter::ProgressMeter(const SearchState& state, const char* unitName, FILE* to, unsigned intervalSeconds)
    : ProgressMeter(&SampleState, const_cast<SearchState*>(&state), unitName, to, intervalSeconds) {}

ProgressMeter::ProgressMeter(ProgressSample sample, void* context, const char* unitName, FILE* to,
                             unsigned intervalSeconds)
    : sample_(sample), context_(context), unitName_(unitName), to_(to), intervalSeconds_(intervalSeconds) {
    if (IsTerminal(to)) thread_ = std::thread(&ProgressMeter::Run, this);
}

ProgressMeter::~ProgressMeter() {
    done_.store(true);
    if (thread_.joinable()) {
        thread_.join();
        std::fputs("\r\033[K", to_);
    }
}

void ProgressMeter::Run() {
    const auto start = std::chrono::steady_clock::now();
    auto next = start + std::chrono::seconds(intervalSeconds_);
    while (!done_.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto now = std::chrono::steady_clock::now();
        if (now < next) continue;
        next += std::chrono::seconds(intervalSeconds_);
        const double seconds = std::chrono::duration<double>(now - start).count();
        uint64_t nodes = 0;
        uint32_t squares[SQUARE_COUNT];
        sample_(context_, squares, nodes);
        char moves[3 * SHOWN_MOVES];
        FormatSquareList(squares, SHOWN_MOVES, moves);
        std::fprintf(to_, "\r\033[K%s: %" PRIu64 " nodes in %.0f s (%.1f Mnodes/s), at %s...", unitName_, nodes, seconds,
                     nodes / seconds / 1e6, moves);
        std::fflush(to_);
    }
}

}  // namespace quorbit
