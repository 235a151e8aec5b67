#include "platform/user_folders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits.h>
#include <sys/stat.h>

namespace quorbit {

bool UserFolder(const char* variable, const char* homeFallback, const char* leaf, char* out, size_t size) {
    const char* base = std::getenv(variable);
    int written;
    // The XDG rules: a relative value is invalid and is to be ignored.
    if (base != nullptr && base[0] == '/') {
        written = std::snprintf(out, size, "%s/%s", base, leaf);
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] != '/') return false;
        written = std::snprintf(out, size, "%s/%s/%s", home, homeFallback, leaf);
    }
    return written > 0 && static_cast<size_t>(written) < size;
}

bool UserDataFolder(const char* program, char* out, size_t size) {
    char leaf[64];
    size_t i = 0;
    for (; program[i] != '\0' && i + 1 < sizeof leaf; ++i)
        leaf[i] = program[i] >= 'A' && program[i] <= 'Z' ? static_cast<char>(program[i] - 'A' + 'a') : program[i];
    leaf[i] = '\0';
    return UserFolder("XDG_DATA_HOME", ".local/share", leaf, out, size);
}

const char* NoUserDataFolder() { return "neither XDG_DATA_HOME nor HOME names a data directory"; }

bool MakeFolder(const char* folder, unsigned mode, bool* created) {
    if (created != nullptr) *created = false;
    char path[PATH_MAX];
    if (std::strlen(folder) >= sizeof path) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::strcpy(path, folder);
    for (char* p = path + 1; *p != '\0'; ++p) {
        if (*p != '/') continue;
        *p = '\0';
        if (::mkdir(path, 0700) != 0 && errno != EEXIST) return false;
        *p = '/';
    }
    if (::mkdir(path, static_cast<mode_t>(mode)) == 0) {
        if (created != nullptr) *created = true;
    } else if (errno != EEXIST) {
        return false;
    }
    struct stat info;
    if (::stat(path, &info) != 0) return false;
    if (!S_ISDIR(info.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

}  // namespace quorbit
