#include "platform/process.h"

#include <cstdlib>
#include <cstring>

#include "platform/windows_text.h"

#include <shellapi.h>

namespace quorbit {

void KillThisProcess() {
    // The status a POSIX shell shows for a process ended by SIGKILL.
    ::TerminateProcess(::GetCurrentProcess(), 137);
    std::abort();  // not reached
}

void TakeUtf8Arguments(int& argc, char**& argv) {
    // The C runtime made argv in the ANSI code page, where a name in another script is
    // lost; the command line itself is UTF-16.
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr || count < 1) return;
    // Kept for the whole run, as argv is.
    char** utf8 = new char*[static_cast<size_t>(count) + 1];
    for (int i = 0; i < count; ++i) {
        const std::string text = Narrow(wide[i]);
        utf8[i] = new char[text.size() + 1];
        std::memcpy(utf8[i], text.c_str(), text.size() + 1);
    }
    utf8[count] = nullptr;
    ::LocalFree(wide);
    argc = count;
    argv = utf8;
}

}  // namespace quorbit
