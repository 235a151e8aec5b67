#include "desktop-win32/first_instance.h"

#include "desktop-win32/main_window.h"

namespace quorbit {

namespace {

struct Search {
    uint32_t key;
    HWND found;
};

BOOL CALLBACK FindByKey(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    wchar_t className[32];
    // Only the program's own windows: any other may carry any user data.
    if (GetClassNameW(window, className, 32) == 0 || lstrcmpW(className, MAIN_WINDOW_CLASS) != 0) return TRUE;
    if (static_cast<uint32_t>(GetWindowLongPtrW(window, GWLP_USERDATA)) != search->key) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

bool BringInstanceToFront(uint32_t key) {
    Search search{key, nullptr};
    EnumWindows(FindByKey, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) return false;
    // Hidden, then minimised, then normal: Windows then lets the window come to the front
    // from wherever it was, the tray included.
    ShowWindow(search.found, SW_HIDE);
    ShowWindow(search.found, SW_SHOWMINIMIZED);
    ShowWindow(search.found, SW_SHOWNORMAL);
    SetForegroundWindow(search.found);
    return true;
}

void MarkInstanceWindow(HWND window, uint32_t key) {
    SetWindowLongPtrW(window, GWLP_USERDATA, static_cast<LONG_PTR>(key));
}

}  // namespace quorbit
