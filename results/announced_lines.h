// Reading back which of the lines a checkpoint mark announced "SOLUTION.TXT" already holds,
// so that a resumed unit writes the rest and none twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorbit {

// How many of the announced lines (each ending in LF) the file at `path` holds from byte
// `offset` on, where the mark said they begin. The process that wrote them may have ended
// before, during or after writing them. Text appended by others (a merge, an edit, a
// message) may follow them or, when a run ended in the middle of them and the next one
// completed them, stand between them: every line that is not the next announced one is
// passed over, as are stamp lines and a last line cut short.
size_t LinesWrittenAt(const char* path, uint64_t offset, const std::vector<std::string>& announced);

}  // namespace quorbit
