// Standard output of the console program, where a command's results go. Every write is
// checked and the first failure is kept with its cause, so that a full disk, a closed
// stream or a reader that went away ends the command with a message and exit status 1
// instead of results silently lost.
#pragma once

namespace quorbit {

// Call first thing in main. A broken pipe then fails a write (EPIPE) instead of killing the
// process; standard streams that were closed are opened on /dev/null so that no file the
// program opens takes their numbers, and a closed standard output counts as failed.
void PrepareStandardStreams();

// Write to standard output; false once any write (this or an earlier one) has failed.
bool WriteOut(const char* text);
bool PrintOut(const char* format, ...) __attribute__((format(printf, 1, 2)));
bool FlushOut();  // also false after an earlier failure

bool OutputFailed();

// Says on standard error why standard output failed: "quorbit-cli COMMAND: cannot write
// standard output: CAUSE" (the program's name alone when command is null).
void ReportOutputFailure(const char* command);

// Flushes standard output; returns 0 when everything reached it, else reports the failure
// and returns 1. The last step of every command that writes to standard output.
int FinishOutput(const char* command);

}  // namespace quorbit
