#include "shell/working_directory.h"

#include <cerrno>
#include <cstring>

#include "platform/folders.h"
#include "shell/startup_options.h"

namespace quorbit {

bool CutAfterLastSlash(char* path) {
    char* slash = nullptr;
    for (char* p = path; *p != '\0'; ++p)
        if (IsFolderSeparator(*p)) slash = p;
    if (slash == nullptr) return false;
    slash[1] = '\0';
    return true;
}

namespace {

void EnterOptionDirectory(const char* directory, void* context) {
    auto& report = *static_cast<WorkingDirectoryReport*>(context);
    if (EnterFolder(directory)) return;
    if (report.failures++ == 0) {
        std::strncpy(report.firstFailure, directory, sizeof report.firstFailure - 1);
        report.firstFailure[sizeof report.firstFailure - 1] = '\0';
        report.firstError = errno;
    }
}

void IgnoreDirectory(const char*, void*) {}

}  // namespace

void ChooseWorkingDirectory(int argc, const char* const* argv, bool withExecutableDirectory,
                            WorkingDirectoryReport& report, int* consumed, DirectoryUsable usable) {
    std::memset(&report, 0, sizeof report);
    char path[PATH_MAX];
    if (withExecutableDirectory && ExecutablePath(path, sizeof path) && CutAfterLastSlash(path)) {
        // A relative directory option is taken from the executable's directory, so that one
        // is entered whatever it holds; only where no option names a directory does the
        // choice of a default one matter.
        if (ParseStartupArguments(argc, argv, &IgnoreDirectory, nullptr).directoryOptions == 0) {
            report.defaultDirectory = EnterDefaultDirectory(path, usable);
            const DefaultDirectoryResult& chosen = report.defaultDirectory;
            report.executableDirectoryEntered = chosen.entered && (!chosen.userData || chosen.error != 0);
        } else {
            report.executableDirectoryEntered = EnterFolder(path);
        }
    }
    const StartupOptionsResult options = ParseStartupArguments(argc, argv, &EnterOptionDirectory, &report, consumed);
    report.tooLong = options.tooLong;
    report.missingDirectory = options.missingDirectory;
}

}  // namespace quorbit
