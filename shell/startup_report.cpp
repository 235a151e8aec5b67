#include "shell/startup_report.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <limits.h>

#include "platform/folders.h"
#include "shell/short_work.h"
#include "support/console.h"

namespace quorbit {

void ReportWorkingDirectory(const WorkingDirectoryReport& report) {
    char line[3 * PATH_MAX];
    const DefaultDirectoryResult& chosen = report.defaultDirectory;
    if (chosen.userData && chosen.error == 0) {
        // Short lines: the first of them is what a newcomer reads, in a window of any width.
        std::snprintf(line, sizeof line, "Working in %s%s.\n", chosen.dataDirectory, chosen.created ? ", made now" : "");
        ConsolePrint(line);
        if (chosen.created) {
            std::snprintf(line, sizeof line, "The program's own directory %s is not one it may write.\n",
                          chosen.programDirectory);
            ConsolePrint(line);
        }
    } else if (DescribeDefaultDirectory(chosen, line, sizeof line - 2)) {
        line[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(line[0])));
        std::strcat(line, ".\n");
        ConsolePrint(line);
    }
    char directory[PATH_MAX];
    const bool named = CurrentDirectory(directory, sizeof directory);
    if (report.failures > 0) {
        std::snprintf(line, sizeof line, "Can't enter the directory %s: %s\n", report.firstFailure,
                      std::strerror(report.firstError));
        ConsolePrint(line);
        // Where the queue and the results go instead, so that they are not looked for in vain.
        std::snprintf(line, sizeof line, "Working in %s instead.\n", named ? directory : "the directory before it");
        ConsolePrint(line);
    }
    if (report.tooLong) ConsolePrint("A directory option was too long and has been ignored.\n");
    if (report.missingDirectory) ConsolePrint("A directory option came without a directory.\n");
    if (named && !MayWriteIn(directory)) {
        std::snprintf(line, sizeof line,
                      "The directory %s can't be written: the queue, the settings and the results stay in "
                      "memory only.\n",
                      directory);
        ConsolePrint(line);
    }
}

void SayShortWork() {
    ShortWork work{};
    char line[256];
    if (!InstallShortWork(work)) {
        std::snprintf(line, sizeof line,
                      "%s must be a positive whole number of nodes, %s a number of moves from 2 to 33: both are "
                      "ignored.\n",
                      UNIT_NODE_LIMIT_VARIABLE, UNIT_PREFIX_MOVES_VARIABLE);
        ConsolePrint(line);
        return;
    }
    if (work.nodeLimit > 0) {
        std::snprintf(line, sizeof line, "%s is set: every unit stops after %llu nodes; results are not whole units'.\n",
                      UNIT_NODE_LIMIT_VARIABLE, static_cast<unsigned long long>(work.nodeLimit));
        ConsolePrint(line);
    }
    if (work.prefixMoves > 0) {
        std::snprintf(line, sizeof line,
                      "%s is set: every unit is searched below its first %d moves only; results are not whole "
                      "units'.\n",
                      UNIT_PREFIX_MOVES_VARIABLE, static_cast<int>(work.prefixMoves));
        ConsolePrint(line);
    }
}

}  // namespace quorbit
