// How many nodes the search of a unit (or of the part below a prefix) will count in all,
// estimated while it runs, for the progress line and its time left. The tree is cut into
// tasks as task mode cuts it; each task's size is estimated by random descents below its
// prefix (search/random_descent.h), every task getting its descents in turn; and as tasks
// are searched, their real sizes correct the estimates of the rest. Nodes already counted
// are never estimated: the estimate only adds what is still to come.
//
// Everything here runs on the thread that watches the search (the progress reporter), never
// on a search thread.
#pragma once

#include <cstdint>
#include <vector>

#include "search/random_descent.h"
#include "tasks/task_plan.h"
#include "tasks/task_run.h"

namespace quorbit {

// Rounds of one descent per task after which no more descents are made: each task's estimate
// is then the mean of this many, and the unit's total within about 1 % (measured below a
// dozen prefixes; docs/progress-estimate.md).
inline constexpr uint32_t ESTIMATE_ROUNDS = 256;

struct NodeEstimate {
    TaskPlan plan;                 // the tasks, in the search's order
    uint64_t nodeLimit;            // the run stops after this many nodes; 0: none
    DescentWalker walker;
    DescentRandom random;
    std::vector<double> sums;      // per task: the sum of its descents' estimates
    std::vector<double> squares;   // per task: the sum of their squares
    uint32_t rounds;               // complete rounds: every task has this many descents, or one more
    uint64_t nextTask;             // the next task to descend below
    std::vector<uint32_t> byPrefix;  // task indices ordered by their prefixes' bytes, to find a path's task

    // The single search followed along its path (FollowSingleSearch).
    uint64_t current;         // the task the search is in
    uint64_t nodesAtCurrent;  // the node total when it was first seen there
};

// Starts an estimate over the plan's tasks (copied), for a run that stops after nodeLimit
// nodes (0: none). The seed fixes the descents.
void BeginNodeEstimate(NodeEstimate& estimate, const TaskPlan& plan, uint64_t nodeLimit, uint64_t seed);

// Cuts the subtree below the prefix as a single-threaded task run would, and starts an
// estimate over those tasks. False when the prefix is refused or leaves nothing to cut.
bool BeginSubtreeEstimate(NodeEstimate& estimate, int start, int end, const uint8_t* prefix, int prefixLength,
                          uint64_t nodeLimit, uint64_t seed);

// Makes up to `descents` more descents, task after task; fewer once every task has had
// ESTIMATE_ROUNDS.
void RefineNodeEstimate(NodeEstimate& estimate, uint32_t descents);

// True once every task has had a descent.
inline bool EstimateReady(const NodeEstimate& estimate) { return estimate.rounds > 0; }

// What the run has done so far, as its watcher sees it.
struct RunSoFar {
    uint64_t nodes;     // counted so far (in task mode: all threads', TaskRunProgress)
    uint64_t earliest;  // the earliest task not yet searched to its end and handed on: every node
                        // above the cut before it is among `nodes`
    uint64_t begun;     // tasks [0, begun) have been begun (or are done)
    // Per task, 1 for a task whose search is complete; null when they are exactly the tasks
    // before `earliest` (the single search).
    const uint8_t* done;
    uint64_t doneNodes;  // the own nodes of the complete tasks together
};

// The run's expected node total: the nodes counted, the nodes above the cut still to come,
// and the estimates of the tasks not complete, less what the begun ones have counted
// already. The descents' estimates are unbiased, so the complete tasks' real sizes correct
// the rest only where they differ from their estimates by more than the descents' own spread
// explains (a subtree whose descents keep missing its large parts): then the rest is scaled
// by what the complete tasks really took against their estimates. Never less than the nodes
// counted, never more than the node limit.
double EstimateTotalNodes(const NodeEstimate& estimate, const RunSoFar& run);

// A task run: the tasks complete so far (marked in `done`, resized to the plan's tasks) and
// the nodes of all its threads.
RunSoFar TaskRunSoFar(TaskRun& run, std::vector<uint8_t>& done);

// The single search: finds the task its path is in and returns what it has done so far. The
// path is read while the search changes it, so it is read twice, and only a task after the
// one last seen is taken (the search never goes back); a path that names no task (the squares
// of a shallower node, a cleared path) leaves the search where it was last seen.
RunSoFar FollowSingleSearch(NodeEstimate& estimate, const SearchState& search, uint64_t nodes);

}  // namespace quorbit
