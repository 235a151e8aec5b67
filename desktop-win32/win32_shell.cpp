#include "desktop-win32/win32_shell.h"

#include <atomic>
#include <cstring>
#include <string>

#include "control/computation.h"
#include "control/compute_menu.h"
#include "desktop-win32/dialogs.h"
#include "desktop-win32/main_window.h"
#include "desktop-win32/resource_ids.h"
#include "support/shell.h"

namespace quorbit {

namespace {

// The requests a computation thread posts; a text travels in lParam as a std::string the
// window thread deletes.
constexpr UINT WM_SHELL_MENU_STATE = WM_APP + 1;  // wParam: the state
constexpr UINT WM_SHELL_TITLE = WM_APP + 2;       // wParam: the computation state; the status
constexpr UINT WM_SHELL_TRAY_TIP = WM_APP + 3;    // wParam: the computation state; the tip
constexpr UINT WM_SHELL_MESSAGE = WM_APP + 4;     // the text and the caption, NUL between them
constexpr UINT WM_SHELL_CALL = WM_APP + 5;        // wParam: a function, lParam: its argument

HWND shellWindow = nullptr;
DWORD windowThread = 0;
std::atomic<bool> redrawPosted{false};

bool OnWindowThread() { return GetCurrentThreadId() == windowThread; }

void Post(UINT message, WPARAM wParam, std::string* text) {
    if (!PostMessageW(shellWindow, message, wParam, reinterpret_cast<LPARAM>(text))) delete text;
}

void ShowMessageNow(const char* text, const char* caption) {
    // Owned by the dialog that is open, if one is (the tour number's refusal).
    HWND owner = GetActiveWindow();
    if (owner == nullptr) owner = MainWindow();
    const UINT icon = std::strcmp(caption, PROGRAM_TITLE) == 0 ? MB_ICONEXCLAMATION : MB_ICONINFORMATION;
    ShowMessageBox(owner, text, caption, MB_OK | icon);
}

// Merged: one redraw waits at a time, and it draws whatever the store holds by then.
void RedrawConsole(bool, int32_t completedLines, void*) {
    if (redrawPosted.exchange(true)) return;
    if (!PostMessageW(shellWindow, completedLines > 0 ? WM_CONSOLE_SCROLL : WM_CONSOLE_REFRESH, 0, 0))
        redrawPosted.store(false);
}

void SetMenuStateOp(int32_t state, void*) {
    if (OnWindowThread()) {
        SetMenuState(state);
    } else {
        Post(WM_SHELL_MENU_STATE, static_cast<WPARAM>(state), nullptr);
    }
}

// The picture is the computation's state now, not when the window gets to it.
void SetTitleStatusOp(const char* status, void*) {
    if (OnWindowThread()) {
        SetTitleStatus(status, ComputationState());
    } else {
        Post(WM_SHELL_TITLE, static_cast<WPARAM>(ComputationState()), new std::string(status));
    }
}

void UpdateTrayIconOp(const char* tip, void*) {
    if (OnWindowThread()) {
        ShowTrayTip(tip, ComputationState());
    } else {
        Post(WM_SHELL_TRAY_TIP, static_cast<WPARAM>(ComputationState()), new std::string(tip));
    }
}

void ShowMessageOp(const char* text, const char* caption, void*) {
    if (OnWindowThread()) {
        ShowMessageNow(text, caption);
    } else {
        auto* both = new std::string(text);
        both->push_back('\0');
        both->append(caption);
        Post(WM_SHELL_MESSAGE, 0, both);
    }
}

using Call = void (*)(void*);

bool PostCall(Call call, void* data, void*) {
    return PostMessageW(shellWindow, WM_SHELL_CALL, reinterpret_cast<WPARAM>(call), reinterpret_cast<LPARAM>(data)) !=
           FALSE;
}

void ShowWindowForRequest(void*) { ActivateMainWindow(); }

ShellOps win32Shell{RedrawConsole, SetMenuStateOp, SetTitleStatusOp, UpdateTrayIconOp, ShowMessageOp, nullptr};

}  // namespace

void AttachWin32Shell(HWND window) {
    shellWindow = window;
    windowThread = GetCurrentThreadId();
    AttachShell(window != nullptr ? &win32Shell : nullptr);
}

DesktopRequestHooks Win32RequestHooks() { return {PostCall, ShowWindowForRequest, nullptr}; }

bool HandleShellMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    auto* text = reinterpret_cast<std::string*>(lParam);
    switch (message) {
        case WM_CONSOLE_SCROLL:
        case WM_CONSOLE_REFRESH:
            redrawPosted.store(false);
            RedrawConsoleWindow();
            return true;
        case WM_SHELL_MENU_STATE:
            SetMenuState(static_cast<int32_t>(wParam));
            return true;
        case WM_SHELL_TITLE:
            SetTitleStatus(text->c_str(), static_cast<int32_t>(wParam));
            delete text;
            return true;
        case WM_SHELL_TRAY_TIP:
            ShowTrayTip(text->c_str(), static_cast<int32_t>(wParam));
            delete text;
            return true;
        case WM_SHELL_MESSAGE: {
            const std::string both = *text;
            delete text;
            ShowMessageNow(both.c_str(), both.c_str() + std::strlen(both.c_str()) + 1);
            return true;
        }
        case WM_SHELL_CALL:
            reinterpret_cast<Call>(wParam)(reinterpret_cast<void*>(lParam));
            return true;
        default:
            return false;
    }
}

}  // namespace quorbit
