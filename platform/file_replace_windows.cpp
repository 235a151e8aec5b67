#include "platform/file_replace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/windows_text.h"

namespace quorbit {

// NTFS journals its directories: a file flushed and then moved with MOVEFILE_WRITE_THROUGH
// has its name on disk when the move returns, and there is no directory to sync.
bool SyncDirectoryOf(const char*) { return true; }

bool BeginReplacement(FileReplacement& r, const char* name) {
    ResetReplacement(r);
    if (std::snprintf(r.target, sizeof r.target, "%s", name) >= static_cast<int>(sizeof r.target) ||
        std::snprintf(r.temporary, sizeof r.temporary, "%s%s", r.target, REPLACEMENT_SUFFIX) >=
            static_cast<int>(sizeof r.temporary)) {
        FailReplacement(r, ENAMETOOLONG);
        return false;
    }
    const std::wstring temporary = Widen(r.temporary);
    // A stray temporary file from an earlier crash is removed rather than opened.
    ::DeleteFileW(temporary.c_str());
    HANDLE handle = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        FailedToOpen(temporary);
        FailReplacement(r, errno);
        return false;
    }
    r.fd = FdOf(handle);
    return true;
}

bool AppendLineToFile(const char* name, const char* bytes, size_t length, bool* openFailed) {
    if (openFailed != nullptr) *openFailed = false;
    const std::wstring wide = Widen(name);
    HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, SHARE_ALL, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        FailedToOpen(wide);
        if (openFailed != nullptr) *openFailed = true;
        return false;
    }
    const int fd = FdOf(handle);
    LARGE_INTEGER size{};
    const bool regular = ::GetFileType(handle) == FILE_TYPE_DISK;
    if (!::GetFileSizeEx(handle, &size)) size.QuadPart = 0;
    const int64_t oldSize = size.QuadPart;
    const char* lineEnd = "";
    if (oldSize > 0 && regular) {
        char last = '\n';
        if (ReadSomeAt(fd, &last, 1, static_cast<uint64_t>(oldSize - 1)) != 1) last = '\0';
        lineEnd = LineEndAfter(last);
    }
    // Written at the end as it is when the bytes go in, as O_APPEND does.
    LARGE_INTEGER end{};
    bool ok = !regular || ::SetFilePointerEx(handle, end, nullptr, FILE_END) || Failed();
    const size_t endLength = std::strlen(lineEnd);
    ok = ok && WriteAll(fd, lineEnd, endLength) && WriteAll(fd, bytes, length);
    if (ok && !::FlushFileBuffers(handle)) ok = Failed();
    int error = ok ? 0 : errno;
    if (!ok && regular) {
        // Whatever part went in is taken out again, so that the file holds whole lines only.
        LARGE_INTEGER now{};
        if (::GetFileSizeEx(handle, &now) && now.QuadPart > oldSize &&
            now.QuadPart <= oldSize + static_cast<int64_t>(endLength + length)) {
            LARGE_INTEGER back;
            back.QuadPart = oldSize;
            if (::SetFilePointerEx(handle, back, nullptr, FILE_BEGIN) && ::SetEndOfFile(handle))
                (void)::FlushFileBuffers(handle);
        }
    }
    if (!::CloseHandle(handle) && ok) {
        ok = Failed();
        error = errno;
    }
    errno = error;
    return ok;
}

}  // namespace quorbit
