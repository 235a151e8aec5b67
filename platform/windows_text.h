// What the Windows implementation of platform/ shares: the program's texts are UTF-8, and
// every call to Windows takes UTF-16 (its "W" functions), so that names in any script work;
// Windows's error codes become the errno values the rest of the program reports.
#pragma once

#include <cstddef>
#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace quorbit {

// UTF-8 to UTF-16 (invalid bytes become U+FFFD).
std::wstring Widen(const char* text);
// UTF-16 to UTF-8 into out; false, out empty, when it does not fit.
bool Narrow(const wchar_t* text, char* out, size_t size);
std::string Narrow(const wchar_t* text);

// The errno value closest to a Windows error code; EIO for the rest.
int ErrnoOfWindowsError(DWORD error);
// errno = ErrnoOfWindowsError(GetLastError()); returns false, for `return Failed();`.
bool Failed();
// The same after a file could not be opened: EISDIR when the name is a folder (Windows says
// only that access is denied), as POSIX says it.
bool FailedToOpen(const std::wstring& name);

// A handle in the int that stands for an open file elsewhere: Windows keeps the values of
// kernel handles within 32 bits, and INVALID_HANDLE_VALUE becomes -1.
inline HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd)); }
inline int FdOf(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE || handle == nullptr ? -1 : static_cast<int>(reinterpret_cast<intptr_t>(handle));
}

// Others may read, write, rename and delete a file while it is open, as on POSIX: a file
// one process reads never keeps another from replacing it.
inline constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace quorbit
