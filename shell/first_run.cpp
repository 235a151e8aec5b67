#include "shell/first_run.h"

#include "shell/autostart_entry.h"
#include "support/cpu_identity.h"
#include "support/settings.h"

namespace quorbit {

bool IsFirstRun(const ProgramSettings& settings) { return settings.autoInstall == 0; }

bool RunFirstRunSetup(ProgramSettings& settings, const char* autostartExecutable) {
    if (!IsFirstRun(settings)) return false;
    const bool desktop = autostartExecutable != nullptr;
    // No processor number is ever recorded as negative: an absent "CpuId" reads as -1.
    if (!desktop && GetSettingInt("CpuId", -1) >= 0) return false;
    if (desktop) {
        settings.autoInstall = 1;
        if (autostartState == 0) InstallAutostart(AUTOSTART_NORMAL, autostartExecutable);
    }
    IdentifyProcessor();
    settings.cpuNumber = cpuNumber.load();
    if (desktop) SetSettingInt("AutoInstall", settings.autoInstall);
    SetSettingInt("CpuId", settings.cpuNumber);
    return true;
}

}  // namespace quorbit
