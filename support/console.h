// The output console's line store: the newest complete lines of everything the program
// prints, bottom-anchored, with a bottom line that the next print may replace. Front-ends
// only draw it (see support/shell.h for the redraw request).
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorbit {

inline constexpr int CONSOLE_SLOT_COUNT = 48;    // slot 0 composes, slots 1..47 are complete lines
inline constexpr int CONSOLE_SLOT_SIZE = 256;
inline constexpr int CONSOLE_LINE_MAX = CONSOLE_SLOT_SIZE - 1;  // longer lines are cut
inline constexpr int CONSOLE_SHOWN_LINES = CONSOLE_SLOT_COUNT - 1;

// Adds text, which may hold any number of newlines, to the store; each newline completes a
// line and moves the older ones up. Callable from any thread: each call is applied whole.
// Does nothing once the program is quitting. Afterwards asks the attached shell to redraw.
void ConsolePrint(const char* text);

// A front-end that prints text instead of drawing the store (a terminal) gets every print's
// text whole (not cut to the store's line length), on the printing thread, after the store
// has taken it and outside its lock; `provisional` when the next print is to replace it (a
// progress line). Not called once the program is quitting. nullptr detaches it.
using ConsoleTextSink = void (*)(const char* text, bool provisional, void* context);
void SetConsoleTextSink(ConsoleTextSink sink, void* context);

// Makes the next print write over the newest complete line (slot 1) instead of adding one.
void ConsoleReplaceLastLine();

// ConsolePrint and ConsoleReplaceLastLine in one step, so that no other thread's print can
// fall between them and then be overwritten in place of the provisional line.
void ConsolePrintProvisional(const char* text);

// Copies slot n (0 composing, 1 newest complete line) into out, cut to fit and terminated.
void ConsoleCopyLine(int slot, char* out, size_t size);

// A consistent copy of the whole store for drawing. completedTotal counts every line ever
// completed (replacements not included), so a terminal front-end can tell how many lines
// are new since it last drew.
struct ConsoleSnapshot {
    char slots[CONSOLE_SLOT_COUNT][CONSOLE_SLOT_SIZE];
    uint64_t completedTotal;
    bool replaceLastLine;
};
void TakeConsoleSnapshot(ConsoleSnapshot& out);

// Empties every slot and clears the replace flag, as at process start.
void ClearConsole();

}  // namespace quorbit
