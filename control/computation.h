// Starting, halting and waiting for the computation: the worker thread that works through
// the queue and the progress reporter beside it. The computation is idle (no thread),
// running (worker and reporter) or stopping (halted; the reporter has yet to end).
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/threads.h"
#include "support/priority.h"

namespace quorbit {

// Bit 0 set: the computation is to end. The reporter ends at its next wake-up; the worker
// starts no further unit and writes no summary for a unit whose search returns meanwhile.
extern std::atomic<uint32_t> stopRequest;

// Set while a worker computes and has not been halted.
extern std::atomic<bool> workerRunning;
// Set while the progress reporter runs.
extern std::atomic<bool> progressRunning;
// Set by a halt and kept until the next start, so that no reset of the worker's can lose it.
extern std::atomic<bool> haltPending;

// The threads' kernel ids for ApplyPriorityIfRunning; 0 when there is no such thread.
extern std::atomic<ThreadId> workerThreadId;
extern std::atomic<ThreadId> progressThreadId;

// Starts the worker and the reporter, each with the chosen priority and processor applied
// before it does anything, and shows the running state. Forgets the last computation's end
// and any recorded write failure (ResetComputationEnd, control/worker.h), so that every
// file is tried again. Does nothing while a worker runs
// unhalted (it looks at the queue once more before it ends). While the threads of an
// earlier computation are still ending, returns at once and the computation starts as soon
// as the last of them has ended, unless a halt calls it off first. When a thread cannot be
// created nothing is started: the console says so and the computation stays idle.
void StartComputation();

// For the worker, once the queue looked empty or a stop was asked: ends the computation
// (stop request set, workerRunning cleared) and returns true, or, when no stop is asked and
// work was queued meanwhile, returns false and the worker goes on. Decided under the same
// lock as StartComputation, so that no Continue falls between.
bool EndWorker();

// The Stop command: asks the running search to unwind (it does so within a millisecond),
// shows the stopping state and returns without waiting. The worker then writes nothing more
// for its unit, which stays at the head of the queue, prints the two halted lines and ends;
// the last of the two threads to end shows the idle state. Also calls off a start that waits
// for the last computation's end. Otherwise does nothing unless a worker runs.
void HaltComputation();

// 1 while a worker runs unhalted, 2 otherwise: the tray icon's running and idle pictures.
int32_t ComputationState();

// The end of the shutdown: while a worker still exists, marks the program as quitting and
// asks the computation to end; then waits for both threads. Call HaltComputation first, or
// this waits for the running unit to finish.
void StopComputationAndWait();

// Waits, without asking anything, until both threads have ended, and reclaims them. For a
// caller that lets a queue run to its end.
void WaitForComputationEnd();

bool WorkerThreadExists();
bool ProgressThreadExists();

// How threads are created: StartThread's result (0 or an error number). Replaceable so that
// a test can make creation fail; nullptr restores StartThread.
using ThreadStarter = int (*)(ThreadHandle* thread, void* (*body)(void*), void* argument);
void SetThreadStarter(ThreadStarter starter);

}  // namespace quorbit
