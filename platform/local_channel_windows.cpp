#include "platform/local_channel.h"

#include <aclapi.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <process.h>
#include <sddl.h>
#include <string>

#include "platform/windows_text.h"

// The channel is a named pipe ("\\.\pipe\NAME"). The pipe's access list lets only this user
// in, and its owner is this user, which a client checks before it sends anything, so that no
// other user's program can take requests by making the name first. A pipe cannot end one
// direction alone, as a socket's shutdown does: the answer is one message, which tells the
// client it is whole, and the server waits for the client to close before it disconnects.

namespace quorbit {

namespace {

constexpr size_t REQUEST_ROOM = LOCAL_CHANNEL_REQUEST_MAX + 2;

struct Server {
    HANDLE thread = nullptr;
    HANDLE stop = nullptr;       // manual-reset: set once, seen by every wait
    HANDLE firstPipe = INVALID_HANDLE_VALUE;
    bool running = false;
    LocalChannelService service{};
    std::wstring name;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    SECURITY_ATTRIBUTES attributes{};
    // The answers are given one at a time, as one server thread gives them on POSIX.
    std::mutex answerLock;
    std::atomic<int> connections{0};
};
Server server;

// This user's SID in its text form ("S-1-5-21-..."); empty when it cannot be had.
std::wstring UserSidText() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return std::wstring();
    alignas(8) unsigned char buffer[256];
    DWORD length = 0;
    std::wstring text;
    if (::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &length)) {
        wchar_t* sid = nullptr;
        if (::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid)) {
            text = sid;
            ::LocalFree(sid);
        }
    }
    ::CloseHandle(token);
    return text;
}

// True when the pipe's owner is this user.
bool OwnedByThisUser(HANDLE pipe) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(pipe, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                          &descriptor) != ERROR_SUCCESS)
        return false;
    bool same = false;
    wchar_t* text = nullptr;
    if (owner != nullptr && ::ConvertSidToStringSidW(owner, &text)) {
        same = UserSidText() == text;
        ::LocalFree(text);
    }
    ::LocalFree(descriptor);
    return same;
}

uint64_t NowMs() { return ::GetTickCount64(); }

DWORD Remaining(uint64_t deadline) {
    const uint64_t now = NowMs();
    return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

// One overlapped read or write on the pipe, waited for until the deadline or the server's
// stop. The count moved, or -1: the other side is gone (0 for a read at its end), the time
// is up, or the server stops.
long Transfer(HANDLE pipe, bool write, char* bytes, size_t length, uint64_t deadline, HANDLE stop) {
    OVERLAPPED io{};
    io.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (io.hEvent == nullptr) return -1;
    DWORD moved = 0;
    const DWORD want = static_cast<DWORD>(length);
    BOOL done = write ? ::WriteFile(pipe, bytes, want, &moved, &io) : ::ReadFile(pipe, bytes, want, &moved, &io);
    long result = -1;
    if (!done && ::GetLastError() == ERROR_IO_PENDING) {
        const HANDLE waits[2] = {io.hEvent, stop};
        const DWORD woke = ::WaitForMultipleObjects(stop != nullptr ? 2 : 1, waits, FALSE, Remaining(deadline));
        if (woke != WAIT_OBJECT_0) ::CancelIo(pipe);
        done = ::GetOverlappedResult(pipe, &io, &moved, TRUE);
        if (woke != WAIT_OBJECT_0) done = FALSE;
    }
    if (done) {
        result = static_cast<long>(moved);
    } else if (!write && ::GetLastError() == ERROR_BROKEN_PIPE) {
        result = 0;
    }
    ::CloseHandle(io.hEvent);
    return result;
}

bool WriteWhole(HANDLE pipe, const char* bytes, size_t length, uint64_t deadline, HANDLE stop) {
    while (length > 0) {
        const long sent = Transfer(pipe, true, const_cast<char*>(bytes), length, deadline, stop);
        if (sent <= 0) return false;
        bytes += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

// A read of a message in message mode: 1 with the message's last part (*whole), 1 with a
// part of a longer one, 0 at the end, -1 on a failure or when the time is up.
long ReadMessagePart(HANDLE pipe, char* bytes, size_t length, uint64_t deadline, DWORD* read, bool* whole) {
    OVERLAPPED io{};
    *read = 0;
    *whole = false;
    io.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (io.hEvent == nullptr) return -1;
    BOOL done = ::ReadFile(pipe, bytes, static_cast<DWORD>(length), read, &io);
    DWORD error = done ? 0 : ::GetLastError();
    if (!done && error == ERROR_IO_PENDING) {
        const bool inTime = ::WaitForSingleObject(io.hEvent, Remaining(deadline)) == WAIT_OBJECT_0;
        if (!inTime) ::CancelIo(pipe);
        done = ::GetOverlappedResult(pipe, &io, read, TRUE);
        error = done ? 0 : ::GetLastError();
        if (!inTime) {
            done = FALSE;
            error = ERROR_SEM_TIMEOUT;
        }
    }
    ::CloseHandle(io.hEvent);
    if (done) {
        *whole = true;
        return 1;
    }
    if (error == ERROR_MORE_DATA) return 1;
    return error == ERROR_BROKEN_PIPE ? 0 : -1;
}

// The client hung up: it no longer waits for an answer.
bool ClientGone(HANDLE pipe) {
    DWORD available = 0;
    return !::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && ::GetLastError() == ERROR_BROKEN_PIPE;
}

void Reply(HANDLE pipe, int32_t status, const char* text) {
    char out[LOCAL_CHANNEL_REPLY_MAX + 16];
    const size_t length = FrameLocalAnswer(status, text, out, sizeof out);
    const uint64_t deadline = NowMs() + LOCAL_CHANNEL_DEADLINE_MS;
    if (!WriteWhole(pipe, out, length, deadline, server.stop)) return;
    // The reply ends when the client has read it and closed its end: until then, whatever
    // else it sent (the rest of a request too long) is read and dropped.
    char sink[4096];
    while (Transfer(pipe, false, sink, sizeof sink, deadline, server.stop) > 0) {
    }
}

// Serves one client, from its connection to its close.
unsigned __stdcall Serve(void* argument) {
    HANDLE pipe = static_cast<HANDLE>(argument);
    char in[REQUEST_ROOM];
    size_t used = 0;
    const uint64_t deadline = NowMs() + LOCAL_CHANNEL_DEADLINE_MS;
    for (;;) {
        const long got = Transfer(pipe, false, in + used, sizeof in - used, deadline, server.stop);
        if (got <= 0) break;  // gone, too slow, or stopping before its line was whole: nothing is done
        used += static_cast<size_t>(got);
        char line[LOCAL_CHANNEL_REQUEST_MAX];
        char reply[LOCAL_CHANNEL_REPLY_MAX];
        int32_t status = 0;
        const LocalRequestFrame frame = server.service.frame(in, used, line, status, reply, sizeof reply);
        if (frame == LocalRequestFrame::Incomplete) continue;
        if (frame == LocalRequestFrame::Whole) {
            if (NowMs() > deadline || ClientGone(pipe)) break;
            std::lock_guard<std::mutex> hold(server.answerLock);
            status = server.service.answer(line, reply, sizeof reply, server.service.context);
        }
        Reply(pipe, status, reply);
        break;
    }
    ::DisconnectNamedPipe(pipe);
    ::CloseHandle(pipe);
    server.connections.fetch_sub(1);
    return 0;
}

HANDLE MakePipe(bool first) {
    return ::CreateNamedPipeW(server.name.c_str(),
                              PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
                              PIPE_TYPE_MESSAGE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                              LOCAL_CHANNEL_CONNECTIONS, 4096, 4096, 0, &server.attributes);
}

// Waits for clients, one pipe instance at a time, and gives each its own thread.
unsigned __stdcall Listen(void*) {
    HANDLE pipe = server.firstPipe;
    HANDLE connected = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (;;) {
        while (pipe == INVALID_HANDLE_VALUE) {
            // Every instance is serving a client: one will be free within the deadline.
            if (::WaitForSingleObject(server.stop, 20) == WAIT_OBJECT_0) break;
            pipe = MakePipe(false);
        }
        if (pipe == INVALID_HANDLE_VALUE) break;
        OVERLAPPED io{};
        ::ResetEvent(connected);
        io.hEvent = connected;
        bool ready = ::ConnectNamedPipe(pipe, &io) != 0;
        const DWORD error = ready ? 0 : ::GetLastError();
        ready = ready || error == ERROR_PIPE_CONNECTED;
        if (!ready && error == ERROR_IO_PENDING) {
            const HANDLE waits[2] = {connected, server.stop};
            if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
                ::CancelIo(pipe);
                DWORD ignored = 0;
                ::GetOverlappedResult(pipe, &io, &ignored, TRUE);
                ::CloseHandle(pipe);
                break;
            }
            DWORD ignored = 0;
            ready = ::GetOverlappedResult(pipe, &io, &ignored, FALSE) != 0;
        }
        if (!ready) {  // the client left at once: the instance serves the next one
            ::DisconnectNamedPipe(pipe);
            continue;
        }
        server.connections.fetch_add(1);
        const uintptr_t thread = ::_beginthreadex(nullptr, 0, &Serve, pipe, 0, nullptr);
        if (thread == 0) {
            server.connections.fetch_sub(1);
            ::DisconnectNamedPipe(pipe);
            ::CloseHandle(pipe);
        } else {
            ::CloseHandle(reinterpret_cast<HANDLE>(thread));
        }
        pipe = MakePipe(false);
    }
    ::CloseHandle(connected);
    return 0;
}

void ReleaseServer() {
    if (server.firstPipe != INVALID_HANDLE_VALUE) ::CloseHandle(server.firstPipe);
    server.firstPipe = INVALID_HANDLE_VALUE;
    if (server.stop != nullptr) ::CloseHandle(server.stop);
    server.stop = nullptr;
    if (server.descriptor != nullptr) ::LocalFree(server.descriptor);
    server.descriptor = nullptr;
}

}  // namespace

bool StartLocalChannelServer(const char* name, const LocalChannelService& service, char* error, size_t errorSize) {
    if (server.running) {
        std::snprintf(error, errorSize, "the instance server runs already");
        return false;
    }
    server.name = Widen(name);
    server.service = service;
    const std::wstring sid = UserSidText();
    // Owned by this user, and open to this user alone (no inherited entries).
    const std::wstring text = L"O:" + sid + L"D:P(A;;GA;;;" + sid + L")";
    if (sid.empty() ||
        !::ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, &server.descriptor, nullptr)) {
        std::snprintf(error, errorSize, "cannot make the access list of %s for this user", name);
        return false;
    }
    server.attributes = SECURITY_ATTRIBUTES{sizeof(SECURITY_ATTRIBUTES), server.descriptor, FALSE};
    server.stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // The first instance: no other program may have made the name before.
    server.firstPipe = MakePipe(true);
    if (server.stop == nullptr || server.firstPipe == INVALID_HANDLE_VALUE) {
        const DWORD cause = ::GetLastError();
        std::snprintf(error, errorSize, "cannot listen on %s: %s", name,
                      cause == ERROR_ACCESS_DENIED || cause == ERROR_PIPE_BUSY ? "another program has that name"
                                                                                : std::strerror(ErrnoOfWindowsError(cause)));
        ReleaseServer();
        return false;
    }
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, &Listen, nullptr, 0, nullptr);
    if (thread == 0) {
        std::snprintf(error, errorSize, "cannot start the instance server: %s", std::strerror(errno));
        ReleaseServer();
        return false;
    }
    server.thread = reinterpret_cast<HANDLE>(thread);
    server.running = true;
    return true;
}

void StopLocalChannelServer() {
    if (!server.running) return;
    ::SetEvent(server.stop);
    ::WaitForSingleObject(server.thread, INFINITE);
    ::CloseHandle(server.thread);
    server.thread = nullptr;
    server.firstPipe = INVALID_HANDLE_VALUE;  // the listener closed it
    // The clients' threads see the stop at their next wait.
    while (server.connections.load() > 0) ::Sleep(1);
    ReleaseServer();
    server.running = false;
}

bool SendOnLocalChannel(const char* name, const char* request, int retryMs, int timeoutMs, int32_t& status,
                        char* reply, size_t size) {
    const std::wstring wide = Widen(name);
    const uint64_t start = NowMs();
    HANDLE pipe;
    for (;;) {
        // Identification only: the server may learn who asks, never act as this user.
        pipe = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) break;
        const DWORD error = ::GetLastError();
        const uint64_t waited = NowMs() - start;
        if ((error != ERROR_FILE_NOT_FOUND && error != ERROR_PIPE_BUSY) || waited >= static_cast<uint64_t>(retryMs))
            return false;
        ::Sleep(20);
    }
    if (!OwnedByThisUser(pipe)) {
        ::CloseHandle(pipe);
        return false;
    }
    const uint64_t deadline = NowMs() + static_cast<uint64_t>(timeoutMs);
    char line[LOCAL_CHANNEL_REQUEST_MAX + 2];
    const size_t length = FrameLocalRequest(request, line, sizeof line);
    char answer[LOCAL_CHANNEL_REPLY_MAX + 32];
    size_t got = 0;
    DWORD mode = PIPE_READMODE_MESSAGE;
    bool received = length > 0 && ::SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr) &&
                    WriteWhole(pipe, line, length, deadline, nullptr);
    // The answer's message, read whole (a part that does not fit is dropped).
    bool whole = false;
    while (received && !whole && got + 1 < sizeof answer) {
        DWORD read = 0;
        const long status = ReadMessagePart(pipe, answer + got, sizeof answer - 1 - got, deadline, &read, &whole);
        if (status < 0) received = false;
        got += read;
        if (status <= 0) break;
    }
    received = received && whole;
    ::CloseHandle(pipe);
    answer[got] = '\0';
    return received && ReadLocalAnswer(answer, got, status, reply, size);
}

long LocalChannelServerProcess(const char* name) {
    HANDLE pipe = ::CreateFileW(Widen(name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) return 0;
    ULONG process = 0;
    if (!OwnedByThisUser(pipe) || !::GetNamedPipeServerProcessId(pipe, &process)) process = 0;
    ::CloseHandle(pipe);
    return static_cast<long>(process);
}

}  // namespace quorbit
