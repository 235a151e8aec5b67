#include "cli/directory_options.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits.h>
#include <unistd.h>

#include "app/working_directory.h"

namespace quorbit {

bool EnterCommandDirectory(const char* command, const char* given, char* directory, size_t size) {
    if (given == nullptr) {
        char path[PATH_MAX];
        if (!ExecutablePath(path, sizeof path) || !CutAfterLastSlash(path) || ::chdir(path) != 0) {
            std::fprintf(stderr, "quorbit-cli %s: cannot enter the program's own directory; give one with -w DIR\n",
                         command);
            return false;
        }
    } else if (given[0] == '\0' || ::chdir(given) != 0) {
        char quoted[PATH_MAX + 16];
        QuoteArgument(given, quoted, sizeof quoted);
        std::fprintf(stderr, "quorbit-cli %s: cannot enter the directory %s: %s\n", command, quoted,
                     given[0] == '\0' ? "the name is empty" : std::strerror(errno));
        return false;
    }
    if (!CurrentDirectory(directory, size)) {
        std::fprintf(stderr, "quorbit-cli %s: cannot read the working directory's name: %s\n", command,
                     std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace quorbit
