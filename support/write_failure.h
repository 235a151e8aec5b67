// The first file of the user's that could not be written in this computation, and the
// system's reason. Any writer of user data (results file, solution log, queue, settings,
// checkpoint, merge output) records its failure here; the worker then halts, keeps its unit
// queued and ends saying why, and each front-end reports that one cause.
#pragma once

#include <cstddef>

namespace quorbit {

// Records that `file` could not be written for the system's `errorNumber` (an errno value),
// unless a failure is already recorded, and prints "Cannot write FILE: REASON\n" on the
// console the first time. Always returns false, so that a writer can end with
// `return NoteWriteFailure(name, errno);`. Callable from any thread.
bool NoteWriteFailure(const char* file, int errorNumber);

// True once a failure is recorded, until ClearWriteFailure.
bool WriteFailed();

// "Cannot write FILE: REASON" (no line end) for the recorded failure; empty when none.
void FormatWriteFailure(char* out, size_t size);

// Forgets the recorded failure: at the start of a computation, which tries every file again.
void ClearWriteFailure();

}  // namespace quorbit
