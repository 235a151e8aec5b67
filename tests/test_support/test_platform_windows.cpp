#include "tests/test_support/test_platform.h"

#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

// Windows in its own terms: every name in UTF-16 (the tests' texts are UTF-8), processes
// made with CreateProcessW in a process group of their own, so that a console event can
// halt one of them alone.

namespace quorbit::testing {

namespace {

// The status a halted program ends with (Ctrl+Break, which the programs take as SIGQUIT:
// 128 + 3), and the one TerminateProcess gives here, as a POSIX shell shows SIGKILL's.
constexpr int HALTED_BY_BREAK = 131;
constexpr int KILLED = 137;

std::wstring Wide(const std::string& text) {
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(length > 0 ? static_cast<size_t>(length) : 1, L'\0');
    if (length > 0) ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

std::string Utf8(const std::wstring& wide) {
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(length > 0 ? static_cast<size_t>(length) : 1, '\0');
    if (length > 0) ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, text.data(), length, nullptr, nullptr);
    text.resize(text.size() - 1);
    return text;
}

// A path as the build names it: under Wine the build's POSIX paths (the programs the tests
// start) are on drive Z:.
std::wstring SystemPath(const std::string& path) {
    return !path.empty() && path[0] == '/' ? L"Z:" + Wide(path) : Wide(path);
}

DWORD Attributes(const std::string& path) { return ::GetFileAttributesW(SystemPath(path).c_str()); }

// One argument as CommandLineToArgvW and the C runtime read it back.
void AppendQuoted(std::wstring& line, const std::wstring& argument) {
    if (!line.empty()) line += L' ';
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    for (size_t i = 0;; ++i) {
        size_t backslashes = 0;
        while (i < argument.size() && argument[i] == L'\\') {
            ++i;
            ++backslashes;
        }
        if (i == argument.size()) {
            line.append(backslashes * 2, L'\\');
            break;
        }
        if (argument[i] == L'"') {
            line.append(backslashes * 2 + 1, L'\\');
        } else {
            line.append(backslashes, L'\\');
        }
        line += argument[i];
    }
    line += L'"';
}

HANDLE OutputFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const std::wstring name = path.empty() ? L"NUL" : SystemPath(path);
    return ::CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherited,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

FILE* OpenFile(const std::string& path, const char* mode) { return ::_wfopen(SystemPath(path).c_str(), Wide(mode).c_str()); }

uint64_t FileIdentity(const std::string& path) {
    HANDLE handle = ::CreateFileW(SystemPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(handle, &info);
    ::CloseHandle(handle);
    return known ? (static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow) + 1 : 0;
}

bool MakeFolder(const std::string& path) { return ::CreateDirectoryW(SystemPath(path).c_str(), nullptr) != 0; }

bool PathExists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool RemovePath(const std::string& path) {
    const std::wstring name = SystemPath(path);
    ::SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);  // one a test made read-only
    return IsFolder(path) ? ::RemoveDirectoryW(name.c_str()) != 0 : ::DeleteFileW(name.c_str()) != 0;
}

std::vector<std::string> FolderEntries(const std::string& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry;
    HANDLE search = ::FindFirstFileW((SystemPath(path) + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (std::wcscmp(entry.cFileName, L".") != 0 && std::wcscmp(entry.cFileName, L"..") != 0)
            names.push_back(Utf8(entry.cFileName));
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    return names;
}

void RemoveTree(const std::string& path) {
    if (!PathExists(path)) return;
    if (IsFolder(path))
        for (const std::string& name : FolderEntries(path)) RemoveTree(path + "/" + name);
    RemovePath(path);
}

std::string CurrentFolder() {
    wchar_t path[32768];
    const DWORD length = ::GetCurrentDirectoryW(32768, path);
    return length > 0 && length < 32768 ? Utf8(path) : "";
}

std::string NativePath(const std::string& path) {
    std::string native = path;
    for (char& c : native)
        if (c == '/') c = '\\';
    return native;
}

bool EnterFolder(const std::string& path) { return ::SetCurrentDirectoryW(SystemPath(path).c_str()) != 0; }

ScratchFolder::ScratchFolder(const char* stem) {
    // Under Wine, Linux's memory file system where it has one: the programs sync often.
    std::wstring base;
    const DWORD shm = ::GetFileAttributesW(L"Z:\\dev\\shm");
    if (shm != INVALID_FILE_ATTRIBUTES && (shm & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        base = L"Z:\\dev\\shm\\";
    } else {
        wchar_t temporary[MAX_PATH + 1];
        const DWORD length = ::GetTempPathW(MAX_PATH + 1, temporary);
        base = length > 0 ? temporary : L".\\";
    }
    for (unsigned attempt = 0;; ++attempt) {
        wchar_t leaf[64];
        std::swprintf(leaf, 64, L"-%lu-%u", ::GetCurrentProcessId(), (::GetTickCount() + attempt * 7919u) % 1000000u);
        const std::wstring candidate = base + Wide(stem) + leaf;
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = Utf8(candidate);
            return;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS || attempt > 1000) {
            std::fprintf(stderr, "cannot make a scratch folder in %s\n", Utf8(base).c_str());
            std::abort();
        }
    }
}

void SetEnvironment(const char* name, const char* value) {
    // Both the system's block (which programs started later inherit) and the C runtime's
    // copy (getenv).
    const std::wstring wideName = Wide(name);
    ::SetEnvironmentVariableW(wideName.c_str(), value != nullptr ? Wide(value).c_str() : nullptr);
    ::_wputenv_s(wideName.c_str(), value != nullptr ? Wide(value).c_str() : L"");
}

std::string Environment(const char* name) {
    wchar_t value[32768];
    const DWORD length = ::GetEnvironmentVariableW(Wide(name).c_str(), value, 32768);
    return length > 0 && length < 32768 ? Utf8(value) : "";
}

// Wine's files have no access lists to stop anyone: as root on Linux, nothing refuses.
bool RunningAsAdministrator() { return true; }

long ThisProcessId() { return static_cast<long>(::GetCurrentProcessId()); }

Process StartProcess(const ProcessSpec& spec) {
    std::wstring line;
    for (size_t i = 0; i < spec.argv.size(); ++i) AppendQuoted(line, i == 0 ? SystemPath(spec.argv[0]) : Wide(spec.argv[i]));
    // The environment: the test's own, each name the spec gives replaced.
    std::wstring block;
    wchar_t* own = ::GetEnvironmentStringsW();
    for (const wchar_t* e = own; *e != L'\0'; e += std::wcslen(e) + 1) {
        const std::wstring entry = e;
        const std::wstring name = entry.substr(0, entry.find(L'=', 1) + 1);
        bool replaced = false;
        for (const std::string& given : spec.environment) {
            const std::wstring wide = Wide(given);
            replaced = replaced || (wide.size() >= name.size() && ::_wcsnicmp(wide.c_str(), name.c_str(), name.size()) == 0);
        }
        if (!replaced) block += entry + L'\0';
    }
    ::FreeEnvironmentStringsW(own);
    for (const std::string& given : spec.environment) block += Wide(given) + L'\0';
    block += L'\0';

    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    start.hStdInput = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING,
                                    0, nullptr);
    start.hStdOutput = OutputFile(spec.out);
    start.hStdError = OutputFile(spec.err);
    PROCESS_INFORMATION made{};
    const std::wstring folder = SystemPath(spec.folder);
    const BOOL started = ::CreateProcessW(SystemPath(spec.argv.front()).c_str(), line.data(), nullptr, nullptr, TRUE,
                                          CREATE_UNICODE_ENVIRONMENT | CREATE_NEW_PROCESS_GROUP, block.data(),
                                          spec.folder.empty() ? nullptr : folder.c_str(), &start, &made);
    for (HANDLE h : {start.hStdInput, start.hStdOutput, start.hStdError})
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    if (!started) {
        ADD_FAILURE() << "cannot start " << spec.argv.front() << ": error " << ::GetLastError();
        return Process{};
    }
    ::CloseHandle(made.hThread);
    return Process{static_cast<long>(made.dwProcessId), reinterpret_cast<std::intptr_t>(made.hProcess)};
}

int WaitForExit(Process& process) {
    if (process.handle == 0) return -1;
    HANDLE handle = reinterpret_cast<HANDLE>(process.handle);
    ::WaitForSingleObject(handle, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(handle, &code);
    ::CloseHandle(handle);
    process.handle = 0;
    return static_cast<int>(code);
}

bool HasEnded(const Process& process) {
    return process.handle == 0 || ::WaitForSingleObject(reinterpret_cast<HANDLE>(process.handle), 0) == WAIT_OBJECT_0;
}

// Ctrl+Break to the program's own process group, as a user presses it in its console.
void HaltProcess(const Process& process) {
    if (process.handle != 0) ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(process.id));
}
void KillProcess(const Process& process) {
    if (process.handle != 0) ::TerminateProcess(reinterpret_cast<HANDLE>(process.handle), KILLED);
}
int KilledStatus() { return KILLED; }
bool HaltedStatus(int status) { return status == HALTED_BY_BREAK || status == static_cast<int>(STATUS_CONTROL_C_EXIT); }

std::string ConsoleText(const std::string& text) {
    std::string lines;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
    return lines;
}

}  // namespace quorbit::testing
