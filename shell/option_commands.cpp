#include "shell/option_commands.h"

#include <cstdio>

#include "control/computation.h"
#include "control/progress.h"
#include "support/console.h"
#include "support/priority.h"
#include "support/settings.h"
#include "tasks/search_threads.h"
#include "tasks/unit_tasks.h"

namespace quorbit {

namespace {

void StoreIconSettings(const ProgramSettings& settings) {
    SetSettingInt("HideIcon", settings.hideIcon);
    SetSettingInt("TrayIcon", settings.trayIcon);
}

}  // namespace

IconChecks IconChecksFor(const ProgramSettings& settings) {
    return {settings.trayIcon != 0, settings.hideIcon != 0};
}

TrayChange ToggleTrayIcon(ProgramSettings& settings) {
    TrayChange change{};
    if (settings.trayIcon != 0) {
        change.removeIcon = true;
        settings.trayIcon = 0;
    } else {
        settings.trayIcon = 1;
        settings.hideIcon = 0;
        change.addIcon = true;
    }
    StoreIconSettings(settings);
    return change;
}

TrayChange ToggleNoIcon(ProgramSettings& settings) {
    TrayChange change{};
    settings.hideIcon = settings.hideIcon == 0 ? 1 : 0;
    if (settings.hideIcon == 1) {
        change.removeIcon = settings.trayIcon != 0;
        settings.trayIcon = 0;
        change.showWarning = true;
    }
    StoreIconSettings(settings);
    return change;
}

void StorePreferences(ProgramSettings& settings, int32_t frequency, int32_t depth, int32_t threads) {
    settings.displayFrequency = frequency < 1 ? 1 : frequency;
    settings.displayDepth = depth < 1 ? 1 : depth;
    displayFrequency.store(settings.displayFrequency);
    displayDepth.store(settings.displayDepth);
    SetSettingInt("DisplayFrequency", settings.displayFrequency);
    SetSettingInt("DisplayDepth", settings.displayDepth);
    // Written only when changed, so that an absent "Threads" stays absent. The unit being
    // computed keeps its mode; the next one takes the new value.
    const int32_t taskThreadCount = TaskThreadsFor(threads);
    if (taskThreadCount < threads) {
        char line[160];
        std::snprintf(line, sizeof line, "Threads: %d asked, but %d processors are available: %d threads are used.\n",
                      threads, taskThreadCount, taskThreadCount);
        ConsolePrint(line);
    }
    if (taskThreadCount != settings.threads) {
        settings.threads = taskThreadCount;
        taskThreads.store(taskThreadCount);
        SetSettingInt("Threads", taskThreadCount);
    }
}

bool ToggleBoard(ProgramSettings& settings) {
    settings.showBoard = settings.showBoard != 0 ? 0 : 1;
    SetSettingInt("ShowBoard", settings.showBoard);
    return settings.showBoard != 0;
}

void StorePriority(ProgramSettings& settings, int32_t level) {
    settings.priority = level;
    priorityLevel.store(level);
    SetSettingInt("Priority", level);
    // In task mode the worker is one of the unit's search threads, none of them bound to
    // "CpuNumber" when there are several.
    if (!ApplyPriorityToTaskRun()) ApplyPriorityIfRunning(workerThreadId.load());
    ApplyPriorityIfRunning(progressThreadId.load());
}

}  // namespace quorbit
