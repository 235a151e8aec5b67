#include "shell/program_version.h"

#ifndef QUORBIT_VERSION
#error "QUORBIT_VERSION comes from the build (shell/CMakeLists.txt)"
#endif

namespace quorbit {

const char* const PROGRAM_VERSION = QUORBIT_VERSION;

}  // namespace quorbit
