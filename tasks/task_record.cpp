#include "tasks/task_record.h"

#include <cstring>

namespace quorbit {

namespace {

constexpr uint8_t RECORD_MAGIC[4] = {'Q', 'R', 'E', 'C'};

uint64_t Fnv1a(uint64_t hash, const uint8_t* bytes, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

uint64_t ReadLittle(const uint8_t* bytes, int count) {
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
    return value;
}

bool AllZero(const uint8_t* bytes, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

}  // namespace

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutU64(std::vector<uint8_t>& out, uint64_t value) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint8_t TakeU8(PayloadReader& in) {
    if (in.failed || in.at >= in.size) {
        in.failed = true;
        return 0;
    }
    return in.bytes[in.at++];
}

uint32_t TakeU32(PayloadReader& in) {
    if (in.failed || in.size - in.at < 4) {
        in.failed = true;
        return 0;
    }
    in.at += 4;
    return static_cast<uint32_t>(ReadLittle(in.bytes + in.at - 4, 4));
}

uint64_t TakeU64(PayloadReader& in) {
    if (in.failed || in.size - in.at < 8) {
        in.failed = true;
        return 0;
    }
    in.at += 8;
    return ReadLittle(in.bytes + in.at - 8, 8);
}

void AppendRecord(std::vector<uint8_t>& out, uint32_t kind, const std::vector<uint8_t>& payload) {
    const size_t start = out.size();
    out.insert(out.end(), RECORD_MAGIC, RECORD_MAGIC + 4);
    PutU32(out, kind);
    PutU32(out, static_cast<uint32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    PutU64(out, Fnv1a(14695981039346656037ull, out.data() + start + 4, out.size() - start - 4));
}

namespace {

// A record that passes every check of its frame, starting at p (left bytes there).
bool CheckedRecordAt(const uint8_t* p, size_t left, uint32_t& length) {
    if (left < RECORD_FRAME_SIZE || std::memcmp(p, RECORD_MAGIC, 4) != 0) return false;
    length = static_cast<uint32_t>(ReadLittle(p + 8, 4));
    if (length > RECORD_PAYLOAD_MAX || left - RECORD_FRAME_SIZE < length) return false;
    return ReadLittle(p + 12 + length, 8) == Fnv1a(14695981039346656037ull, p + 4, 8 + length);
}

// Whether a whole, checked record begins anywhere in bytes[from, size).
bool CheckedRecordAfter(const uint8_t* bytes, size_t size, size_t from) {
    for (size_t at = from; at + RECORD_FRAME_SIZE <= size; ++at) {
        const void* found = std::memchr(bytes + at, RECORD_MAGIC[0], size - at);
        if (found == nullptr) return false;
        at = static_cast<size_t>(static_cast<const uint8_t*>(found) - bytes);
        uint32_t length = 0;
        if (CheckedRecordAt(bytes + at, size - at, length)) return true;
    }
    return false;
}

}  // namespace

RecordRead ReadRecord(const uint8_t* bytes, size_t size, size_t at, RecordView& view) {
    if (at >= size) return RecordRead::End;
    const size_t left = size - at;
    const uint8_t* p = bytes + at;
    uint32_t length = 0;
    if (CheckedRecordAt(p, left, length)) {
        view.kind = static_cast<uint32_t>(ReadLittle(p + 4, 4));
        view.payload = p + 12;
        view.length = length;
        view.next = at + RECORD_FRAME_SIZE + length;
        return RecordRead::Whole;
    }
    // What a crash leaves at the end: the start of a record (its magic, or zeros a file
    // system filled in). Only when nothing valid follows: a record whose length or contents
    // were damaged on disk, with records after it, is damage, not a torn end.
    const bool recordStart = AllZero(p, left) || std::memcmp(p, RECORD_MAGIC, left < 4 ? left : 4) == 0;
    return recordStart && !CheckedRecordAfter(bytes, size, at + 1) ? RecordRead::Torn : RecordRead::Corrupt;
}

std::vector<uint8_t> EncodeTaskResult(const TaskResult& result) {
    std::vector<uint8_t> out;
    PutU32(out, TASK_RESULT_VERSION);
    PutU64(out, result.index);
    PutU32(out, static_cast<uint32_t>(result.prefixLength));
    out.insert(out.end(), result.prefix, result.prefix + result.prefixLength);
    for (const uint64_t count : result.nodeCounters) PutU64(out, count);
    PutU32(out, static_cast<uint32_t>(result.solutions.size()));
    for (const TaskSolution& solution : result.solutions) {
        PutU64(out, solution.nodeOffset);
        out.insert(out.end(), solution.squares, solution.squares + SQUARE_COUNT);
    }
    return out;
}

bool DecodeTaskResult(const uint8_t* payload, size_t length, TaskResult& result) {
    PayloadReader in{payload, length, 0, false};
    if (TakeU32(in) != TASK_RESULT_VERSION) return false;
    result.index = TakeU64(in);
    const uint32_t prefixLength = TakeU32(in);
    if (in.failed || prefixLength < 1 || prefixLength > HOOK_MOVE) return false;
    result.prefixLength = static_cast<int32_t>(prefixLength);
    for (uint32_t i = 0; i < prefixLength; ++i)
        if ((result.prefix[i] = TakeU8(in)) >= SQUARE_COUNT) return false;
    uint64_t total = 0;
    for (int k = 0; k < COUNTED_MOVES; ++k) {
        result.nodeCounters[k] = TakeU64(in);
        if (k < static_cast<int>(prefixLength) - 1 && result.nodeCounters[k] != 0) return false;
        if (total + result.nodeCounters[k] < total) return false;
        total += result.nodeCounters[k];
    }
    const uint32_t count = TakeU32(in);
    // Every counted move-34 node is a tour, so there are never more tours than those nodes.
    if (in.failed || count > result.nodeCounters[HOOK_MOVE - 1] || count > (length - in.at) / (8 + SQUARE_COUNT))
        return false;
    result.solutions.resize(count);
    uint64_t previous = 0;
    for (TaskSolution& solution : result.solutions) {
        solution.nodeOffset = TakeU64(in);
        if (solution.nodeOffset <= previous || solution.nodeOffset > total) return false;
        previous = solution.nodeOffset;
        for (uint8_t& square : solution.squares)
            if ((square = TakeU8(in)) >= SQUARE_COUNT) return false;
    }
    return !in.failed && in.at == length;
}

}  // namespace quorbit
