// The console program's way into a working directory that an instance may hold: it takes
// the directory's instance lock itself, or reaches the instance that holds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits.h>

#include "instance/instance_key.h"
#include "instance/instance_lock.h"

namespace quorbit {

struct CommandInstance {
    char directory[PATH_MAX];
    char name[INSTANCE_NAME_SIZE];
    InstanceLock lock;
    InstanceLockResult result;
};

enum class InstanceReach {
    Locked,    // this process holds the directory now
    Answered,  // the holder answered the request: *status and reply hold its answer
    Silent,    // a holder that does not answer (after some seconds of trying)
    Failed,    // no lock can be made: the reason is printed
};

// Takes the lock of the current directory (already entered), or sends the request to the
// instance that holds it. A holder that does not answer may be another short command of
// ours or an instance still starting: the lock is tried again for a few seconds.
InstanceReach ReachInstance(const char* command, const char* directory, const char* request, CommandInstance& instance,
                            char* reply, size_t replySize, int32_t* status);

inline constexpr int EXIT_DIRECTORY_HELD = 3;

// Takes the directory's lock for a command that writes its files (run, merge). Returns -1
// once it is held; otherwise says why on standard error ("quorbit-cli COMMAND: process 1234
// computes in DIR" and `afterHolder`'s words) and returns the exit status: 1 when no lock
// can be made, EXIT_DIRECTORY_HELD when another instance holds it.
int TakeDirectory(const char* command, const char* directory, const char* afterHolder, CommandInstance& instance);

// "process 1234" or "a process of another user or session", for messages about the holder.
void DescribeHolder(const InstanceLockResult& result, char* out, size_t size);

}  // namespace quorbit
