#include "tasks/checkpoint.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>

#include "platform/files.h"
#include "platform/ticks.h"
#include "tasks/kill_points.h"
#include "tasks/task_record.h"

#ifndef QUORBIT_VERSION
#error "QUORBIT_VERSION comes from the build (tasks/CMakeLists.txt)"
#endif

namespace quorbit {

namespace {

void Say(char* why, size_t size, const char* text) { std::snprintf(why, size, "%s", text); }

uint32_t HeaderVersion(const RecordView& record) {
    PayloadReader in{record.payload, record.length, 0, false};
    return TakeU32(in);
}

bool DecodeHeader(const RecordView& record, CheckpointHeader& header) {
    PayloadReader in{record.payload, record.length, 0, false};
    if (TakeU32(in) != CHECKPOINT_VERSION) return false;
    header.unit = TakeU32(in);
    header.cutMove = TakeU32(in);
    header.taskCount = TakeU64(in);
    header.shallowCounted = TakeU64(in);
    for (char& c : header.program) c = static_cast<char>(TakeU8(in));
    return !in.failed && in.at == in.size && header.program[CHECKPOINT_PROGRAM_SIZE - 1] == '\0';
}

bool DecodeMark(const RecordView& record, CheckpointMark& mark) {
    PayloadReader in{record.payload, record.length, 0, false};
    mark.outputFrom = TakeU64(in);
    mark.outputTo = TakeU64(in);
    mark.summary = TakeU8(in);
    mark.elapsedMs = TakeU32(in);
    mark.cycles = TakeU64(in);
    mark.resultsOffset = TakeU64(in);
    return !in.failed && in.at == in.size && mark.outputFrom <= mark.outputTo && mark.summary <= 1;
}

}  // namespace

const char* CheckpointProgramVersion() { return QUORBIT_VERSION; }

std::vector<uint8_t> EncodeCheckpointHeader(const CheckpointHeader& header) {
    std::vector<uint8_t> out;
    PutU32(out, CHECKPOINT_VERSION);
    PutU32(out, header.unit);
    PutU32(out, header.cutMove);
    PutU64(out, header.taskCount);
    PutU64(out, header.shallowCounted);
    out.insert(out.end(), header.program, header.program + CHECKPOINT_PROGRAM_SIZE);
    return out;
}

std::vector<uint8_t> EncodeCheckpointMark(const CheckpointMark& mark) {
    std::vector<uint8_t> out;
    PutU64(out, mark.outputFrom);
    PutU64(out, mark.outputTo);
    out.push_back(mark.summary);
    PutU32(out, mark.elapsedMs);
    PutU64(out, mark.cycles);
    PutU64(out, mark.resultsOffset);
    return out;
}

bool ParseCheckpoint(const uint8_t* bytes, size_t size, CheckpointContents& contents, char* why, size_t whySize) {
    contents = CheckpointContents{};
    RecordView record{};
    size_t at = 0;
    RecordRead read = ReadRecord(bytes, size, at, record);
    // A crash while the header was written leaves nothing to resume from, and nothing to keep.
    if (read == RecordRead::End || read == RecordRead::Torn) return true;
    // Records after a damaged first one: a checkpoint, damaged (the magic may be what was hit).
    if (read == RecordRead::Corrupt && size > 4 && std::string_view(reinterpret_cast<const char*>(bytes) + 1, size - 1).find("QREC") != std::string_view::npos) {
        Say(why, whySize, "a record in it is damaged");
        return false;
    }
    if (read != RecordRead::Whole || record.kind != CHECKPOINT_HEADER_KIND) {
        Say(why, whySize, "it does not begin with a checkpoint header");
        return false;
    }
    if (HeaderVersion(record) != CHECKPOINT_VERSION) {
        std::snprintf(why, whySize, "it is of checkpoint format %u, this program reads format %u", HeaderVersion(record),
                      CHECKPOINT_VERSION);
        return false;
    }
    if (!DecodeHeader(record, contents.header)) {
        Say(why, whySize, "its header is of another format");
        return false;
    }
    contents.headed = true;
    at = record.next;
    while ((read = ReadRecord(bytes, size, at, record)) == RecordRead::Whole) {
        if (record.kind == TASK_RESULT_KIND) {
            TaskResult result{};
            if (!DecodeTaskResult(record.payload, record.length, result) || result.index >= contents.header.taskCount ||
                result.prefixLength != static_cast<int32_t>(contents.header.cutMove)) {
                Say(why, whySize, "a task's record does not fit the unit's cut");
                return false;
            }
            contents.tasks.push_back(std::move(result));
        } else if (record.kind == CHECKPOINT_MARK_KIND) {
            CheckpointMark mark{};
            if (!DecodeMark(record, mark) || mark.outputTo > contents.header.taskCount) {
                Say(why, whySize, "a mark does not fit the unit's cut");
                return false;
            }
            contents.lastMark = mark;
            contents.marked = true;
        } else {
            Say(why, whySize, "it holds a record of an unknown kind");
            return false;
        }
        at = record.next;
    }
    if (read == RecordRead::Corrupt) {
        Say(why, whySize, "a record in it is damaged");
        return false;
    }
    contents.wholeBytes = at;
    return true;
}

namespace {

// Records the first failure; the caller holds the writer's lock (or owns the writer alone).
bool Failed(CheckpointWriter& writer, int error) {
    if (!writer.failed.load()) writer.error = error;
    writer.failed.store(true);
    return false;
}

}  // namespace

bool OpenCheckpoint(CheckpointWriter& writer, const char* name, size_t keepBytes, const CheckpointHeader& header) {
    writer.failed.store(false);
    writer.error = 0;
    writer.syncedTick = TickCount();
    writer.fd = OpenToWriteAfter(name, keepBytes);
    if (writer.fd < 0) return Failed(writer, errno);
    if (keepBytes == 0 && !AppendCheckpoint(writer, CHECKPOINT_HEADER_KIND, EncodeCheckpointHeader(header))) {
        CloseAfterReading(writer.fd);  // abandoned: the failure is reported already
        writer.fd = -1;
        return false;
    }
    return true;
}

bool AppendCheckpoint(CheckpointWriter& writer, uint32_t kind, const std::vector<uint8_t>& payload, bool syncNow) {
    std::vector<uint8_t> record;
    AppendRecord(record, kind, payload);
    std::lock_guard<std::mutex> hold(writer.lock);
    // After a failure nothing more is written: a record after a hole would claim too much.
    if (writer.failed.load()) return false;
    if (writer.fd < 0) return Failed(writer, EBADF);
    if (!WriteAll(writer.fd, reinterpret_cast<const char*>(record.data()), record.size())) return Failed(writer, errno);
    const uint32_t now = TickCount();
    if (syncNow || now - writer.syncedTick >= CHECKPOINT_SYNC_INTERVAL_MS) {
        if (!SyncFileData(writer.fd)) return Failed(writer, errno);
        writer.syncedTick = now;
    }
    PassRecordKillPoint();
    return true;
}

bool CloseCheckpoint(CheckpointWriter& writer) {
    std::lock_guard<std::mutex> hold(writer.lock);
    if (writer.fd < 0) return !writer.failed.load();
    if (!writer.failed.load() && !SyncFileData(writer.fd)) Failed(writer, errno);
    if (!CloseWritten(writer.fd) && !writer.failed.load()) Failed(writer, errno);
    writer.fd = -1;
    return !writer.failed.load();
}

bool SetCheckpointAside(const char* name, char* aside, size_t asideSize) {
    const long long now = static_cast<long long>(std::time(nullptr));
    for (int n = 0; n < 100; ++n) {
        if (n == 0)
            std::snprintf(aside, asideSize, "CHECKPT-%lld.BAD", now);
        else
            std::snprintf(aside, asideSize, "CHECKPT-%lld-%d.BAD", now, n);
        if (RenameWithoutReplacing(name, aside)) return true;
        if (errno != EEXIST) break;
    }
    aside[0] = '\0';
    return false;
}

}  // namespace quorbit
