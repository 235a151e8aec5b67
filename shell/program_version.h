// The release's version number, set once in the build (the CMake project's version) for
// both programs and the package. The window title's "Quorbit 1.2a" is the program's own
// fixed text and does not follow it.
#pragma once

namespace quorbit {

extern const char* const PROGRAM_VERSION;

}  // namespace quorbit
