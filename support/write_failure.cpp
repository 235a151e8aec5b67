#include "support/write_failure.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/error_text.h"
#include "support/console.h"

namespace quorbit {

namespace {

std::mutex failureLock;
std::atomic<bool> failed{false};
char failureText[512];

}  // namespace

bool NoteWriteFailure(const char* file, int errorNumber) {
    char line[sizeof failureText + 1];
    {
        std::lock_guard<std::mutex> hold(failureLock);
        if (failed.load()) return false;
        char reason[128];
        std::snprintf(failureText, sizeof failureText, "Cannot write %s: %s", file != nullptr ? file : "?",
                      ErrorText(errorNumber, reason, sizeof reason));
        std::snprintf(line, sizeof line, "%s\n", failureText);
        failed.store(true);
    }
    // Printed outside the lock: the console hands over to the shell, which may wait.
    ConsolePrint(line);
    return false;
}

bool WriteFailed() { return failed.load(); }

void FormatWriteFailure(char* out, size_t size) {
    if (size == 0) return;
    std::lock_guard<std::mutex> hold(failureLock);
    std::snprintf(out, size, "%s", failed.load() ? failureText : "");
}

void ClearWriteFailure() {
    std::lock_guard<std::mutex> hold(failureLock);
    failed.store(false);
    failureText[0] = '\0';
}

}  // namespace quorbit
