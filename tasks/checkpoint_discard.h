// When the checkpoint "CHECKPT.DAT" is no longer needed, and its removal then.
#pragma once

#include <cstdint>

#include "tasks/checkpoint.h"

namespace quorbit {

// Its last mark announced the unit's summary: every line of its unit was written, or was
// about to be, and the unit left the queue or is about to.
bool AnnouncedItsSummary(const CheckpointContents& contents);

// Once the unit has left the queue: its checkpoint is no longer needed.
void RemoveUnitCheckpoint();

// Removes a checkpoint whose unit's results were all written (its last mark announced the
// summary), left by a crash just after its unit left the queue; any other stays. For when
// the queue holds nothing more to resume.
void DiscardFinishedCheckpoint();

// Removes the checkpoint of a unit that the single worker has just computed whole: a later
// run in task mode must not resume that unit from it.
void DiscardCheckpointOfUnit(int32_t unit);

}  // namespace quorbit
