// The unit being computed, as the two ways of computing it (the worker's single search and
// task mode) and the threads that watch it (progress, the halt) share it. One object per
// computation, handed down to whichever drives the unit.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/ticks.h"

namespace quorbit {

struct UnitRun {
    // The millisecond tick at the unit's start: the base of every elapsed time printed.
    std::atomic<uint32_t> startTick{0};
    // The tours reported so far in the unit.
    std::atomic<int32_t> solutions{0};
    // The computation's stop word: bit 0 set, the unit is to end and nothing more is written
    // for it. Any thread may set it; a unit's driver sets it when a file cannot be written.
    std::atomic<uint32_t>* stopRequest;
    // Set by a halt and kept until the next start, so that a halt made while the unit is
    // being readied is not lost.
    const std::atomic<bool>* haltPending;
};

inline int32_t UnitElapsedMs(const UnitRun& run) {
    return static_cast<int32_t>(TickCount() - run.startTick.load(std::memory_order_relaxed));
}

inline bool UnitStopAsked(const UnitRun& run) { return (run.stopRequest->load() & 1u) != 0; }

inline void AskUnitStop(UnitRun& run) { run.stopRequest->fetch_or(1); }

// How a unit computed in task mode ended.
enum class UnitEnd {
    Written,  // the summary and node detail are in "SOLUTION.TXT": the unit may leave the queue
    Stopped,  // halted or stopped: the checkpoint keeps what was done
    Failed,   // the checkpoint could not be used or written: said on the console
};

}  // namespace quorbit
