#include "results/announced_lines.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quorbit {

size_t LinesWrittenAt(const char* path, uint64_t offset, const std::vector<std::string>& announced) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    std::string text;
    char buffer[65536];
    ssize_t got;
    off_t at = static_cast<off_t>(offset);
    while ((got = ::pread(fd, buffer, sizeof buffer, at)) > 0 || (got < 0 && errno == EINTR)) {
        if (got > 0) {
            text.append(buffer, static_cast<size_t>(got));
            at += got;
        }
    }
    (void)::close(fd);  // read only: nothing to lose
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
