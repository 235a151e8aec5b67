// The process itself.
#pragma once

namespace quorbit {

// Ends the process at once, as a power cut or an out-of-memory kill would: nothing is
// flushed, closed or unwound.
[[noreturn]] void KillThisProcess();

}  // namespace quorbit
