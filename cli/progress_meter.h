// A progress line on a terminal while a long search runs: nodes, time, speed and the
// first moves of the path being searched, redrawn in place every few seconds.
#pragma once

#include <atomic>
#include <cstdio>
#include <thread>

#include "search/search_state.h"

namespace quorbit {

class ProgressMeter {
public:
    // Draws nothing unless `to` is a terminal.
    ProgressMeter(const SearchState& state, const char* unitName, FILE* to, unsigned intervalSeconds);
    ~ProgressMeter();  // stops drawing and clears the line

    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

private:
    void Run();

    const SearchState& state_;
    const char* unitName_;
    FILE* to_;
    unsigned intervalSeconds_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace quorbit
