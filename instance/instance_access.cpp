#include "instance/instance_access.h"

#include <cstdio>
#include <time.h>
#include <unistd.h>

#include "instance/instance_channel.h"

namespace quorbit {

namespace {

constexpr int PATIENCE_MS = 3000;

int MillisecondsSince(const timespec& start) {
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int>((now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000);
}

}  // namespace

InstanceReach ReachInstance(const char* command, const char* directory, const char* request, CommandInstance& instance,
                            char* reply, size_t replySize, int32_t* status) {
    std::snprintf(instance.directory, sizeof instance.directory, "%s", directory);
    FormatInstanceName(InstanceKey(directory), instance.name, sizeof instance.name);
    timespec start;
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        instance.result = AcquireInstanceLock(instance.name, directory, instance.lock);
        switch (instance.result.outcome) {
            case InstanceLockOutcome::Acquired:
                return InstanceReach::Locked;
            case InstanceLockOutcome::Failed:
                std::fprintf(stderr, "quorbit-cli %s: cannot lock %s: %s\n", command, directory, instance.result.error);
                return InstanceReach::Failed;
            case InstanceLockOutcome::HeldByOther:
                break;
        }
        *status = SendInstanceRequest(instance.lock.paths.socketPath, request, reply, replySize, 500);
        if (*status != REPLY_NO_INSTANCE) return InstanceReach::Answered;
        if (MillisecondsSince(start) >= PATIENCE_MS) return InstanceReach::Silent;
        ::usleep(50000);
    }
}

void DescribeHolder(const InstanceLockResult& result, char* out, size_t size) {
    if (result.holder > 0)
        std::snprintf(out, size, "process %ld", static_cast<long>(result.holder));
    else
        std::snprintf(out, size, "a process of another user or session");
}

int TakeDirectory(const char* command, const char* directory, const char* afterHolder, CommandInstance& instance) {
    char reply[INSTANCE_REPLY_MAX];
    int32_t answer = REPLY_NO_INSTANCE;
    const InstanceReach reach = ReachInstance(command, directory, "status", instance, reply, sizeof reply, &answer);
    if (reach == InstanceReach::Locked) return -1;
    if (reach == InstanceReach::Failed) return 1;
    char holder[64];
    DescribeHolder(instance.result, holder, sizeof holder);
    std::fprintf(stderr, "quorbit-cli %s: %s %s\n", command, holder, afterHolder);
    return EXIT_DIRECTORY_HELD;
}

}  // namespace quorbit
