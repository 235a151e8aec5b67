#include "desktop-win32/tray_icon.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "desktop-win32/resource_ids.h"
#include "platform/windows_text.h"
#include "support/shell.h"

namespace quorbit {

namespace {

bool shown = false;
std::wstring shownTip;
int32_t shownState = 0;

}  // namespace

HICON KnightIcon(int32_t computationState, bool small) {
    static HICON icons[2][2];  // [running][small]
    const int running = computationState == 1 ? 1 : 0;
    HICON& icon = icons[running][small ? 1 : 0];
    if (icon == nullptr) {
        const HINSTANCE module = GetModuleHandleW(nullptr);
        const wchar_t* resource = MAKEINTRESOURCEW(running ? IDI_RUNNING : IDI_IDLE);
        // The size the system asks for at its scale, drawn from the nearest image.
        if (FAILED(LoadIconMetric(module, resource, small ? LIM_SMALL : LIM_LARGE, &icon))) icon = nullptr;
        if (icon == nullptr) icon = LoadIconW(module, resource);
    }
    return icon;
}

void UpdateTrayIcon(HWND window, DWORD action, const char* tip, int32_t computationState, bool enabled) {
    if (!enabled || window == nullptr) return;
    if (IsQuitting() && action != NIM_DELETE) return;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = 1;
    data.uFlags = action == NIM_ADD ? NIF_MESSAGE | NIF_ICON | NIF_TIP : action == NIM_MODIFY ? NIF_ICON | NIF_TIP : 0;
    data.uCallbackMessage = WM_TRAYICON;
    data.hIcon = KnightIcon(computationState, true);
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(data.hIcon));
    const std::wstring wide = Widen(tip);
    // The tip holds 63 characters, as it always has.
    std::wcsncpy(data.szTip, wide.c_str(), 63);
    data.szTip[63] = L'\0';
    if (action == NIM_DELETE) {
        if (shown) Shell_NotifyIconW(NIM_DELETE, &data);
        shown = false;
        return;
    }
    // A modification of an icon not shown adds it (the notification area lost it).
    const DWORD asked = action == NIM_MODIFY && !shown ? NIM_ADD : action;
    if (asked == NIM_ADD) data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    if (Shell_NotifyIconW(asked, &data) || asked == NIM_MODIFY) shown = true;
    shownTip = data.szTip;
    shownState = computationState;
}

bool TrayIconShown() { return shown; }

void RestoreTrayIcon(HWND window) {
    if (!shown) return;
    shown = false;
    UpdateTrayIcon(window, NIM_ADD, Narrow(shownTip.c_str()).c_str(), shownState, true);
}

}  // namespace quorbit
