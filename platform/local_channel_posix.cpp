#include "platform/local_channel.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include "platform/files.h"

namespace quorbit {

namespace {

static_assert(sizeof(sockaddr_un::sun_path) == LOCAL_CHANNEL_NAME_SIZE);

// Room for the longest request accepted, its CR LF, and one byte more to see it is too long.
constexpr size_t REQUEST_ROOM = LOCAL_CHANNEL_REQUEST_MAX + 2;

// One client's connection, from its acceptance to its close.
struct Connection {
    enum State { Free, Reading, Writing, Draining } state = Free;
    int fd = -1;
    int64_t accepted = 0;  // monotonic milliseconds: the oldest reader gives way first
    int64_t deadline = 0;
    char in[REQUEST_ROOM];
    size_t inUsed = 0;
    char out[LOCAL_CHANNEL_REPLY_MAX + 16];
    size_t outUsed = 0;
    size_t outSent = 0;
};

struct Server {
    int listenFd = -1;
    int wake[2] = {-1, -1};
    pthread_t thread{};
    bool running = false;
    LocalChannelService service{};
    char name[LOCAL_CHANNEL_NAME_SIZE] = {};
    Connection connections[LOCAL_CHANNEL_CONNECTIONS];
};
Server server;  // touched only by Start/StopLocalChannelServer (one thread) and the server thread

int64_t NowMs() {
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void SetTimeouts(int fd, int milliseconds) {
    timeval limit{milliseconds / 1000, (milliseconds % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

bool FillAddress(sockaddr_un& address, const char* path) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (std::strlen(path) >= sizeof address.sun_path) return false;
    std::strcpy(address.sun_path, path);
    return true;
}

bool SendAll(int fd, const char* bytes, size_t length) {
    while (length > 0) {
        const ssize_t sent = ::send(fd, bytes, length, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        bytes += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

// Reads up to size-1 bytes until the peer closes or `stopAtLine` sees a line end; false on
// an error or a timeout. *length receives what was read (terminated).
bool ReceiveText(int fd, char* out, size_t size, bool stopAtLine, size_t* length, bool* overflow) {
    size_t used = 0;
    *overflow = false;
    for (;;) {
        if (used + 1 >= size) {
            *overflow = true;
            break;
        }
        const ssize_t got = ::recv(fd, out + used, size - 1 - used, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            out[used] = '\0';
            *length = used;
            return false;
        }
        if (got == 0) break;
        used += static_cast<size_t>(got);
        if (stopAtLine && std::memchr(out, '\n', used) != nullptr) break;
    }
    out[used] = '\0';
    *length = used;
    return true;
}

bool PeerIsThisUser(int fd) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == ::geteuid();
}

void Close(Connection& c) {
    if (c.fd >= 0) ::close(c.fd);
    c.fd = -1;
    c.state = Connection::Free;
}

// The client hung up (closed its socket, not merely ended its sending): it no longer waits
// for an answer, for instance because it gave up and told its user nothing was done.
bool ClientGone(int fd) {
    pollfd probe{fd, 0, 0};
    return ::poll(&probe, 1, 0) > 0 && (probe.revents & (POLLHUP | POLLERR)) != 0;
}

void StartReply(Connection& c, int32_t status, const char* text) {
    c.outUsed = FrameLocalAnswer(status, text, c.out, sizeof c.out);
    c.outSent = 0;
    c.state = Connection::Writing;
    c.deadline = NowMs() + LOCAL_CHANNEL_DEADLINE_MS;
}

// Reads what the client sent; once the request is whole (or cannot be), answers it.
void ReadRequest(Connection& c) {
    for (;;) {
        const ssize_t got = ::recv(c.fd, c.in + c.inUsed, sizeof c.in - c.inUsed, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (got <= 0) return Close(c);  // gone before its line was whole: nothing is done
        c.inUsed += static_cast<size_t>(got);
        char line[LOCAL_CHANNEL_REQUEST_MAX];
        char reply[LOCAL_CHANNEL_REPLY_MAX];
        int32_t status = 0;
        switch (server.service.frame(c.in, c.inUsed, line, status, reply, sizeof reply)) {
            case LocalRequestFrame::Incomplete:
                continue;
            case LocalRequestFrame::Refused:
                return StartReply(c, status, reply);
            case LocalRequestFrame::Whole: {
                if (NowMs() > c.deadline || ClientGone(c.fd)) return Close(c);
                status = server.service.answer(line, reply, sizeof reply, server.service.context);
                return StartReply(c, status, reply);
            }
        }
    }
}

void WriteReply(Connection& c) {
    while (c.outSent < c.outUsed) {
        const ssize_t sent = ::send(c.fd, c.out + c.outSent, c.outUsed - c.outSent, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (sent <= 0) return Close(c);
        c.outSent += static_cast<size_t>(sent);
    }
    // The reply ends with the end of our sending. What the client sent beyond its line (the
    // rest of a request too long) is read and dropped before the close: a socket closed with
    // unread bytes resets the connection, and the client would lose the reply.
    ::shutdown(c.fd, SHUT_WR);
    c.state = Connection::Draining;
    c.deadline = NowMs() + LOCAL_CHANNEL_DEADLINE_MS;
}

void Drain(Connection& c) {
    char sink[4096];
    for (;;) {
        const ssize_t got = ::recv(c.fd, sink, sizeof sink, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (got <= 0) return Close(c);
    }
}

// A free place for a new connection; when every place is taken, the reader that has waited
// longest for its request gives up its place (so idle connections cannot lock others out).
Connection* FreeConnection() {
    Connection* oldest = nullptr;
    for (Connection& c : server.connections) {
        if (c.state == Connection::Free) return &c;
        if (oldest == nullptr || (c.state == Connection::Reading) > (oldest->state == Connection::Reading) ||
            ((c.state == Connection::Reading) == (oldest->state == Connection::Reading) && c.accepted < oldest->accepted))
            oldest = &c;
    }
    Close(*oldest);
    return oldest;
}

void AcceptConnections() {
    for (;;) {
        const int fd = ::accept4(server.listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        if (!PeerIsThisUser(fd)) {
            ::close(fd);
            continue;
        }
        Connection& c = *FreeConnection();
        c.fd = fd;
        c.state = Connection::Reading;
        c.inUsed = 0;
        c.accepted = NowMs();
        c.deadline = c.accepted + LOCAL_CHANNEL_DEADLINE_MS;
    }
}

void* ServerLoop(void*) {
    constexpr int COUNT = LOCAL_CHANNEL_CONNECTIONS;
    for (;;) {
        pollfd watched[COUNT + 2] = {{server.listenFd, POLLIN, 0}, {server.wake[0], POLLIN, 0}};
        int64_t next = -1;
        const int64_t now = NowMs();
        for (int i = 0; i < COUNT; ++i) {
            Connection& c = server.connections[i];
            if (c.state != Connection::Free && now >= c.deadline) Close(c);  // too slow: dropped
            watched[i + 2] = {c.fd, static_cast<short>(c.state == Connection::Writing ? POLLOUT : POLLIN), 0};
            if (c.state != Connection::Free && (next < 0 || c.deadline < next)) next = c.deadline;
        }
        const int timeout = next < 0 ? -1 : static_cast<int>(std::max<int64_t>(next - now, 0) + 1);
        if (::poll(watched, COUNT + 2, timeout) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (watched[1].revents != 0) break;
        for (int i = 0; i < COUNT; ++i) {
            Connection& c = server.connections[i];
            if (c.state == Connection::Free || watched[i + 2].revents == 0) continue;
            if (c.state == Connection::Reading) ReadRequest(c);
            if (c.state == Connection::Writing) WriteReply(c);
            if (c.state == Connection::Draining) Drain(c);
        }
        if ((watched[0].revents & POLLIN) != 0) AcceptConnections();
    }
    for (Connection& c : server.connections) Close(c);
    return nullptr;
}

void CloseServerFds() {
    for (int* fd : {&server.listenFd, &server.wake[0], &server.wake[1]}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

int MillisecondsSince(const timespec& start) {
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int>((now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000);
}

}  // namespace

bool StartLocalChannelServer(const char* name, const LocalChannelService& service, char* error, size_t errorSize) {
    if (server.running) {
        std::snprintf(error, errorSize, "the instance server runs already");
        return false;
    }
    sockaddr_un address;
    if (!FillAddress(address, name)) {
        std::snprintf(error, errorSize, "the socket path is too long");
        return false;
    }
    std::snprintf(server.name, sizeof server.name, "%s", name);
    server.service = service;
    ::unlink(server.name);  // left by an instance that died: the lock is ours now
    server.listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (server.listenFd < 0 || ::bind(server.listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(server.listenFd, SOMAXCONN) != 0 || ::pipe2(server.wake, O_CLOEXEC) != 0) {
        std::snprintf(error, errorSize, "cannot listen on %s: %s", server.name, std::strerror(errno));
        CloseServerFds();
        return false;
    }
    const int failure = ::pthread_create(&server.thread, nullptr, &ServerLoop, nullptr);
    if (failure != 0) {
        std::snprintf(error, errorSize, "cannot start the instance server: %s", std::strerror(failure));
        CloseServerFds();
        ::unlink(server.name);
        return false;
    }
    server.running = true;
    return true;
}

void StopLocalChannelServer() {
    if (!server.running) return;
    const char byte = 0;
    WriteAll(server.wake[1], &byte, 1);
    ::pthread_join(server.thread, nullptr);
    ::unlink(server.name);
    CloseServerFds();
    server.running = false;
}

bool SendOnLocalChannel(const char* name, const char* request, int retryMs, int timeoutMs, int32_t& status,
                        char* reply, size_t size) {
    sockaddr_un address;
    if (!FillAddress(address, name)) return false;
    timespec start;
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    int fd;
    for (;;) {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) break;
        const int error = errno;
        ::close(fd);
        if ((error != ENOENT && error != ECONNREFUSED && error != EAGAIN) || MillisecondsSince(start) >= retryMs)
            return false;
        ::usleep(20000);
    }
    SetTimeouts(fd, timeoutMs);
    char line[LOCAL_CHANNEL_REQUEST_MAX + 2];
    const size_t length = FrameLocalRequest(request, line, sizeof line);
    char answer[LOCAL_CHANNEL_REPLY_MAX + 32];
    size_t got = 0;
    bool overflow = false;
    const bool sent = length > 0 && SendAll(fd, line, length);
    const bool received = sent && ReceiveText(fd, answer, sizeof answer, false, &got, &overflow);
    ::close(fd);
    return received && ReadLocalAnswer(answer, got, status, reply, size);
}

long LocalChannelServerProcess(const char* name) {
    sockaddr_un address;
    if (!FillAddress(address, name)) return 0;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    ucred peer{};
    socklen_t length = sizeof peer;
    const bool known = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0;
    ::close(fd);
    return known ? static_cast<long>(peer.pid) : 0;
}

}  // namespace quorbit
