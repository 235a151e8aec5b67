#include "shell/install_menu.h"

#include "shell/autostart_entry.h"

namespace quorbit {

InstallMenuState InstallMenuFor(int32_t autostartState) {
    return {autostartState != 0, autostartState == 1, false};
}

int32_t AutostartModeOfCommand(int32_t command) {
    switch (command) {
        case NORMAL_INSTALL_COMMAND: return AUTOSTART_NORMAL;
        case SERVICE_INSTALL_COMMAND: return AUTOSTART_SERVICE;
        case UNINSTALL_COMMAND: return AUTOSTART_REMOVE;
        default: return -1;
    }
}

bool RunInstallCommand(int32_t command, const char* executablePath) {
    const int32_t mode = AutostartModeOfCommand(command);
    if (mode < 0) return false;
    InstallAutostart(mode, executablePath);
    return true;
}

}  // namespace quorbit
