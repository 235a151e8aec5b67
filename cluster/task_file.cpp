#include "cluster/task_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/file_replace.h"
#include "platform/files.h"
#include "tasks/task_record.h"

namespace quorbit {

namespace {

std::vector<uint8_t> EncodeHeader(const TaskFileHeader& h) {
    std::vector<uint8_t> out;
    PutU32(out, TASK_FILE_VERSION);
    PutU32(out, static_cast<uint32_t>(h.unit));
    PutU32(out, static_cast<uint32_t>(h.prefixLength));
    out.insert(out.end(), h.prefix, h.prefix + h.prefixLength);
    PutU32(out, static_cast<uint32_t>(h.cutMove));
    PutU64(out, h.planTasks);
    PutU64(out, h.first);
    PutU64(out, h.last);
    return out;
}

bool DecodeHeader(const RecordView& view, TaskFileHeader& h, char* error, size_t errorSize) {
    PayloadReader in{view.payload, view.length, 0, false};
    const uint32_t version = TakeU32(in);
    if (!in.failed && version != TASK_FILE_VERSION) {
        std::snprintf(error, errorSize, "a task file of version %u; this program reads version %u", version,
                      TASK_FILE_VERSION);
        return false;
    }
    h.unit = static_cast<int32_t>(TakeU32(in));
    const uint32_t prefixLength = TakeU32(in);
    if (prefixLength < 1 || prefixLength >= HOOK_MOVE) in.failed = true;
    h.prefixLength = static_cast<int32_t>(prefixLength);
    for (uint32_t i = 0; i < prefixLength && !in.failed; ++i)
        if ((h.prefix[i] = TakeU8(in)) >= SQUARE_COUNT) in.failed = true;
    h.cutMove = static_cast<int32_t>(TakeU32(in));
    h.planTasks = TakeU64(in);
    h.first = TakeU64(in);
    h.last = TakeU64(in);
    if (in.failed || in.at != in.size || h.unit < 0 || h.unit >= 45 || h.cutMove <= h.prefixLength ||
        h.cutMove > HOOK_MOVE || h.first > h.last || h.last >= h.planTasks) {
        std::snprintf(error, errorSize, "its header is not a task file's");
        return false;
    }
    return true;
}

}  // namespace

std::vector<uint8_t> EncodeTaskFile(const TaskFile& file) {
    std::vector<uint8_t> out;
    AppendRecord(out, TASK_FILE_HEADER_KIND, EncodeHeader(file.header));
    for (const TaskResult& result : file.results) AppendRecord(out, TASK_RESULT_KIND, EncodeTaskResult(result));
    std::vector<uint8_t> times;
    PutU64(times, file.elapsedMs);
    PutU64(times, file.cycles);
    AppendRecord(out, TASK_FILE_TIMES_KIND, times);
    return out;
}

bool DecodeTaskFile(const uint8_t* bytes, size_t size, TaskFile& file, char* error, size_t errorSize) {
    RecordView view{};
    size_t at = 0;
    if (ReadRecord(bytes, size, at, view) != RecordRead::Whole || view.kind != TASK_FILE_HEADER_KIND) {
        std::snprintf(error, errorSize, "not a task file (no header record)");
        return false;
    }
    if (!DecodeHeader(view, file.header, error, errorSize)) return false;
    const TaskFileHeader& h = file.header;
    file.results.clear();
    for (uint64_t index = h.first; index <= h.last; ++index) {
        at = view.next;
        const RecordRead read = ReadRecord(bytes, size, at, view);
        if (read != RecordRead::Whole) {
            std::snprintf(error, errorSize, "%s before the result of task %llu",
                          read == RecordRead::End ? "it ends" : read == RecordRead::Torn ? "it is cut short" : "it is damaged",
                          static_cast<unsigned long long>(index));
            return false;
        }
        TaskResult result{};
        if (view.kind != TASK_RESULT_KIND || !DecodeTaskResult(view.payload, view.length, result) ||
            result.index != index || result.prefixLength != h.cutMove) {
            std::snprintf(error, errorSize, "the record in place of task %llu's result is not that result",
                          static_cast<unsigned long long>(index));
            return false;
        }
        file.results.push_back(std::move(result));
    }
    at = view.next;
    if (ReadRecord(bytes, size, at, view) != RecordRead::Whole || view.kind != TASK_FILE_TIMES_KIND ||
        view.length != 16) {
        std::snprintf(error, errorSize, "it is cut short after the last task's result");
        return false;
    }
    PayloadReader in{view.payload, view.length, 0, false};
    file.elapsedMs = TakeU64(in);
    file.cycles = TakeU64(in);
    at = view.next;
    if (ReadRecord(bytes, size, at, view) != RecordRead::End) {
        std::snprintf(error, errorSize, "it goes on after its end");
        return false;
    }
    return true;
}

bool WriteTaskFile(const char* path, const TaskFile& file, char* error, size_t errorSize) {
    const std::vector<uint8_t> bytes = EncodeTaskFile(file);
    FileReplacement replacement;
    if (!BeginReplacement(replacement, path)) {
        std::snprintf(error, errorSize, "cannot create %s%s: %s", path, REPLACEMENT_SUFFIX, std::strerror(errno));
        return false;
    }
    ReplacementWrite(replacement, reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!CommitReplacement(replacement)) {
        std::snprintf(error, errorSize, "cannot write %s: %s", path, std::strerror(errno));
        return false;
    }
    return true;
}

bool ReadTaskFile(const char* path, TaskFile& file, char* error, size_t errorSize) {
    std::vector<uint8_t> bytes;
    bool exists = false;
    bool regular = true;
    if (!ReadWholeFile(path, bytes, exists, regular) || !exists) {
        std::snprintf(error, errorSize, "cannot read it: %s", std::strerror(exists ? errno : ENOENT));
        return false;
    }
    return DecodeTaskFile(bytes.data(), bytes.size(), file, error, errorSize);
}

}  // namespace quorbit
