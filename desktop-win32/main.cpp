// quorbit.exe: the Windows desktop program. Start-up in this order: the working directory,
// one instance per directory (a second start brings the first one's window to the front and
// leaves), the process's priority, the window, the settings, the window's place and first
// state, the queued work resumed, the tray icon, the check marks, the autostart entry and
// the first-run set-up; then the message loop; then the shutdown, whichever way the program
// ends.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <limits.h>
#include <string>
#include <vector>

#include "control/computation.h"
#include "control/compute_menu.h"
#include "control/work_queue.h"
#include "desktop-win32/dialogs.h"
#include "desktop-win32/first_instance.h"
#include "desktop-win32/main_window.h"
#include "desktop-win32/resource_ids.h"
#include "desktop-win32/tray_icon.h"
#include "desktop-win32/win32_shell.h"
#include "instance/instance_channel.h"
#include "instance/instance_key.h"
#include "instance/instance_lock.h"
#include "platform/folders.h"
#include "platform/windows_text.h"
#include "shell/autostart_entry.h"
#include "shell/desktop_requests.h"
#include "shell/first_run.h"
#include "shell/initial_show.h"
#include "shell/program_settings.h"
#include "shell/startup_report.h"
#include "shell/working_directory.h"
#include "support/console.h"
#include "support/line_table.h"
#include "support/shell.h"

namespace {

using namespace quorbit;

// How long a second start looks for the first one's window, which may still be on its way.
constexpr DWORD FIRST_WINDOW_WAIT_MS = 2000;

// The arguments after the program's name, as UTF-8.
std::vector<std::string> Arguments() {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(Narrow(wide[i]));
    LocalFree(wide);
    return arguments;
}

// Another instance works in this directory: its window comes to the front, and this start
// leaves without a window of its own. An instance without a window (quorbit-cli run) is said
// in a box, so that the user does not see nothing happen.
int LeaveToFirstInstance(uint32_t key, long holder, const char* directory) {
    const DWORD start = GetTickCount();
    while (!BringInstanceToFront(key)) {
        if (GetTickCount() - start >= FIRST_WINDOW_WAIT_MS) {
            char text[PATH_MAX + 256];
            std::snprintf(text, sizeof text,
                          "Another Quorbit (process %ld) is computing in %s without a window.\n"
                          "quorbit-cli status, add and stop reach it.",
                          holder, directory);
            MessageBoxW(nullptr, Widen(text).c_str(), Widen(PROGRAM_TITLE).c_str(), MB_OK | MB_ICONINFORMATION);
            return 0;
        }
        Sleep(50);
    }
    return 0;
}

// The window's last normal rectangle, unless what is stored could not be a window.
void PlaceWindow(HWND window, const ProgramSettings& settings, int showCommand) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    if (HasStoredWindowRect(settings)) {
        if (StoredWindowRectUsable(settings)) {
            placement.rcNormalPosition = {settings.left, settings.top, settings.right, settings.bottom};
        } else {
            ConsolePrint("The stored window position is not usable; Windows places the window.\n");
        }
    }
    placement.showCmd = static_cast<UINT>(showCommand);
    SetWindowPlacement(window, &placement);
    UpdateWindow(window);
}

int ShowCommandOf(InitialShow show) {
    switch (show) {
        case InitialShow::Hidden:
            return SW_HIDE;
        case InitialShow::Minimized:
            return SW_SHOWMINIMIZED;
        default:
            return SW_SHOWNORMAL;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    char executable[PATH_MAX];
    if (!ExecutablePath(executable, sizeof executable)) executable[0] = '\0';
    const std::vector<std::string> arguments = Arguments();
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    WorkingDirectoryReport directoryReport{};
    ChooseWorkingDirectory(static_cast<int>(argv.size()), argv.data(), true, directoryReport);

    char directory[PATH_MAX];
    if (!CurrentDirectory(directory, sizeof directory)) directory[0] = '\0';
    const uint32_t key = InstanceKey(directory);
    char instanceName[INSTANCE_NAME_SIZE];
    FormatInstanceName(key, instanceName, sizeof instanceName);
    InstanceLock lock{};
    const InstanceLockResult locked = AcquireInstanceLock(instanceName, directory, lock);
    if (locked.outcome == InstanceLockOutcome::HeldByOther) return LeaveToFirstInstance(key, locked.holder, directory);

    // The window answers at once while the computation takes only what is left over.
    SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);

    ProgramSettings settings = ReadProgramSettings();
    HWND window = CreateMainWindow(instance, settings, executable);
    if (window == nullptr) return 0;
    MarkInstanceWindow(window, key);
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    AttachWin32Shell(window);
    ReportWorkingDirectory(directoryReport);
    ServeDesktopRequests(lock, locked, DesktopInstanceRequests(Win32RequestHooks()));

    ApplyProgramSettings(settings);
    SayShortWork();
    const InitialShowChoice show = ChooseInitialShow(QueueCount(), settings, true);
    if (show.postContinue) PostMessageW(window, WM_COMMAND, CMD_CONTINUE, 0);
    PlaceWindow(window, settings, ShowCommandOf(show.show));
    UpdateTrayIcon(window, NIM_ADD, PROGRAM_TITLE, ComputationState(), settings.trayIcon != 0);
    UpdateIconChecks();
    QueryAutostart(executable);
    RunFirstRunSetup(settings, executable[0] != '\0' ? executable : nullptr);
    UpdateInstallMenu();

    MSG message;
    int status = 0;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            status = static_cast<int>(message.wParam);
            break;
        }
        if (got < 0) break;
        if (TranslateAcceleratorW(window, accelerators, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }

    Shutdown();
    if (IsWindow(window)) DestroyWindow(window);
    StopInstanceServer();
    AttachWin32Shell(nullptr);
    ReleaseInstanceLock(lock);
    FreeLineTables();
    DestroyMenu(PopupMenu());
    return status;
}
