// A local channel between processes of this user: a server on a named endpoint that reads
// one request line from each client, answers it and closes the connection, and the client's
// side. Clients of other users are turned away. What a request means is the caller's.
// On the wire an answer is its status as a decimal number, a line end, and the reply text.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorbit {

inline constexpr size_t LOCAL_CHANNEL_NAME_SIZE = 108;      // the endpoint's path, with its terminator
inline constexpr size_t LOCAL_CHANNEL_REQUEST_MAX = 1024;   // a request line, without its line end
inline constexpr size_t LOCAL_CHANNEL_REPLY_MAX = 8192;     // the reply text
// Clients served at once; when all places are taken, the one that has waited longest to
// send its request gives way.
inline constexpr int LOCAL_CHANNEL_CONNECTIONS = 32;
// A client has this long to send its request, and again to take the answer.
inline constexpr int LOCAL_CHANNEL_DEADLINE_MS = 2000;

enum class LocalRequestFrame {
    Incomplete,  // the request is not whole yet
    Whole,       // the request is whole: copied into line
    Refused,     // it can never be a request: status and reply say why
};

struct LocalChannelService {
    // Looks at the bytes a client sent so far; line holds LOCAL_CHANNEL_REQUEST_MAX bytes.
    LocalRequestFrame (*frame)(const char* bytes, size_t length, char* line, int32_t& status, char* reply,
                               size_t size);
    // Answers a whole request, called only while its client still waits for the answer.
    int32_t (*answer)(const char* line, char* reply, size_t size, void* context);
    void* context;
};

// Starts the server thread on the endpoint `name` (a stale endpoint left by a process that
// died is replaced: the caller holds the lock that makes the name its own). False, with the
// reason in error, when it cannot listen or start; one server at a time.
bool StartLocalChannelServer(const char* name, const LocalChannelService& service, char* error, size_t errorSize);
// Stops the server, waiting for its thread, and removes the endpoint. Safe when none runs.
void StopLocalChannelServer();

// Sends one request line (without its line end) to the endpoint, trying to connect for
// retryMs, and waits at most timeoutMs for the answer. False when no server answered.
bool SendOnLocalChannel(const char* name, const char* request, int retryMs, int timeoutMs, int32_t& status,
                        char* reply, size_t size);

// The process id of the server listening on the endpoint (it is connected to and left at
// once); 0 when none listens there or the system does not say.
long LocalChannelServerProcess(const char* name);

// The bytes on the wire, the same on every system (local_channel_wire.cpp), for the systems'
// files. The request line with its line end in out: its length, or 0 when it does not fit.
size_t FrameLocalRequest(const char* request, char* out, size_t size);
// The answer in out, cut to size - 1 bytes: its length.
size_t FrameLocalAnswer(int32_t status, const char* text, char* out, size_t size);
// The status and reply text of an answer read whole (length bytes, terminated); false when
// it is no answer.
bool ReadLocalAnswer(const char* answer, size_t length, int32_t& status, char* reply, size_t size);

}  // namespace quorbit
