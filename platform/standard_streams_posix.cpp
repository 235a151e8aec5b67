#include "platform/standard_streams.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quorbit {

void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

// A terminal shows the bytes as they come, in the user's locale (UTF-8 nearly always).
void UseUtf8Console() {}

int OpenClosedStandardStreams() {
    int closed = 0;
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
        closed |= 1 << fd;
    }
    return closed;
}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

}  // namespace quorbit
