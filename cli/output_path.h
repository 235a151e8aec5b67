// Files the console program writes by name: only regular files (or names not yet taken)
// are written. A device, a FIFO, a folder or a socket under the name is refused before
// anything is written, so that no command ever blocks on a FIFO or takes the place of a
// system's device (as root, replacing /dev/full would succeed).
#pragma once

#include <cstddef>

namespace quorbit {

// Empty (true) when `path`, followed through links, is missing or a regular file;
// otherwise false with e.g. "/dev/full is a character device, not a regular file" in why.
bool IsWritableFileName(const char* path, char* why, size_t size);

}  // namespace quorbit
