// The few things the core asks of whichever front-end shows the program: a terminal for
// the console program, a window for the desktop, nothing at all in tests.
#pragma once

#include <cstdint>

namespace quorbit {

// Computation states as the shell shows them (menu item and title).
inline constexpr int32_t SHELL_STATE_IDLE = 0;
inline constexpr int32_t SHELL_STATE_RUNNING = 1;
inline constexpr int32_t SHELL_STATE_STOPPING = 2;

// Every operation may be null. The operations run on the calling thread; a front-end whose
// drawing lives on another thread hands the request over itself. They are never called
// while the core holds one of its locks, so they may call back into the console (to read
// its lines) and may wait for their own thread.
struct ShellOps {
    // The console's line store changed: completedLines lines were added at the bottom, or,
    // when replacedLastLine is set, the bottom line was written over (completedLines is 0).
    void (*redrawConsole)(bool replacedLastLine, int32_t completedLines, void* context);
    void (*setMenuState)(int32_t state, void* context);
    void (*setTitleStatus)(const char* status, void* context);
    void (*updateTrayIcon)(const char* tip, void* context);
    void (*showMessage)(const char* text, const char* caption, void* context);
    void* context;
};

// Attaches a front-end, or detaches it with nullptr. The ops must stay valid for as long
// as any thread may still be calling through them, in practice for the rest of the process.
void AttachShell(const ShellOps* ops);

// Once the program has begun to quit, the console, the menu, the title and the tray tip are
// no longer updated: the helpers below (except ShellShowMessage) then do nothing.
void SetQuitting(bool quitting);
bool IsQuitting();

void ShellRedrawConsole(bool replacedLastLine, int32_t completedLines);
void ShellSetMenuState(int32_t state);
void ShellSetTitleStatus(const char* status);
void ShellUpdateTrayIcon(const char* tip);
void ShellShowMessage(const char* text, const char* caption);

}  // namespace quorbit
