#include "cli/output_path.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace quorbit {

namespace {

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

}  // namespace

bool IsWritableFileName(const char* path, char* why, size_t size) {
    struct stat info;
    if (::stat(path, &info) != 0) {
        if (errno == ENOENT) return true;  // a new file (or a link to one) is made
        std::snprintf(why, size, "%s cannot be looked at: %s", path, std::strerror(errno));
        return false;
    }
    if (S_ISREG(info.st_mode)) return true;
    std::snprintf(why, size, "%s is %s, not a regular file", path, KindOf(info.st_mode));
    return false;
}

}  // namespace quorbit
