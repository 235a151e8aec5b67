#include "shell/initial_show.h"

namespace quorbit {

InitialShowChoice ChooseInitialShow(int32_t queueCount, const ProgramSettings& settings, bool trayAvailable) {
    if (queueCount <= 0) return {InitialShow::Normal, false};
    const bool hidden = settings.hideIcon != 0 || (settings.trayIcon != 0 && trayAvailable);
    return {hidden ? InitialShow::Hidden : InitialShow::Minimized, true};
}

}  // namespace quorbit
