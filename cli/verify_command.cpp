#include "cli/verify_command.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <limits.h>
#include <string>

#include "cli/directory_options.h"
#include "cli/standard_output.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "results/results_verifier.h"
#include "support/results_file.h"

namespace quorbit {

namespace {

int RunVerify(int argc, char** argv);

}  // namespace

const Subcommand VERIFY_COMMAND = {
    "verify",
    "quorbit-cli verify [-w DIR] [FILE...]\n",
    "check the result files before trusting or publishing them",
    R"(
Reads every line of the result files (by default "SOLUTION.TXT" and "LOGSOL.TXT" of
the working directory) and checks that:
  - every solution line is exactly as the program writes it and holds a knight's
    tour of the torus (36 different squares, each a knight step from the one
    before) in which every file and every rank adds up to 111;
  - its start and end squares are a unit of the catalogue, or the image of one
    under a symmetry of the board, which is named;
  - every unit summary is followed by its node detail and agrees with it: the
    counters add up to the total nodes and, for a finished unit, move 1 is
    counted once and move 34 once per solution.
It then reports, per unit, how many distinct tours the files hold and the last
summary (a trial run's, marked "Trial run of ..." in the file, is reported as
such: it is not the unit's whole search), lists the tours that one file holds more
than once (after a unit was computed again, for instance), and names every invalid
line and every line that is not the program's (time stamps, the store's "More
than N lines" message, the console's lines and blank lines are the program's).

FILE       a file to check instead of the two above, named from the current
           directory.
-w, --directory DIR
           the working directory whose "SOLUTION.TXT" and "LOGSOL.TXT" are checked
           (by default the one run, add and status use: the program's own
           directory, or where it may not write there, the user's data directory).
-h, --help this text.

exit status: 0 every line valid, 1 an invalid line or one that is not the
program's (the first is named on standard error), a file that cannot be read, no
file to check, or output that could not be written; 2 bad arguments.
)",
    &RunVerify,
};

namespace {

constexpr size_t MAX_LINE = 4096;  // far past the longest line the program writes
constexpr size_t LISTED = 50;      // entries of each list printed before "... and N more"

std::string Where(const ResultsVerifier& v, LineRef at) {
    return v.fileNames[static_cast<size_t>(at.file)] + ":" + std::to_string(at.line);
}

// Feeds the file's lines to the verifier; false (with errno) when it cannot be read.
bool ReadResultsFile(ResultsVerifier& v, const char* path, const char* shownName) {
    const int fd = OpenToRead(path);
    if (fd < 0) return false;
    BeginResultsFile(v, shownName);
    std::string line;
    bool pending = false;  // bytes of a line not yet fed
    char chunk[65536];
    for (;;) {
        const long got = ReadSome(fd, chunk, sizeof chunk);
        if (got < 0) {
            const int error = errno;
            CloseAfterReading(fd);
            errno = error;
            return false;
        }
        if (got == 0) break;
        for (long i = 0; i < got; ++i) {
            if (chunk[i] == '\n') {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                VerifyResultLine(v, line.data(), line.size());
                line.clear();
                pending = false;
            } else {
                if (line.size() < MAX_LINE) line.push_back(chunk[i]);
                pending = true;
            }
        }
    }
    CloseAfterReading(fd);
    if (pending) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        VerifyResultLine(v, line.data(), line.size());
    }
    EndResultsFile(v);
    return true;
}

template <typename List, typename Print>
void PrintList(const char* title, const List& list, Print print) {
    if (list.empty()) return;
    PrintOut("%s\n", title);
    for (size_t i = 0; i < list.size() && i < LISTED; ++i) print(list[i]);
    if (list.size() > LISTED) PrintOut("  ... and %zu more\n", list.size() - LISTED);
}

void PrintReport(const ResultsVerifier& v) {
    for (size_t f = 0; f < v.files.size(); ++f) {
        const FileTally& t = v.files[f];
        PrintOut("%s: %d lines: %d solution lines, %d unit summaries, %d time stamps, %d other lines%s\n",
                 v.fileNames[f].c_str(), t.lines, t.solutions, t.summaries, t.stamps, t.other,
                 t.trials > 0 ? (", " + std::to_string(t.trials) + " trial marks").c_str() : "");
    }
    for (int u = 0; u < WORK_UNIT_COUNT; ++u) {
        const UnitTally& t = v.units[u];
        if (t.solutionLines == 0 && t.summaries == 0) continue;
        PrintOut("%s: %d distinct tours in %d solution lines; ", workUnits[u].name, t.distinctTours,
                 t.solutionLines);
        if (t.summaries == 0) {
            PrintOut("no summary\n");
            continue;
        }
        PrintOut("%s summary (%s): %d solutions in %" PRIu64 " total nodes%s\n",
                 t.summaryTrial ? "trial run's" : t.summaryPartial ? "partial" : "last", Where(v, t.summaryAt).c_str(),
                 t.summarySolutions, t.summaryNodes,
                 t.summaryTrial ? "; a trial run, not the unit's whole search"
                 : !t.summaryPartial && t.summarySolutions != t.distinctTours ? "; not the number of distinct tours"
                                                                              : "");
    }
    PrintList("Tours one file holds more than once:", v.repeats, [&](const ToursRepeated& r) {
        PrintOut("  %s repeats %s (%s)\n", Where(v, r.again).c_str(), Where(v, r.first).c_str(), workUnits[r.unit].name);
    });
    PrintList("Tours given as the image of a unit's tour:", v.orientations, [&](const VerifyFinding& f) {
        PrintOut("  %s: %s\n", Where(v, f.where).c_str(), f.text.c_str());
    });
    PrintList("Lines that are not the program's:", v.foreign, [&](const VerifyFinding& f) {
        PrintOut("  %s\n", Where(v, f.where).c_str());
    });
    PrintList("Invalid lines:", v.invalid, [&](const VerifyFinding& f) {
        PrintOut("  %s: %s\n", Where(v, f.where).c_str(), f.text.c_str());
    });
}

int RunVerify(int argc, char** argv) {
    CliOption options[] = {DIRECTORY_OPTION};
    int operandCount = 0;
    const int ended = ReadSubcommandArguments(VERIFY_COMMAND, argc, argv, options, 1, &operandCount);
    if (ended >= 0) return ended;

    ResultsVerifier verifier;
    bool unreadable = false;
    if (operandCount > 0) {
        for (int i = 0; i < operandCount; ++i) {
            if (ReadResultsFile(verifier, argv[i], argv[i])) continue;
            std::fprintf(stderr, "quorbit-cli verify: cannot read %s: %s\n", argv[i], std::strerror(errno));
            unreadable = true;
        }
    } else {
        // The same directory that run, add and status work in, so that a plain "verify"
        // checks what a plain "run" wrote.
        char directory[PATH_MAX];
        if (!EnterCommandDirectory("verify", options[0].value, directory, sizeof directory)) return 1;
        for (const char* name : {RESULTS_FILE, SOLUTION_LOG_FILE}) {
            const std::string path = std::string(directory) + FOLDER_SEPARATOR + name;
            if (ReadResultsFile(verifier, path.c_str(), path.c_str())) continue;
            if (errno == ENOENT) continue;  // a directory may hold one of the two
            std::fprintf(stderr, "quorbit-cli verify: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
            unreadable = true;
        }
        if (verifier.files.empty() && !unreadable) {
            std::fprintf(stderr, "quorbit-cli verify: no %s or %s in %s\n", RESULTS_FILE, SOLUTION_LOG_FILE,
                         directory);
            return 1;
        }
    }
    FinishVerification(verifier);
    PrintReport(verifier);
    if (verifier.invalid.empty() && verifier.foreign.empty())
        PrintOut("%s\n", unreadable ? "Every line read is valid, but not every file could be read."
                                    : "Every line is valid.");
    if (FinishOutput(VERIFY_COMMAND.name) != 0) return 1;
    if (!verifier.invalid.empty()) {
        const VerifyFinding& first = verifier.invalid.front();
        std::fprintf(stderr, "quorbit-cli verify: %zu invalid line%s; the first is %s: %s\n", verifier.invalid.size(),
                     verifier.invalid.size() == 1 ? "" : "s", Where(verifier, first.where).c_str(), first.text.c_str());
        return 1;
    }
    if (!verifier.foreign.empty()) {
        std::fprintf(stderr, "quorbit-cli verify: %zu line%s not the program's; the first is %s\n",
                     verifier.foreign.size(), verifier.foreign.size() == 1 ? " is" : "s are",
                     Where(verifier, verifier.foreign.front().where).c_str());
        return 1;
    }
    return unreadable ? 1 : 0;
}

}  // namespace

}  // namespace quorbit
