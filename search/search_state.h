// The state of one search. Each search thread owns its own instance; other threads
// may read `path` and `nodeCounters` (to show progress) and ask for a halt.
#pragma once

#include <atomic>
#include <cstdint>

#include "search/geometry.h"
#include "search/unit_plan.h"

// The kernel's step functions are large; the pieces of a step must still be part of them.
#define QUORBIT_ALWAYS_INLINE inline __attribute__((always_inline))

namespace quorbit {

inline constexpr int COUNTED_MOVES = 34;  // moves 35 and 36 are placed by the solution hook
inline constexpr int HOOK_MOVE = 34;
inline constexpr int32_t INITIAL_FREE_COUNT = 7;
inline constexpr int32_t VISITED_MARK = 8;
inline constexpr int FREE_COUNT_LANES = 48;

// How often (in counted nodes) the search looks at its halt request; at some tens of
// nanoseconds per node this keeps a halt well under a millisecond.
inline constexpr uint32_t HALT_POLL_INTERVAL = 1u << 14;

struct SearchState;

// A kernel's entry for a square: the search below move n on it (kernel_entry.h).
using StepFunction = void (*)(SearchState& state, uint32_t n);

// Receives each complete tour, with `path` holding all 36 moves. It runs on the search's
// thread while the search waits, and must not change the search state.
using SolutionSink = void (*)(const SearchState& state, void* context);

enum class SearchOutcome {
    Finished,       // everything below the start (or the prefix) was searched
    Halted,         // a halt was requested and the search unwound
    BudgetReached,  // the node budget was counted in full and the search unwound
    Refused,        // the prefix is one the search would never take; nothing was searched
};

struct SearchState {
    // One byte per square (lanes 36..47 are padding). The walk along a prefix keeps the
    // counts and the line sums here; below it the kernel carries them as values of its own
    // (square_step.cpp) and leaves these as the walk set them.
    alignas(16) int8_t freeCount[FREE_COUNT_LANES];
    std::atomic<uint32_t> path[SQUARE_COUNT];             // path[n - 1] is the square of move n
    std::atomic<uint64_t> nodeCounters[COUNTED_MOVES];    // nodeCounters[n - 1] counts move n
    uint32_t lineSum[LINE_COUNT];
    uint32_t lineFill[LINE_COUNT];

    // Set from any thread to end the search within a millisecond; cleared by the search's owner.
    // The search reads it with acquire ordering, so whatever the halting thread wrote before
    // setting it is visible to the search's thread once the search has stopped for it.
    std::atomic<bool> haltRequested;

    // Where solutions go; set by the owner before a search.
    SolutionSink solutionSink;
    void* solutionContext;

    // The running search's bookkeeping, owned by the searching thread. The search works in
    // its own frame, the board translated so that the unit starts on a1; squareMap turns a
    // square of that frame back into the board's square (path holds board squares).
    UnitPlan plan;  // in the search's frame
    uint8_t squareMap[SQUARE_COUNT];
    const StepFunction* steps;  // the kernel's step per square of the frame
    uint64_t nodeBudget;        // 0: no budget
    uint64_t nodesAtPoll;       // nodes this search will have counted when pollCountdown reaches 0
    uint32_t pollCountdown;
    bool unwinding;
    SearchOutcome outcome;
};

// Brings freeCount, lineSum and lineFill back to their initial values, as needed after
// a search that unwound in the middle. Leaves path and nodeCounters alone.
void ResetSearchState(SearchState& state);

void ClearNodeCounters(SearchState& state);

// The unsigned 64-bit sum of the 34 counters.
uint64_t NodeTotal(const SearchState& state);

// Asks a running search to stop; callable from any thread.
inline void RequestSearchHalt(SearchState& state) { state.haltRequested.store(true, std::memory_order_release); }

// Adds one to a counter that other threads may read. Only the owning thread writes, so a
// relaxed load and store are enough. On x86-64 that is one add to memory, which the compiler
// does not make of an atomic's load and store: an aligned 8-byte add without a lock is a
// load and a store each atomic for a reader, and it spares the step a register.
inline void BumpCounter(std::atomic<uint64_t>& counter) {
#if defined(__x86_64__) && !defined(QUORBIT_PORTABLE_SCALAR) && !defined(__SANITIZE_THREAD__)
    static_assert(sizeof counter == sizeof(uint64_t) && std::atomic<uint64_t>::is_always_lock_free);
    asm("addq $1, %0" : "+m"(*reinterpret_cast<uint64_t*>(&counter)));
#else
    counter.store(counter.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
#endif
}

}  // namespace quorbit
