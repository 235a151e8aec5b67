#include "cli/terminal_shell.h"

#include <cstring>
#include <mutex>

#include "cli/standard_output.h"
#include "platform/standard_streams.h"
#include "support/console.h"

namespace quorbit {

namespace {

std::mutex outputLock;       // prints come from the worker and the progress reporter
bool isTerminal = false;
bool provisionalShown = false;  // the terminal's last line is a progress line without its line end

// Writes length bytes of text and flushes them, so that each print reaches a terminal, a
// pipe or the journal as it is made.
void Write(const char* text, size_t length) {
    PrintOut("%.*s", static_cast<int>(length), text);
    FlushOut();
}

void PrintText(const char* text, bool provisional, void*) {
    const std::lock_guard<std::mutex> hold(outputLock);
    size_t length = std::strlen(text);
    if (!isTerminal) {
        Write(text, length);
        return;
    }
    if (provisionalShown) Write("\r\033[K", 4);  // the progress line gives way to what follows
    provisionalShown = false;
    if (provisional && length > 0 && text[length - 1] == '\n') {
        --length;
        provisionalShown = true;
    }
    Write(text, length);
}

}  // namespace

void AttachTerminalShell() {
    isTerminal = IsTerminal(stdout);
    SetConsoleTextSink(&PrintText, nullptr);
}

void FinishTerminalLine() {
    const std::lock_guard<std::mutex> hold(outputLock);
    if (provisionalShown) Write("\n", 1);
    provisionalShown = false;
}


}  // namespace quorbit
