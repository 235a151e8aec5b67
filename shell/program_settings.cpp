#include "shell/program_settings.h"

#include "control/progress.h"
#include "platform/processor.h"
#include "support/cpu_identity.h"
#include "support/priority.h"
#include "support/settings.h"
#include "tasks/unit_tasks.h"

namespace quorbit {

namespace {

int32_t AtLeastOne(int32_t value) { return value < 1 ? 1 : value; }

int32_t WithinPriorityRange(int32_t value) {
    return value < MIN_PRIORITY ? MIN_PRIORITY : value > MAX_PRIORITY ? MAX_PRIORITY : value;
}

}  // namespace

ProgramSettings ReadProgramSettings() {
    ProgramSettings s{};
    s.cpuNumber = GetSettingInt("CpuNumber", 0);
    s.displayFrequency = AtLeastOne(GetSettingInt("DisplayFrequency", DEFAULT_DISPLAY_FREQUENCY));
    s.displayDepth = AtLeastOne(GetSettingInt("DisplayDepth", DEFAULT_DISPLAY_DEPTH));
    s.priority = WithinPriorityRange(GetSettingInt("Priority", DEFAULT_PRIORITY));
    s.hideIcon = GetSettingInt("HideIcon", 0);
    s.trayIcon = GetSettingInt("TrayIcon", DEFAULT_TRAY_ICON);
    s.autoInstall = GetSettingInt("AutoInstall", 0);
    s.left = GetSettingInt("Left", 0);
    s.top = GetSettingInt("Top", 0);
    s.right = GetSettingInt("Right", 0);
    s.bottom = GetSettingInt("Bottom", 0);
    s.threads = TaskThreadsFor(GetSettingInt("Threads", 0));
    s.showBoard = GetSettingInt("ShowBoard", DEFAULT_SHOW_BOARD) != 0 ? 1 : 0;
    return s;
}

void ApplyProgramSettings(const ProgramSettings& settings) {
    cpuNumber.store(settings.cpuNumber);
    displayFrequency.store(settings.displayFrequency);
    displayDepth.store(settings.displayDepth);
    priorityLevel.store(settings.priority);
    taskThreads.store(settings.threads);
}

int32_t TaskThreadsFor(int32_t threads) {
    if (threads <= 0) return 0;
    const int32_t processors = AvailableProcessors();
    return threads < processors ? threads : processors;
}

bool HasStoredWindowRect(const ProgramSettings& settings) {
    return settings.left != 0 || settings.top != 0 || settings.right != 0 || settings.bottom != 0;
}

bool StoredWindowRectUsable(const ProgramSettings& settings) {
    const int64_t width = static_cast<int64_t>(settings.right) - settings.left;
    const int64_t height = static_cast<int64_t>(settings.bottom) - settings.top;
    return width >= 100 && height >= 60 && width <= 100000 && height <= 100000;
}

void StoreWindowRect(ProgramSettings& settings, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    settings.left = left;
    settings.top = top;
    settings.right = right;
    settings.bottom = bottom;
    SetSettingInt("Left", left);
    SetSettingInt("Top", top);
    SetSettingInt("Right", right);
    SetSettingInt("Bottom", bottom);
}

}  // namespace quorbit
