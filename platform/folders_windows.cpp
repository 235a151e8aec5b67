#include "platform/folders.h"

#include <cerrno>
#include <cwchar>
#include <initializer_list>

#include "platform/windows_text.h"

namespace quorbit {

bool IsFolderSeparator(char c) { return c == '/' || c == '\\'; }

bool EnterFolder(const char* folder) { return ::SetCurrentDirectoryW(Widen(folder).c_str()) || Failed(); }

bool CurrentDirectory(char* out, size_t size) {
    if (size == 0) return false;
    out[0] = '\0';
    wchar_t wide[32768];
    DWORD length = 0;
    // The folder's own name as the file system has it, whatever spelling entered it: the
    // instance of a folder is found by its name, and "c:\q", "C:/Q\" and a short 8.3 name
    // are one folder.
    HANDLE folder = ::CreateFileW(L".", 0, SHARE_ALL, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder != INVALID_HANDLE_VALUE) {
        length = ::GetFinalPathNameByHandleW(folder, wide, 32768, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        ::CloseHandle(folder);
    }
    const wchar_t* name = wide;
    if (length > 0 && length < 32768) {
        // "\\?\C:\..." and "\\?\UNC\server\share\..." in the form every program shows.
        if (std::wcsncmp(wide, L"\\\\?\\UNC\\", 8) == 0) {
            wide[6] = L'\\';
            name = wide + 6;
        } else if (std::wcsncmp(wide, L"\\\\?\\", 4) == 0) {
            name = wide + 4;
        }
    } else {
        length = ::GetCurrentDirectoryW(32768, wide);
        if (length == 0 || length >= 32768) return Failed();
    }
    if (!Narrow(name, out, size)) {
        errno = ENAMETOOLONG;
        return false;
    }
    return true;
}

bool ExecutablePath(char* out, size_t size) {
    if (size == 0) return false;
    wchar_t wide[32768];
    const DWORD length = ::GetModuleFileNameW(nullptr, wide, 32768);
    if (length == 0 || length >= 32768 || !Narrow(wide, out, size)) {
        out[0] = '\0';
        errno = ENAMETOOLONG;
        return false;
    }
    return true;
}

bool MayWriteIn(const char* folder) {
    // Windows decides through the folder's access list (and, for Program Files, through
    // its redirection of unelevated writers): only making a file tells. The file goes
    // when its handle closes.
    std::wstring probe = Widen(folder);
    if (!probe.empty() && probe.back() != L'\\' && probe.back() != L'/') probe += L'\\';
    wchar_t leaf[64];
    std::swprintf(leaf, 64, L".quorbit-write-probe-%lu", ::GetCurrentProcessId());
    probe += leaf;
    HANDLE handle = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return Failed();
    ::CloseHandle(handle);
    return true;
}

bool InSystemProgramFolder(const char* folder) {
    const std::wstring path = Widen(folder);
    for (const wchar_t* variable : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432", L"SystemRoot"}) {
        wchar_t tree[MAX_PATH];
        const DWORD length = ::GetEnvironmentVariableW(variable, tree, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) continue;
        if (path.size() >= length && ::_wcsnicmp(path.c_str(), tree, length) == 0 &&
            (path.size() == length || path[length] == L'\\' || path[length] == L'/'))
            return true;
    }
    return false;
}

bool EntryExists(const char* path) { return ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace quorbit
