// "MERGED.TXT", the record of the searches merged into a directory, as merge reads it: any
// bytes are refused or read, and an entry found is one of the search asked for.
#include <cstdint>
#include <cstring>
#include <string>

#include "cluster/merge_record.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorbit;
    const char* text = reinterpret_cast<const char*>(data);
    MergeEntry found;
    char error[160];
    if (!FindMergeEntry(text, size, "a1-a2", "a1-e6", found, error, sizeof error)) {
        FUZZ_CHECK(std::strncmp(error, "line ", 5) == 0);
        return 0;
    }
    if (found.state == MergeState::None) return 0;
    // The entry's line, found again by counting line ends.
    int line = 1;
    size_t at = 0;
    while (line < found.line) {
        const void* end = std::memchr(text + at, '\n', size - at);
        FUZZ_CHECK(end != nullptr);
        at = static_cast<size_t>(static_cast<const char*>(end) - text) + 1;
        ++line;
    }
    const std::string entry(text + at, size - at);
    const char* head = found.state == MergeState::Begun ? "begun a1-a2 a1-e6 cut " : "merged a1-a2 a1-e6 cut ";
    FUZZ_CHECK(entry.rfind(head, 0) == 0);
    return 0;
}
