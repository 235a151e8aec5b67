#include "desktop-win32/activation_hook.h"

namespace quorbit {

namespace {

HHOOK activationHook = nullptr;
HWND centringWindow = nullptr;

void CentreOverMainWindow(HWND window) {
    if (centringWindow == nullptr || window == centringWindow || !IsWindowVisible(centringWindow)) return;
    RECT over, own;
    if (!GetWindowRect(centringWindow, &over) || !GetWindowRect(window, &own)) return;
    const POINT at = CentredPosition(over, own);
    SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK ActivationHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && activationHook != nullptr) {
        CentreOverMainWindow(reinterpret_cast<HWND>(wParam));
        RemoveActivationHook();
    }
    return CallNextHookEx(activationHook, code, wParam, lParam);
}

}  // namespace

void SetCentringWindow(HWND window) { centringWindow = window; }

void InstallActivationHook() {
    if (activationHook == nullptr)
        activationHook = SetWindowsHookExW(WH_CBT, ActivationHookProc, nullptr, GetCurrentThreadId());
}

void RemoveActivationHook() {
    if (activationHook == nullptr) return;
    UnhookWindowsHookEx(activationHook);
    activationHook = nullptr;
}

POINT CentredPosition(const RECT& over, const RECT& window) {
    const long overWidth = over.right - over.left, overHeight = over.bottom - over.top;
    const long width = window.right - window.left, height = window.bottom - window.top;
    return {over.left + (overWidth - width) / 2, over.top + (overHeight - height) / 2};
}

}  // namespace quorbit
