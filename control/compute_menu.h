// What the shell shows of the computation: the program title, the title's status text and
// the Compute menu's Continue/Stop item. Plain data and rules, shared by every front-end.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorbit {

inline constexpr const char* PROGRAM_TITLE = "Quorbit 1.2a";
inline constexpr const char* IDLE_STATUS = "IDLE";

inline constexpr int32_t CONTINUE_COMMAND = 32773;
inline constexpr int32_t STOP_COMMAND = 32774;

// The one menu item that follows the computation; it starts as CONTINUE_ITEM.
struct ComputeMenuItem {
    int32_t command;
    const char* text;
};

inline constexpr ComputeMenuItem CONTINUE_ITEM = {CONTINUE_COMMAND, "C&ontinue\tCtrl+O"};
inline constexpr ComputeMenuItem STOP_ITEM = {STOP_COMMAND, "Stop\tESC"};
inline constexpr ComputeMenuItem STOPPING_ITEM = {STOP_COMMAND, "Stopping\tESC"};

// The item after SetMenuState(state): 1 turns Continue or Stopping into Stop, 2 relabels
// Stop as Stopping, 0 turns Stop or Stopping back into Continue. An item that does not carry
// the command a state looks for stays as it is (so a second 0 after the first changes
// nothing, and 2 leaves Continue alone), and so does any other state.
ComputeMenuItem MenuItemAfter(ComputeMenuItem item, int32_t state);

// "Quorbit 1.2a - " followed by the status (a unit's name, or "IDLE").
void FormatWindowTitle(char* out, size_t size, const char* status);

}  // namespace quorbit
