#include "platform/standard_streams.h"

#include <fcntl.h>
#include <io.h>

#include "platform/windows_text.h"

namespace quorbit {

// Windows has no SIGPIPE: a write to a closed pipe fails with an error already.
void IgnoreBrokenPipes() {}

void UseUtf8Console() { ::SetConsoleOutputCP(CP_UTF8); }

int OpenClosedStandardStreams() {
    int closed = 0;
    std::FILE* const streams[3] = {stdin, stdout, stderr};
    for (int fd = 0; fd <= 2; ++fd) {
        // A program started without a console or handles gets C runtime descriptors that
        // lead nowhere (-2).
        if (::_fileno(streams[fd]) >= 0 && ::_get_osfhandle(::_fileno(streams[fd])) >= 0) continue;
        if (std::freopen("NUL", fd == 0 ? "r" : "w", streams[fd]) == nullptr) continue;
        closed |= 1 << fd;
    }
    return closed;
}

bool IsTerminal(std::FILE* stream) {
    // _isatty answers yes for NUL and every other character device; a console answers
    // GetConsoleMode.
    const intptr_t handle = ::_get_osfhandle(::_fileno(stream));
    DWORD mode = 0;
    return handle >= 0 && ::GetConsoleMode(reinterpret_cast<HANDLE>(handle), &mode);
}

}  // namespace quorbit
