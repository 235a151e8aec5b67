// The instance's local socket: a later start, or `quorbit-cli add/status/stop/show`, asks
// the running instance of a directory to act. One request per connection, a line of text;
// the reply is a status line and the reply text, then the connection closes. The protocol
// is described in docs/instance.md.
#pragma once

#include <cstddef>
#include <cstdint>

#include "instance/instance_lock.h"
#include "platform/local_channel.h"

namespace quorbit {

// A request line holds fewer bytes than this before its line end (LF, or CR LF).
inline constexpr size_t INSTANCE_REQUEST_MAX = LOCAL_CHANNEL_REQUEST_MAX;
inline constexpr size_t INSTANCE_REPLY_MAX = LOCAL_CHANNEL_REPLY_MAX;  // the reply text

// Reply statuses.
inline constexpr int32_t REPLY_DONE = 0;
inline constexpr int32_t REPLY_REFUSED = 1;      // the request was understood and refused (bad unit, no window)
inline constexpr int32_t REPLY_BAD_REQUEST = 2;  // not a request this instance knows
inline constexpr int32_t REPLY_NO_INSTANCE = -1; // client side: no instance answered

// What the instance does for each request; each runs on the server's thread, writes its
// reply text (possibly nothing) into reply and returns a status. A null operation answers
// REPLY_BAD_REQUEST. The front-end hands work for its own thread over itself.
struct InstanceRequestOps {
    int32_t (*show)(char* reply, size_t size, void* context);
    // The words after "add", at least one.
    int32_t (*add)(const char* const* units, int32_t count, char* reply, size_t size, void* context);
    int32_t (*status)(char* reply, size_t size, void* context);
    int32_t (*stop)(char* reply, size_t size, void* context);
    void* context;
};

// Reads one request line ("show", "status", "stop", "add UNIT..."; words separated by
// blanks) and calls the matching operation. Plain text in, reply out: the server's core.
int32_t DispatchInstanceRequest(const char* line, const InstanceRequestOps& ops, char* reply, size_t size);

// The server's reading of the bytes a client has sent so far.
enum class RequestFrame {
    Incomplete,  // no line end yet, and still room for one
    Whole,       // one line, its line end removed: copied into line
    TooLong,     // INSTANCE_REQUEST_MAX bytes or more before the line end
    Malformed,   // a NUL byte within the line
};
// Frames the first line of bytes[0..length). line must hold INSTANCE_REQUEST_MAX bytes.
RequestFrame FrameInstanceRequest(const char* bytes, size_t length, char* line);

// The server's limits: connections served at once (a new one beyond them takes the place
// of the one that has waited longest for its request), and the time a connection has to
// deliver its request line, then again to take its reply.
inline constexpr int INSTANCE_SERVER_CONNECTIONS = LOCAL_CHANNEL_CONNECTIONS;
inline constexpr int INSTANCE_SERVER_DEADLINE_MS = LOCAL_CHANNEL_DEADLINE_MS;

// Listens on the lock's socket (a stale socket left by a dead instance is replaced) and
// serves requests on a thread of its own until StopInstanceServer. Only processes of this
// user may connect. Connections are served side by side, so a slow or idle client never
// holds up another; a request is carried out only when its whole line arrived within the
// deadline and its client is still connected. One server per process; false, with the
// reason, when it cannot start.
bool StartInstanceServer(const InstanceLock& lock, const InstanceRequestOps& ops, char* error, size_t errorSize);

// Stops serving, waits for the server's thread and removes the socket. Safe when not started.
void StopInstanceServer();

// Sends one request to the instance listening at socketPath and waits for its reply (at most
// timeoutMs for the whole exchange). Returns the reply status with its text in reply, or
// REPLY_NO_INSTANCE when nothing answers (retrying for up to retryMs while an instance that
// holds the lock is still starting to listen).
int32_t SendInstanceRequest(const char* socketPath, const char* request, char* reply, size_t size, int retryMs = 2000,
                            int timeoutMs = 10000);

}  // namespace quorbit
