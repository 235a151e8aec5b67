#include "tasks/checkpoint_discard.h"

#include <vector>

#include "platform/files.h"

namespace quorbit {

bool AnnouncedItsSummary(const CheckpointContents& contents) {
    return contents.marked && contents.lastMark.summary != 0;
}

void RemoveUnitCheckpoint() { RemoveFile(CHECKPOINT_FILE); }

namespace {

// Removes the checkpoint when it is one and `done` says its work is no longer needed.
void DiscardCheckpointIf(bool (*done)(const CheckpointContents& contents, int32_t unit), int32_t unit) {
    std::vector<uint8_t> bytes;
    bool exists = false;
    static CheckpointContents contents;
    char why[200];
    bool regular = true;
    if (ReadWholeFile(CHECKPOINT_FILE, bytes, exists, regular) && exists && regular &&
        ParseCheckpoint(bytes.data(), bytes.size(), contents, why, sizeof why) && contents.headed && done(contents, unit))
        RemoveFile(CHECKPOINT_FILE);
    contents = CheckpointContents{};
}

}  // namespace

void DiscardFinishedCheckpoint() {
    DiscardCheckpointIf([](const CheckpointContents& c, int32_t) { return AnnouncedItsSummary(c); }, -1);
}

void DiscardCheckpointOfUnit(int32_t unit) {
    DiscardCheckpointIf([](const CheckpointContents& c, int32_t u) { return c.header.unit == static_cast<uint32_t>(u); },
                        unit);
}

}  // namespace quorbit
