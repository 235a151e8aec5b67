// The process itself.
#pragma once

namespace quorbit {

// Ends the process at once, as a power cut or an out-of-memory kill would: nothing is
// flushed, closed or unwound.
[[noreturn]] void KillThisProcess();

// Makes argv the program's arguments in UTF-8, as the rest of the program reads every text.
// On POSIX they are already the bytes the user gave; on Windows they are taken from the
// UTF-16 command line, so that names in any script arrive whole.
void TakeUtf8Arguments(int& argc, char**& argv);

}  // namespace quorbit
