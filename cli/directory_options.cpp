#include "cli/directory_options.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits.h>

#include "platform/folders.h"
#include "shell/default_directory.h"
#include "shell/working_directory.h"

namespace quorbit {

bool EnterCommandDirectory(const char* command, const char* given, char* directory, size_t size) {
    if (given == nullptr) {
        char path[PATH_MAX];
        DefaultDirectoryResult chosen{};
        if (ExecutablePath(path, sizeof path) && CutAfterLastSlash(path)) chosen = EnterDefaultDirectory(path);
        char note[3 * PATH_MAX];
        const bool noted = DescribeDefaultDirectory(chosen, note, sizeof note);
        if (chosen.error != 0 || !chosen.entered) {
            // Never the program's own directory where it may not write: better no work than
            // files where they do not belong.
            std::fprintf(stderr, "quorbit-cli %s: %s; give a directory with -w DIR\n", command,
                         noted ? note : "cannot enter the program's own directory");
            return false;
        }
        // Said once, when the data directory is made: every command works there afterwards.
        if (noted && DefaultDirectoryWorthSaying(chosen)) std::fprintf(stderr, "quorbit-cli %s: %s\n", command, note);
    } else if (given[0] == '\0' || !EnterFolder(given)) {
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
