// window_probe.exe: what the tests of quorbit.exe read from its window and do to it as another
// program would, under Wine. One command per run, on the first window of the class "Quorbit
// Class"; exit status 1 when there is none.
//   title     the window's title
//   console   the console's lines (its window text), oldest first
//   state     "visible=V iconic=I foreground=F", each 0 or 1
//   front     the title of the foreground window, whichever program's it is
//   minimize  minimises the window as its minimise box does
//   close     closes it as its close box does
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

// The text another process's window gives through WM_GETTEXT.
std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return L"";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                        &copied);
    text.resize(copied);
    return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: window_probe title|console|state|front|minimize|close\n", stderr);
        return 2;
    }
    const std::wstring command = argv[1];
    if (command == L"front") {
        HWND front = GetForegroundWindow();
        std::printf("%s\n", front != nullptr ? Utf8(TextOf(front)).c_str() : "");
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    HWND window = FindWindowW(L"Quorbit Class", nullptr);
    if (window == nullptr) return 1;
    if (command == L"title") {
        std::printf("%s\n", Utf8(TextOf(window)).c_str());
    } else if (command == L"console") {
        HWND console = FindWindowExW(window, nullptr, L"Quorbit Console", nullptr);
        if (console == nullptr) return 1;
        std::string text = Utf8(TextOf(console));
        for (size_t at; (at = text.find('\r')) != std::string::npos;) text.erase(at, 1);
        std::printf("%s\n", text.c_str());
    } else if (command == L"state") {
        std::printf("visible=%d iconic=%d foreground=%d\n", IsWindowVisible(window) ? 1 : 0, IsIconic(window) ? 1 : 0,
                    GetForegroundWindow() == window ? 1 : 0);
    } else if (command == L"minimize") {
        PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (command == L"close") {
        PostMessageW(window, WM_CLOSE, 0, 0);
    } else {
        return 2;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
