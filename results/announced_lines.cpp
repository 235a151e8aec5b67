#include "results/announced_lines.h"

#include "platform/files.h"

namespace quorbit {

size_t LinesWrittenAt(const char* path, uint64_t offset, const std::vector<std::string>& announced) {
    std::string text;
    if (!ReadFileFrom(path, offset, text)) return 0;
    size_t written = 0;
    for (size_t start = 0; start < text.size() && written < announced.size();) {
        const size_t newline = text.find('\n', start);
        if (newline == std::string::npos) break;  // cut short: not written whole
        std::string line = text.substr(start, newline - start);
        start = newline + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line + "\n" == announced[written]) ++written;
    }
    return written;
}

}  // namespace quorbit
