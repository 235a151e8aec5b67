#include "desktop-win32/console_window.h"

#include <cstdint>
#include <cstring>

#include "desktop-win32/window_dpi.h"
#include "platform/windows_text.h"
#include "support/console.h"

namespace quorbit {

namespace {

// What the window shows: the store as it was at the last update. Paints draw this copy, not
// the store, so that the pixels a scroll moves always agree with what is painted beside them.
ConsoleSnapshot shown;
HFONT consoleFont = nullptr;
int lineHeight = 0;

int LineHeight(HWND console) {
    if (lineHeight == 0) {
        HDC dc = GetDC(console);
        const HGDIOBJ old = SelectObject(dc, consoleFont != nullptr ? consoleFont : GetStockObject(SYSTEM_FONT));
        TEXTMETRICW metrics;
        lineHeight = GetTextMetricsW(dc, &metrics) ? metrics.tmHeight : 16;
        SelectObject(dc, old);
        ReleaseDC(console, dc);
    }
    return lineHeight;
}

void Paint(HWND console) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(console, &paint);
    RECT client;
    GetClientRect(console, &client);
    const int height = LineHeight(console);
    const HGDIOBJ old = SelectObject(dc, consoleFont != nullptr ? consoleFont : GetStockObject(SYSTEM_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    int y = client.bottom;
    for (int n = 1; y > 0 && n < CONSOLE_SLOT_COUNT; ++n) {
        y -= height;
        if (y >= paint.rcPaint.bottom || y + height <= paint.rcPaint.top || shown.slots[n][0] == '\0') continue;
        const std::wstring line = Widen(shown.slots[n]);
        TextOutW(dc, 0, y, line.c_str(), static_cast<int>(line.size()));
    }
    SelectObject(dc, old);
    EndPaint(console, &paint);
}

LRESULT CALLBACK ConsoleProc(HWND console, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint(console);
            return 0;
        case WM_NCHITTEST:
            return HTTRANSPARENT;  // right clicks open the main window's popup menu
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(ConsoleText().size());
        case WM_GETTEXT: {
            if (wParam == 0) return 0;
            const std::wstring text = ConsoleText();
            const size_t copied = text.size() < wParam - 1 ? text.size() : wParam - 1;
            auto* out = reinterpret_cast<wchar_t*>(lParam);
            std::memcpy(out, text.c_str(), copied * sizeof(wchar_t));
            out[copied] = L'\0';
            return static_cast<LRESULT>(copied);
        }
        case WM_DESTROY:
            if (consoleFont != nullptr) DeleteObject(consoleFont);
            consoleFont = nullptr;
            return 0;
        default:
            return DefWindowProcW(console, message, wParam, lParam);
    }
}

}  // namespace

bool RegisterConsoleClass(HINSTANCE instance) {
    WNDCLASSW windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ConsoleProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = CONSOLE_WINDOW_CLASS;
    return RegisterClassW(&windowClass) != 0;
}

HWND CreateConsoleWindow(HWND parent, HINSTANCE instance) {
    HWND console = CreateWindowExW(0, CONSOLE_WINDOW_CLASS, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr,
                                   instance, nullptr);
    if (console != nullptr) UpdateConsoleFont(console);
    return console;
}

void UpdateConsoleWindow(HWND console) {
    static ConsoleSnapshot fresh;  // 12 KiB; the user-interface thread's only
    TakeConsoleSnapshot(fresh);
    // What is still to be painted is painted from the copy it was invalidated for.
    UpdateWindow(console);
    const uint64_t completed = fresh.completedTotal - shown.completedTotal;
    std::memcpy(&shown, &fresh, sizeof shown);
    RECT client;
    GetClientRect(console, &client);
    const int height = LineHeight(console);
    const int64_t moved = static_cast<int64_t>(completed) * height;
    if (moved >= client.bottom) {
        InvalidateRect(console, nullptr, TRUE);
    } else {
        if (moved > 0)
            ScrollWindowEx(console, 0, -static_cast<int>(moved), nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
        // The uncovered strip, and the line above it, which a progress line may have been
        // written over before it moved up.
        RECT changed = client;
        changed.top = client.bottom - static_cast<LONG>(moved) - height;
        InvalidateRect(console, &changed, TRUE);
    }
    UpdateWindow(console);
}

std::wstring ConsoleText() {
    static ConsoleSnapshot store;
    TakeConsoleSnapshot(store);
    int oldest = CONSOLE_SLOT_COUNT - 1;
    while (oldest > 0 && store.slots[oldest][0] == '\0') --oldest;
    std::string text;
    for (int n = oldest; n >= 1; --n) {
        text += store.slots[n];
        if (n > 1) text += "\r\n";
    }
    return Widen(text.c_str());
}

void UpdateConsoleFont(HWND console) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, WindowDpi(console))) return;
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    if (font == nullptr) return;
    if (consoleFont != nullptr) DeleteObject(consoleFont);
    consoleFont = font;
    lineHeight = 0;
    InvalidateRect(console, nullptr, TRUE);
}

}  // namespace quorbit
