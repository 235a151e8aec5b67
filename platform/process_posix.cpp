#include "platform/process.h"

#include <csignal>
#include <cstdlib>

namespace quorbit {

void KillThisProcess() {
    std::raise(SIGKILL);
    std::abort();  // not reached: SIGKILL cannot be caught
}

void TakeUtf8Arguments(int&, char**&) {}

}  // namespace quorbit
