#include "instance/instance_channel.h"

#include <cstdio>
#include <cstring>

#include "platform/local_channel.h"

namespace quorbit {

namespace {

constexpr int MAX_REQUEST_WORDS = INSTANCE_REQUEST_MAX / 2;

int32_t Reply(char* reply, size_t size, int32_t status, const char* text) {
    std::snprintf(reply, size, "%s", text);
    return status;
}

InstanceRequestOps serverOps{};

LocalRequestFrame FrameForServer(const char* bytes, size_t length, char* line, int32_t& status, char* reply,
                                 size_t size) {
    switch (FrameInstanceRequest(bytes, length, line)) {
        case RequestFrame::Incomplete:
            return LocalRequestFrame::Incomplete;
        case RequestFrame::TooLong:
            status = Reply(reply, size, REPLY_BAD_REQUEST, "the request is too long\n");
            return LocalRequestFrame::Refused;
        case RequestFrame::Malformed:
            status = Reply(reply, size, REPLY_BAD_REQUEST, "the request holds a NUL byte\n");
            return LocalRequestFrame::Refused;
        case RequestFrame::Whole:
            break;
    }
    return LocalRequestFrame::Whole;
}

int32_t AnswerForServer(const char* line, char* reply, size_t size, void*) {
    return DispatchInstanceRequest(line, serverOps, reply, size);
}

}  // namespace

RequestFrame FrameInstanceRequest(const char* bytes, size_t length, char* line) {
    const char* end = static_cast<const char*>(std::memchr(bytes, '\n', length));
    size_t text = end != nullptr ? static_cast<size_t>(end - bytes) : length;
    if (end == nullptr) return length > INSTANCE_REQUEST_MAX ? RequestFrame::TooLong : RequestFrame::Incomplete;
    if (text > 0 && bytes[text - 1] == '\r') --text;
    if (text >= INSTANCE_REQUEST_MAX) return RequestFrame::TooLong;
    if (std::memchr(bytes, '\0', text) != nullptr) return RequestFrame::Malformed;
    std::memcpy(line, bytes, text);
    line[text] = '\0';
    return RequestFrame::Whole;
}

int32_t DispatchInstanceRequest(const char* line, const InstanceRequestOps& ops, char* reply, size_t size) {
    if (size > 0) reply[0] = '\0';
    char words[INSTANCE_REQUEST_MAX + 1];
    std::snprintf(words, sizeof words, "%s", line);
    const char* word[MAX_REQUEST_WORDS];
    int32_t count = 0;
    for (char* w = words; count < MAX_REQUEST_WORDS;) {
        w += std::strspn(w, " \t");
        if (*w == '\0') break;
        word[count++] = w;
        w += std::strcspn(w, " \t");
        if (*w == '\0') break;
        *w++ = '\0';
    }
    if (count == 0) return Reply(reply, size, REPLY_BAD_REQUEST, "empty request\n");
    const char* command = word[0];
    if (std::strcmp(command, "add") == 0) {
        if (count < 2) return Reply(reply, size, REPLY_BAD_REQUEST, "add needs at least one unit\n");
        if (ops.add == nullptr) return Reply(reply, size, REPLY_BAD_REQUEST, "add is not served here\n");
        return ops.add(word + 1, count - 1, reply, size, ops.context);
    }
    int32_t (*plain)(char*, size_t, void*) = nullptr;
    if (std::strcmp(command, "show") == 0) {
        plain = ops.show;
    } else if (std::strcmp(command, "status") == 0) {
        plain = ops.status;
    } else if (std::strcmp(command, "stop") == 0) {
        plain = ops.stop;
    } else {
        std::snprintf(reply, size, "unknown request: %.64s\n", command);
        return REPLY_BAD_REQUEST;
    }
    if (count > 1) {
        std::snprintf(reply, size, "%s takes no arguments\n", command);
        return REPLY_BAD_REQUEST;
    }
    if (plain == nullptr) {
        std::snprintf(reply, size, "%s is not served here\n", command);
        return REPLY_BAD_REQUEST;
    }
    return plain(reply, size, ops.context);
}

bool StartInstanceServer(const InstanceLock& lock, const InstanceRequestOps& ops, char* error, size_t errorSize) {
    serverOps = ops;
    return StartLocalChannelServer(lock.paths.socketPath, LocalChannelService{&FrameForServer, &AnswerForServer, nullptr},
                                   error, errorSize);
}

void StopInstanceServer() { StopLocalChannelServer(); }

int32_t SendInstanceRequest(const char* socketPath, const char* request, char* reply, size_t size, int retryMs,
                            int timeoutMs) {
    if (size > 0) reply[0] = '\0';
    if (std::strlen(socketPath) >= LOCAL_CHANNEL_NAME_SIZE) return REPLY_NO_INSTANCE;
    if (std::strpbrk(request, "\r\n") != nullptr || std::strlen(request) >= INSTANCE_REQUEST_MAX)
        return Reply(reply, size, REPLY_BAD_REQUEST, "a request is one line of less than 1024 characters\n");
    int32_t status = REPLY_NO_INSTANCE;
    return SendOnLocalChannel(socketPath, request, retryMs, timeoutMs, status, reply, size) ? status
                                                                                            : REPLY_NO_INSTANCE;
}

}  // namespace quorbit
