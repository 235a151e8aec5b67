#include "platform/files.h"

#include <cerrno>

#include "platform/file_replace.h"
#include "platform/windows_text.h"

namespace quorbit {

namespace {

// Every file is opened in binary: nothing between the program and the disk turns its LF
// into CR LF (the lines it writes end in CR LF already) or reads a 0x1A as the end.
HANDLE Open(const char* name, DWORD access, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    const std::wstring wide = Widen(name);
    HANDLE handle = ::CreateFileW(wide.c_str(), access, SHARE_ALL, nullptr, disposition, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) FailedToOpen(wide);
    return handle;
}

bool IsFolder(const char* name) {
    const DWORD attributes = ::GetFileAttributesW(Widen(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void CloseKeepingErrno(HANDLE handle) {
    const int error = errno;
    ::CloseHandle(handle);
    errno = error;
}

}  // namespace

int OpenToRead(const char* name) { return FdOf(Open(name, GENERIC_READ, OPEN_EXISTING)); }

// Windows has no FIFOs to wait on: a named pipe is opened at once or not at all.
int OpenToReadAtOnce(const char* name) { return OpenToRead(name); }

long ReadSome(int fd, char* buffer, size_t size) {
    DWORD got = 0;
    const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    if (::ReadFile(HandleOf(fd), buffer, want, &got, nullptr)) return static_cast<long>(got);
    const DWORD error = ::GetLastError();
    if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;
    errno = ErrnoOfWindowsError(error);
    return -1;
}

long ReadSomeAt(int fd, char* buffer, size_t size, uint64_t offset) {
    // A read at an offset moves the file's position on Windows: it is put back, so that
    // this reads "wherever reading stands" as pread does.
    HANDLE handle = HandleOf(fd);
    LARGE_INTEGER zero{}, position{};
    const bool known = ::SetFilePointerEx(handle, zero, &position, FILE_CURRENT);
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    const bool read = ::ReadFile(handle, buffer, want, &got, &at);
    const DWORD error = read ? 0 : ::GetLastError();
    if (known) ::SetFilePointerEx(handle, position, nullptr, FILE_BEGIN);
    if (read || error == ERROR_HANDLE_EOF) return static_cast<long>(got);
    errno = ErrnoOfWindowsError(error);
    return -1;
}

bool OpenFileIsRegular(int fd, bool& regular) {
    HANDLE handle = HandleOf(fd);
    const DWORD type = ::GetFileType(handle);
    if (type == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR) return Failed();
    BY_HANDLE_FILE_INFORMATION info{};
    regular = type == FILE_TYPE_DISK && ::GetFileInformationByHandle(handle, &info) &&
              (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    return true;
}

void CloseAfterReading(int fd) { ::CloseHandle(HandleOf(fd)); }

int OpenToWriteAfter(const char* name, uint64_t keepBytes) {
    HANDLE handle = Open(name, GENERIC_WRITE, keepBytes == 0 ? CREATE_ALWAYS : OPEN_ALWAYS);
    if (handle == INVALID_HANDLE_VALUE || keepBytes == 0) return FdOf(handle);
    LARGE_INTEGER keep;
    keep.QuadPart = static_cast<LONGLONG>(keepBytes);
    if (!::SetFilePointerEx(handle, keep, nullptr, FILE_BEGIN) || !::SetEndOfFile(handle)) {
        Failed();
        CloseKeepingErrno(handle);
        return -1;
    }
    return FdOf(handle);
}

bool WriteAll(int fd, const char* bytes, size_t length) {
    while (length > 0) {
        DWORD written = 0;
        const DWORD step = length > 0x40000000u ? 0x40000000u : static_cast<DWORD>(length);
        if (!::WriteFile(HandleOf(fd), bytes, step, &written, nullptr)) return Failed();
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes += written;
        length -= written;
    }
    return true;
}

bool SyncFileData(int fd) { return ::FlushFileBuffers(HandleOf(fd)) || Failed(); }

// FlushFileBuffers puts a file's size and attributes on disk with its data.
bool SyncWholeFile(int fd) { return SyncFileData(fd); }

bool CloseWritten(int fd) { return ::CloseHandle(HandleOf(fd)) || Failed(); }

bool ReadWholeFile(const char* name, std::vector<uint8_t>& bytes, bool& exists, bool& regular) {
    exists = false;
    regular = true;
    if (IsFolder(name)) {
        // As read(2) answers for a folder.
        exists = true;
        errno = EISDIR;
        return false;
    }
    HANDLE handle = Open(name, GENERIC_READ, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) return errno == ENOENT;
    exists = true;
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        regular = false;
        return true;
    }
    uint8_t buffer[65536];
    long got;
    while ((got = ReadSome(FdOf(handle), reinterpret_cast<char*>(buffer), sizeof buffer)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    CloseKeepingErrno(handle);
    return got == 0;
}

bool ReadFileFrom(const char* name, uint64_t offset, std::string& text) {
    HANDLE handle = Open(name, GENERIC_READ, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER start;
    start.QuadPart = static_cast<LONGLONG>(offset);
    if (::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN)) {
        char buffer[65536];
        long got;
        while ((got = ReadSome(FdOf(handle), buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(got));
    }
    ::CloseHandle(handle);
    return true;
}

bool AppendAndSync(const char* name, const char* bytes, size_t length) {
    HANDLE handle = Open(name, FILE_APPEND_DATA | SYNCHRONIZE, OPEN_ALWAYS);
    if (handle == INVALID_HANDLE_VALUE) return false;
    if (!WriteAll(FdOf(handle), bytes, length) || !(::FlushFileBuffers(handle) || Failed())) {
        CloseKeepingErrno(handle);
        return false;
    }
    return ::CloseHandle(handle) || Failed();
}

bool SyncNamedFile(const char* name) {
    // FlushFileBuffers needs a handle that may write.
    HANDLE handle = Open(name, GENERIC_WRITE, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool synced = ::FlushFileBuffers(handle) || Failed();
    CloseKeepingErrno(handle);
    return synced;
}

bool FileSize(const char* name, uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Widen(name).c_str(), GetFileExInfoStandard, &data)) return Failed();
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

bool RemoveFile(const char* name) { return ::DeleteFileW(Widen(name).c_str()) || Failed(); }

bool RenameWithoutReplacing(const char* from, const char* to) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists.
    return ::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_WRITE_THROUGH) || Failed();
}

bool RenameReplacing(const char* from, const char* to) {
    // The C runtime's rename refuses an existing target: the old file is replaced here in
    // one step, and the move reaches the disk before it returns.
    return ::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
           Failed();
}

bool KindOfPath(const char* path, PathKind& kind) {
    const std::wstring wide = Widen(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        kind = PathKind::Missing;
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
        errno = ErrnoOfWindowsError(error);
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        kind = PathKind::Folder;
        return true;
    }
    // Devices (NUL, CON) and pipes have attributes too: their type tells them apart.
    kind = PathKind::Regular;
    HANDLE handle = ::CreateFileW(wide.c_str(), 0, SHARE_ALL, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        switch (::GetFileType(handle)) {
            case FILE_TYPE_CHAR: kind = PathKind::CharacterDevice; break;
            case FILE_TYPE_PIPE: kind = PathKind::Fifo; break;
            case FILE_TYPE_DISK: break;
            default: kind = PathKind::Other; break;
        }
        ::CloseHandle(handle);
    }
    return true;
}

}  // namespace quorbit
