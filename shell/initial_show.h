// How the main window first appears: normal and idle with an empty queue; with queued work
// the computation resumes at once and the window starts out of the way.
#pragma once

#include <cstdint>

#include "shell/program_settings.h"

namespace quorbit {

enum class InitialShow {
    Normal,     // shown as a normal window
    Minimized,  // minimised to the taskbar
    Hidden,     // not shown: in the tray, or hidden completely ("HideIcon")
};

struct InitialShowChoice {
    InitialShow show;
    bool postContinue;  // the queue holds work: Continue once the event loop runs
};

// With queued work: hidden when "HideIcon" is set, or when "TrayIcon" is set and the desktop
// has a notification area to show the icon in; minimised otherwise (a window hidden for a
// tray that does not exist could not be brought back). With an empty queue: normal.
InitialShowChoice ChooseInitialShow(int32_t queueCount, const ProgramSettings& settings, bool trayAvailable);

}  // namespace quorbit
