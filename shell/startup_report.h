// What a desktop program says on its console as it starts: where it works and why, when that
// is not simply its own folder, and short work for a trial when the environment asks for it.
#pragma once

#include "shell/working_directory.h"

namespace quorbit {

// The data directory chosen or made in place of the program's own, a directory option that
// could not be entered (and where the program works instead), a directory option too long
// or without a directory, and a working directory that cannot be written.
void ReportWorkingDirectory(const WorkingDirectoryReport& report);

// Short work (shell/short_work.h) installed from the environment and said before anything is
// computed; a bad value is said and leaves the units whole.
void SayShortWork();

}  // namespace quorbit
