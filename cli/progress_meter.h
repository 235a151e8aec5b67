// A progress line on a terminal while a long search runs: nodes, time, speed and the
// first moves of the path being searched, redrawn in place every few seconds.
#pragma once

#include <atomic>
#include <cstdio>
#include <thread>

#include "search/search_state.h"

namespace quorbit {

// Reads what the line shows: the path being searched and the nodes counted so far.
using ProgressSample = void (*)(void* context, uint32_t path[SQUARE_COUNT], uint64_t& nodes);

class ProgressMeter {
public:
    // Draws nothing unless `to` is a terminal.
    ProgressMeter(const SearchState& state, const char* unitName, FILE* to, unsigned intervalSeconds);
    ProgressMeter(ProgressSample sample, void* context, const char* unitName, FILE* to, unsigned intervalSeconds);
    ~ProgressMeter();  // stops drawing and clears the line

    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

private:
    void Run();

    ProgressSample sample_;
    void* context_;
    const char* unitName_;
    FILE* to_;
    unsigned intervalSeconds_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace quorbit
