#include "support/console.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "support/shell.h"

namespace quorbit {

namespace {

// The store's own lock keeps each print whole. It is never held while the shell runs: a
// desktop shell redraws on its own thread, which may itself be waiting to print.
std::mutex consoleLock;
char consoleSlots[CONSOLE_SLOT_COUNT][CONSOLE_SLOT_SIZE];
bool replaceLastLine = false;
uint64_t completedTotal = 0;
std::atomic<ConsoleTextSink> textSink{nullptr};
std::atomic<void*> textSinkContext{nullptr};

struct PrintEffect {
    bool replaced;
    int32_t completedLines;
};

void ScrollUp() {
    std::memmove(consoleSlots[1], consoleSlots[0], sizeof consoleSlots[0] * (CONSOLE_SLOT_COUNT - 1));
    std::memset(consoleSlots[0], 0, sizeof consoleSlots[0]);
}

// Applies one print to the store; the caller holds consoleLock.
PrintEffect StoreText(const char* text) {
    const bool replacing = replaceLastLine;
    char* line = replacing ? consoleSlots[1] : consoleSlots[0];
    size_t length = replacing ? 0 : std::strlen(line);
    int32_t completed = 0;
    bool writtenSinceNewline = false;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '\n') {
            line[length] = '\0';
            if (!replacing) {
                ScrollUp();
                ++completed;
            }
            length = 0;
            writtenSinceNewline = false;
        } else {
            if (length < static_cast<size_t>(CONSOLE_LINE_MAX)) line[length++] = *c;
            writtenSinceNewline = true;
        }
    }
    // When replacing, text after the last newline also takes over the bottom line; with
    // nothing after it the bottom line keeps the last completed text instead of emptying.
    if (!replacing || writtenSinceNewline) line[length] = '\0';
    completedTotal += static_cast<uint64_t>(completed);
    replaceLastLine = false;
    return {replacing, completed};
}

void PrintAndMaybeMarkProvisional(const char* text, bool provisional) {
    if (text == nullptr || IsQuitting()) return;
    PrintEffect effect;
    {
        std::lock_guard<std::mutex> hold(consoleLock);
        effect = StoreText(text);
        if (provisional) replaceLastLine = true;
    }
    const ConsoleTextSink sink = textSink.load(std::memory_order_acquire);
    if (sink != nullptr && !IsQuitting()) sink(text, provisional, textSinkContext.load(std::memory_order_acquire));
    ShellRedrawConsole(effect.replaced, effect.completedLines);
}

}  // namespace

void SetConsoleTextSink(ConsoleTextSink sink, void* context) {
    textSinkContext.store(context, std::memory_order_release);
    textSink.store(sink, std::memory_order_release);
}

void ConsolePrint(const char* text) { PrintAndMaybeMarkProvisional(text, false); }

void ConsolePrintProvisional(const char* text) { PrintAndMaybeMarkProvisional(text, true); }

void ConsoleReplaceLastLine() {
    std::lock_guard<std::mutex> hold(consoleLock);
    replaceLastLine = true;
}

void ConsoleCopyLine(int slot, char* out, size_t size) {
    if (out == nullptr || size == 0) return;
    out[0] = '\0';
    if (slot < 0 || slot >= CONSOLE_SLOT_COUNT) return;
    std::lock_guard<std::mutex> hold(consoleLock);
    const size_t length = std::strlen(consoleSlots[slot]);
    const size_t copied = length < size - 1 ? length : size - 1;
    std::memcpy(out, consoleSlots[slot], copied);
    out[copied] = '\0';
}

void TakeConsoleSnapshot(ConsoleSnapshot& out) {
    std::lock_guard<std::mutex> hold(consoleLock);
    std::memcpy(out.slots, consoleSlots, sizeof consoleSlots);
    out.completedTotal = completedTotal;
    out.replaceLastLine = replaceLastLine;
}

void ClearConsole() {
    std::lock_guard<std::mutex> hold(consoleLock);
    std::memset(consoleSlots, 0, sizeof consoleSlots);
    replaceLastLine = false;
    completedTotal = 0;
}

}  // namespace quorbit
