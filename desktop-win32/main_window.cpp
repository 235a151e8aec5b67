#include "desktop-win32/main_window.h"

#include <shellapi.h>

#include <cstring>
#include <string>

#include "control/computation.h"
#include "control/compute_menu.h"
#include "control/queue_status.h"
#include "desktop-win32/activation_hook.h"
#include "desktop-win32/console_window.h"
#include "desktop-win32/dialogs.h"
#include "desktop-win32/resource_ids.h"
#include "desktop-win32/tray_icon.h"
#include "desktop-win32/win32_shell.h"
#include "platform/windows_text.h"
#include "shell/autostart_entry.h"
#include "shell/install_menu.h"
#include "shell/option_commands.h"
#include "support/shell.h"

namespace quorbit {

// The resource script numbers the commands that the shell knows by name.
static_assert(CMD_CONTINUE == CONTINUE_COMMAND && CMD_STOP == STOP_COMMAND);
static_assert(CMD_PREFERENCES == PREFERENCES_COMMAND && CMD_PRIORITY == PRIORITY_COMMAND);
static_assert(CMD_TRAY_ICON == TRAY_ICON_COMMAND && CMD_NO_ICON == NO_ICON_COMMAND);
static_assert(CMD_NORMAL_INSTALL == NORMAL_INSTALL_COMMAND && CMD_SERVICE_INSTALL == SERVICE_INSTALL_COMMAND &&
              CMD_UNINSTALL == UNINSTALL_COMMAND);

namespace {

// Shown, captioned "Warning", when No Icon is switched on (two blanks after "key.").
const char* const NO_ICON_WARNING =
    "WARNING: It is recommended that you create a shortcut to Quorbit.exe and define a shortcut key.  If you do "
    "not do this you will be unable to activate Quorbit once you minimize it.";

HINSTANCE moduleInstance = nullptr;
HWND window = nullptr;
HWND console = nullptr;
HMENU popupMenu = nullptr;
ProgramSettings* settings = nullptr;
std::string executablePath;
ComputeMenuItem computeItem = CONTINUE_ITEM;
bool shutDown = false;
UINT taskbarCreated = 0;

bool TrayEnabled() { return settings->trayIcon != 0; }

void ShowPopupMenu() {
    POINT at;
    GetCursorPos(&at);
    SetForegroundWindow(window);
    TrackPopupMenu(GetSubMenu(popupMenu, 0), TPM_RIGHTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
    PostMessageW(window, WM_NULL, 0, 0);
}

// The tray icon's double click: hides a window on the screen, shows a hidden or minimised one.
void ToggleVisibility() {
    if (IsWindowVisible(window) && !IsIconic(window)) {
        ShowWindow(window, SW_HIDE);
    } else {
        ActivateMainWindow();
    }
}

// Minimising hides the window when it can come back: from the tray icon, or by a second
// start ("HideIcon"). With a tray icon that the notification area refused it stays a
// taskbar button.
bool HidesWhenMinimised() { return settings->hideIcon != 0 || (TrayEnabled() && TrayIconShown()); }

void RunTrayCommand(int32_t command) {
    const bool wasShown = TrayIconShown();
    const TrayChange change = command == CMD_TRAY_ICON ? ToggleTrayIcon(*settings) : ToggleNoIcon(*settings);
    if (change.removeIcon && wasShown) UpdateTrayIcon(window, NIM_DELETE, PROGRAM_TITLE, ComputationState(), true);
    if (change.addIcon) UpdateTrayIcon(window, NIM_ADD, PROGRAM_TITLE, ComputationState(), TrayEnabled());
    UpdateIconChecks();
    if (change.showWarning) ShowMessageBox(window, NO_ICON_WARNING, "Warning", MB_OK | MB_ICONINFORMATION);
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (HandleShellMessage(message, wParam, lParam)) return 0;
    switch (message) {
        case WM_CREATE:
            console = CreateConsoleWindow(hwnd, moduleInstance);
            return console != nullptr ? 0 : -1;
        case WM_DESTROY:
            Shutdown();
            PostQuitMessage(0);
            break;
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED && HidesWhenMinimised()) {
                ShowWindow(hwnd, SW_HIDE);
                return 0;
            }
            if (console != nullptr) MoveWindow(console, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            break;
        case WM_CLOSE:
            SetQuitting(true);
            stopRequest.fetch_or(1);
            break;  // destroyed by the default handling: WM_DESTROY runs the shutdown
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam == FALSE) return 0;
            // Windows ends the process once this returns: the queue must be as it is on disk.
            Shutdown();
            PostQuitMessage(0);
            break;
        case WM_COMMAND:
            RunCommand(LOWORD(wParam));
            return 0;
        case WM_RBUTTONDOWN:
            ShowPopupMenu();
            return 0;
        case WM_TRAYICON:
            if (lParam == WM_LBUTTONDBLCLK) ToggleVisibility();
            if (lParam == WM_RBUTTONDOWN) ShowPopupMenu();
            return 0;
        case WM_DPICHANGED: {
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            if (console != nullptr) UpdateConsoleFont(console);
            return 0;
        }
        default:
            if (message == taskbarCreated && taskbarCreated != 0) RestoreTrayIcon(hwnd);
            break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance, ProgramSettings& programSettings, const char* executable) {
    moduleInstance = instance;
    settings = &programSettings;
    executablePath = executable;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = KnightIcon(1, false);
    windowClass.hIconSm = KnightIcon(1, true);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDR_MAIN_MENU);
    windowClass.lpszClassName = MAIN_WINDOW_CLASS;
    if (RegisterClassExW(&windowClass) == 0 || !RegisterConsoleClass(instance)) return nullptr;
    const std::wstring title = Widen(PROGRAM_TITLE);
    window = CreateWindowExW(0, MAIN_WINDOW_CLASS, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return nullptr;
    popupMenu = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_POPUP_MENU));
    taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    SetCentringWindow(window);
    return window;
}

HWND MainWindow() { return shutDown ? nullptr : window; }

void ActivateMainWindow() {
    if (shutDown) return;
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
}

HMENU PopupMenu() { return popupMenu; }

void RunCommand(int32_t command) {
    if (shutDown) return;
    switch (command) {
        case CMD_NEW:
            RunNewWorkDialog(window);
            return;
        case CMD_CONTINUE:
            StartComputation();
            return;
        case CMD_STOP:
            HaltComputation();
            return;
        case CMD_STATUS:
            ShowQueueStatus();
            return;
        case CMD_EXIT:
            // The window itself goes when the message loop has ended.
            Shutdown();
            PostQuitMessage(0);
            return;
        case CMD_ABOUT:
            RunAboutDialog(window);
            return;
        case CMD_PREFERENCES: {
            int32_t frequency = settings->displayFrequency;
            int32_t depth = settings->displayDepth;
            int32_t threads = settings->threads;
            RunPreferencesDialog(window, frequency, depth, threads);
            StorePreferences(*settings, frequency, depth, threads);
            return;
        }
        case CMD_PRIORITY: {
            int32_t level = settings->priority;
            RunPriorityDialog(window, level);
            StorePriority(*settings, level);
            return;
        }
        case CMD_TRAY_ICON:
        case CMD_NO_ICON:
            RunTrayCommand(command);
            return;
        default:
            if (RunInstallCommand(command, executablePath.c_str())) UpdateInstallMenu();
            return;
    }
}

void SetMenuState(int32_t state) {
    if (IsQuitting() || shutDown) return;
    const ComputeMenuItem next = MenuItemAfter(computeItem, state);
    if (next.command != computeItem.command || std::strcmp(next.text, computeItem.text) != 0) {
        const std::wstring text = Widen(next.text);
        for (HMENU menu : {GetMenu(window), popupMenu})
            ModifyMenuW(menu, static_cast<UINT>(computeItem.command), MF_BYCOMMAND | MF_STRING,
                        static_cast<UINT_PTR>(next.command), text.c_str());
        DrawMenuBar(window);
        computeItem = next;
    }
    if (state == SHELL_STATE_IDLE) SetTitleStatus(IDLE_STATUS, ComputationState());
}

void SetTitleStatus(const char* status, int32_t computationState) {
    if (IsQuitting() || shutDown) return;
    char title[256];
    FormatWindowTitle(title, sizeof title, status);
    UpdateTrayIcon(window, NIM_MODIFY, title, computationState, TrayEnabled());
    SetWindowTextW(window, Widen(title).c_str());
}

void ShowTrayTip(const char* tip, int32_t computationState) {
    if (IsQuitting() || shutDown) return;
    UpdateTrayIcon(window, NIM_MODIFY, tip, computationState, TrayEnabled());
}

void RedrawConsoleWindow() {
    if (console != nullptr && !shutDown) UpdateConsoleWindow(console);
}

void UpdateIconChecks() {
    const IconChecks checks = IconChecksFor(*settings);
    HMENU menu = GetMenu(window);
    CheckMenuItem(menu, CMD_TRAY_ICON, MF_BYCOMMAND | (checks.trayIcon ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, CMD_NO_ICON, MF_BYCOMMAND | (checks.noIcon ? MF_CHECKED : MF_UNCHECKED));
}

void UpdateInstallMenu() {
    const InstallMenuState state = InstallMenuFor(autostartState);
    HMENU menu = GetMenu(window);
    ModifyMenuW(menu, CMD_UNINSTALL, MF_BYCOMMAND | MF_STRING | (state.uninstallEnabled ? MF_ENABLED : MF_GRAYED),
                CMD_UNINSTALL, L"&Uninstall");
    CheckMenuItem(menu, CMD_NORMAL_INSTALL, MF_BYCOMMAND | (state.normalInstallChecked ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, CMD_SERVICE_INSTALL, MF_BYCOMMAND | (state.serviceInstallChecked ? MF_CHECKED : MF_UNCHECKED));
}

void Shutdown() {
    if (shutDown) return;
    SetQuitting(true);
    HaltComputation();
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(window, &placement)) {
        const RECT& normal = placement.rcNormalPosition;
        StoreWindowRect(*settings, normal.left, normal.top, normal.right, normal.bottom);
    }
    RemoveActivationHook();
    UpdateTrayIcon(window, NIM_DELETE, PROGRAM_TITLE, ComputationState(), TrayEnabled());
    shutDown = true;
    StopComputationAndWait();
}

}  // namespace quorbit
