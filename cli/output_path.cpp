#include "cli/output_path.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/files.h"

namespace quorbit {

namespace {

const char* KindOf(PathKind kind) {
    switch (kind) {
        case PathKind::Folder: return "a folder";
        case PathKind::CharacterDevice: return "a character device";
        case PathKind::BlockDevice: return "a block device";
        case PathKind::Fifo: return "a FIFO";
        case PathKind::Socket: return "a socket";
        default: return "not a regular file";
    }
}

}  // namespace

bool IsWritableFileName(const char* path, char* why, size_t size) {
    PathKind kind;
    if (!KindOfPath(path, kind)) {
        std::snprintf(why, size, "%s cannot be looked at: %s", path, std::strerror(errno));
        return false;
    }
    // A missing name: a new file (or one a link points to) is made.
    if (kind == PathKind::Missing || kind == PathKind::Regular) return true;
    std::snprintf(why, size, "%s is %s, not a regular file", path, KindOf(kind));
    return false;
}

}  // namespace quorbit
