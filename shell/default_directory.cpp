#include "shell/default_directory.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits.h>

#include "platform/folders.h"
#include "platform/user_folders.h"

namespace quorbit {

namespace {

// PREFIX/bin with PREFIX/share/quorbit beside it: the installation made the second (the
// cluster drivers are in it), a build folder has no such neighbour.
bool InstalledBinFolder(const char* directory) {
    char path[PATH_MAX];
    const int length = std::snprintf(path, sizeof path, "%s", directory);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path) return false;
    size_t end = static_cast<size_t>(length);
    while (end > 1 && path[end - 1] == '/') path[--end] = '\0';
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr || std::strcmp(slash + 1, "bin") != 0) return false;
    char data[PATH_MAX + 32];
    std::snprintf(data, sizeof data, "%.*s/share/quorbit", static_cast<int>(slash - path), path);
    return EntryExists(data);
}

}  // namespace

bool ProgramDirectoryUsable(const char* directory) {
    return !InSystemProgramFolder(directory) && !InstalledBinFolder(directory) && MayWriteIn(directory);
}

bool UserDataDirectory(char* out, size_t size) { return UserDataFolder("Quorbit", out, size); }

DefaultDirectoryResult EnterDefaultDirectory(const char* programDirectory, DirectoryUsable usable) {
    DefaultDirectoryResult result{};
    std::snprintf(result.programDirectory, sizeof result.programDirectory, "%s", programDirectory);
    if (usable(programDirectory)) {
        result.entered = EnterFolder(programDirectory);
        return result;
    }
    result.userData = true;
    if (!UserDataDirectory(result.dataDirectory, sizeof result.dataDirectory)) {
        result.dataDirectory[0] = '\0';
        result.error = ENOENT;
    } else if (!MakeFolder(result.dataDirectory, 0700, &result.created) || !EnterFolder(result.dataDirectory)) {
        result.error = errno;
    }
    if (result.error == 0) {
        result.entered = true;
        return result;
    }
    result.entered = EnterFolder(programDirectory);
    return result;
}

bool DefaultDirectoryWorthSaying(const DefaultDirectoryResult& result) {
    return result.userData && (result.created || result.error != 0);
}

bool DescribeDefaultDirectory(const DefaultDirectoryResult& result, char* out, size_t size) {
    const char* programDirectory = result.programDirectory;
    if (size > 0) out[0] = '\0';
    if (!result.userData) return false;
    if (result.error == 0) {
        std::snprintf(out, size, "working in %s%s: the program's own directory %s is not one it may write",
                      result.dataDirectory, result.created ? ", made now" : "", programDirectory);
    } else if (result.dataDirectory[0] == '\0') {
        std::snprintf(out, size, "the program's own directory %s is not one it may write, and %s", programDirectory,
                      NoUserDataFolder());
    } else {
        std::snprintf(out, size, "the program's own directory %s is not one it may write, and %s cannot be used: %s",
                      programDirectory, result.dataDirectory, std::strerror(result.error));
    }
    return true;
}

}  // namespace quorbit
