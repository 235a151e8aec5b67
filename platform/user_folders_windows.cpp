#include "platform/user_folders.h"

#include <cerrno>
#include <cstdio>
#include <cwchar>

#include "platform/windows_text.h"

namespace quorbit {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// "C:\..." or "\\server\share\...".
bool IsAbsolute(const std::wstring& path) {
    return (path.size() >= 3 && path[1] == L':' && IsSeparator(path[2])) ||
           (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]));
}

std::wstring Variable(const wchar_t* name) {
    const DWORD length = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (length == 0) return std::wstring();
    std::wstring value(length, L'\0');
    const DWORD got = ::GetEnvironmentVariableW(name, value.data(), length);
    value.resize(got < length ? got : 0);
    return value;
}

bool Put(const std::wstring& path, char* out, size_t size) { return Narrow(path.c_str(), out, size); }

}  // namespace

bool UserFolder(const char* variable, const char* homeFallback, const char* leaf, char* out, size_t size) {
    std::wstring base = Variable(Widen(variable).c_str());
    if (!IsAbsolute(base)) {
        base = Variable(L"USERPROFILE");
        if (!IsAbsolute(base)) return false;
        base += L'\\';
        base += Widen(homeFallback);
    }
    return Put(base + L'\\' + Widen(leaf), out, size);
}

bool UserDataFolder(const char* program, char* out, size_t size) {
    const std::wstring base = Variable(L"LOCALAPPDATA");
    if (!IsAbsolute(base)) return false;
    return Put(base + L'\\' + Widen(program), out, size);
}

const char* NoUserDataFolder() { return "LOCALAPPDATA names no data directory"; }

bool MakeFolder(const char* folder, unsigned, bool* created) {
    if (created != nullptr) *created = false;
    const std::wstring path = Widen(folder);
    // The parents first, from the first separator after the root ("C:\" or "\\server\share\").
    size_t start = 0;
    if (path.size() >= 3 && path[1] == L':') {
        start = 3;
    } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        start = path.find_first_of(L"\\/", 2);
        start = start == std::wstring::npos ? path.size() : path.find_first_of(L"\\/", start + 1);
        if (start == std::wstring::npos) start = path.size();
    }
    for (size_t i = start; i < path.size(); ++i) {
        if (!IsSeparator(path[i]) || i == 0) continue;
        const std::wstring parent = path.substr(0, i);
        if (!::CreateDirectoryW(parent.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return Failed();
    }
    if (::CreateDirectoryW(path.c_str(), nullptr)) {
        if (created != nullptr) *created = true;
    } else if (::GetLastError() != ERROR_ALREADY_EXISTS) {
        return Failed();
    }
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Failed();
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

}  // namespace quorbit
