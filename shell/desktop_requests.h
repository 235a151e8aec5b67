// What a desktop program does for requests from a later start or from quorbit-cli, sent
// through the instance's channel: "show" brings the window to the front, "add" queues units
// and starts the computation as New would, "status" answers the Status box's text, "stop"
// halts. Each request arrives on the server's thread and is carried out on the window's.
#pragma once

#include "instance/instance_channel.h"

namespace quorbit {

// What the front-end provides.
struct DesktopRequestHooks {
    // Hands call(data) to the window's thread, to run there soon; false when it cannot.
    bool (*post)(void (*call)(void* data), void* data, void* context);
    // Brings the window to the front, on the window's thread.
    void (*show)(void* context);
    void* context;
};

// The operations for StartInstanceServer. Each runs on the server's thread, hands its work to
// the window's thread and waits for the answer; once the program is quitting it refuses
// instead, so that the shutdown never waits for a request nor a request for it. One set of
// hooks per process: a later call replaces them.
InstanceRequestOps DesktopInstanceRequests(const DesktopRequestHooks& hooks);

// Serves the instance's requests with ops once the lock is this process's (locked is
// Acquired or Failed). A lock that failed, or a server that cannot start, is said on the
// console; the program runs all the same, where quorbit-cli add, status and stop and a later
// start cannot reach it.
void ServeDesktopRequests(const InstanceLock& lock, const InstanceLockResult& locked, const InstanceRequestOps& ops);

}  // namespace quorbit
