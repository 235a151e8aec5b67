// A unit computed by the worker in task mode: cut into tasks searched on several threads,
// its tours and summary reported in the single search's order, and every finished task kept
// in the checkpoint (tasks/checkpoint.h) so that a halt, a crash or a power cut loses no
// finished work and no tour line is ever written twice.
#pragma once

#include <atomic>
#include <cstdint>

#include "results/unit_run.h"
#include "tasks/task_run.h"

namespace quorbit {

// 0: the single worker (the default); 1 or more: task mode on that many threads.
extern std::atomic<int32_t> taskThreads;

// For the halt and the progress line: act on the unit being computed in task mode, if any.
// Both are safe from any thread while the worker moves from one unit to the next.
void HaltWorkerTaskRun();
bool SampleWorkerTaskRun(uint32_t path[SQUARE_COUNT], uint64_t& nodes);  // false: no unit in task mode
// Calls `use` with the run of the unit being computed in task mode, while the run cannot go
// away; false when there is none.
bool WithWorkerTaskRun(void (*use)(TaskRun& run, void* context), void* context);

// The prefix a unit is searched below, in either mode: its start square, or its first moves
// for trials (unitPrefixMoves, results/trial_mark.h). Returns its length.
int UnitSearchBase(int32_t unit, uint8_t base[HOOK_MOVE]);

// Computes the unit (resuming from the checkpoint when it holds this unit) and writes its
// tours and, unless a stop was asked, its summary and node detail through ReportLine.
// `context` gives the unit's start, counts its tours and carries the computation's stop.
UnitEnd ComputeUnitInTasks(int32_t unit, UnitRun& context);

}  // namespace quorbit
