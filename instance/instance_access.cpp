#include "instance/instance_access.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "instance/instance_channel.h"
#include "platform/ticks.h"

namespace quorbit {

namespace {

constexpr uint32_t PATIENCE_MS = 3000;

}  // namespace

InstanceReach ReachInstance(const char* command, const char* directory, const char* request, CommandInstance& instance,
                            char* reply, size_t replySize, int32_t* status) {
    std::snprintf(instance.directory, sizeof instance.directory, "%s", directory);
    FormatInstanceName(InstanceKey(directory), instance.name, sizeof instance.name);
    const uint32_t start = TickCount();
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
        if (TickCount() - start >= PATIENCE_MS) return InstanceReach::Silent;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
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
