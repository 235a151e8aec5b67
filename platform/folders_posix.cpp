#include "platform/folders.h"

#include <cstring>
#include <initializer_list>
#include <sys/stat.h>
#include <unistd.h>

namespace quorbit {

bool IsFolderSeparator(char c) { return c == '/'; }

bool EnterFolder(const char* folder) { return ::chdir(folder) == 0; }

bool CurrentDirectory(char* out, size_t size) {
    if (size == 0) return false;
    if (::getcwd(out, size) == nullptr) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool ExecutablePath(char* out, size_t size) {
    if (size == 0) return false;
    const ssize_t length = ::readlink("/proc/self/exe", out, size - 1);
    if (length <= 0 || static_cast<size_t>(length) >= size - 1) {
        out[0] = '\0';
        return false;
    }
    out[length] = '\0';
    return true;
}

bool MayWriteIn(const char* folder) { return ::access(folder, W_OK) == 0; }

bool InSystemProgramFolder(const char* folder) {
    for (const char* tree : {"/usr", "/bin", "/sbin"}) {
        const size_t length = std::strlen(tree);
        if (std::strncmp(folder, tree, length) == 0 && (folder[length] == '/' || folder[length] == '\0')) return true;
    }
    return false;
}

bool EntryExists(const char* path) {
    struct stat info;
    return ::lstat(path, &info) == 0;
}

}  // namespace quorbit
