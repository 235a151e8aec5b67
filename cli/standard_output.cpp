#include "cli/standard_output.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/standard_streams.h"

namespace quorbit {

namespace {

// errno of the first failed write; 0 while all is well.
std::atomic<int> outputError{0};

bool Check(bool ok) {
    if (!ok || std::ferror(stdout) != 0) {
        int expected = 0;
        outputError.compare_exchange_strong(expected, errno != 0 ? errno : EIO);
    }
    return outputError.load() == 0;
}

}  // namespace

void PrepareStandardStreams() {
    IgnoreBrokenPipes();
    UseUtf8Console();
    if ((OpenClosedStandardStreams() & 2) != 0) outputError.store(EBADF);
}

bool WriteOut(const char* text) {
    errno = 0;
    return Check(std::fputs(text, stdout) != EOF);
}

bool PrintOut(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    errno = 0;
    const int written = std::vfprintf(stdout, format, arguments);
    va_end(arguments);
    return Check(written >= 0);
}

bool FlushOut() {
    errno = 0;
    return Check(std::fflush(stdout) == 0);
}

bool OutputFailed() { return outputError.load() != 0; }

void ReportOutputFailure(const char* command) {
    const int cause = outputError.load();
    std::fprintf(stderr, "quorbit-cli%s%s: cannot write standard output: %s\n", command != nullptr ? " " : "",
                 command != nullptr ? command : "",
                 cause == EBADF ? "it is closed" : std::strerror(cause != 0 ? cause : EIO));
}

int FinishOutput(const char* command) {
    if (FlushOut()) return 0;
    ReportOutputFailure(command);
    return 1;
}

}  // namespace quorbit
