#include "platform/local_channel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The channel's bytes, the same on every system: the request line and the answer, made and
// read here for the sockets (local_channel_posix.cpp) and the named pipes
// (local_channel_windows.cpp) alike.

namespace quorbit {

size_t FrameLocalRequest(const char* request, char* out, size_t size) {
    const int length = std::snprintf(out, size, "%s\n", request);
    return length > 0 && static_cast<size_t>(length) < size ? static_cast<size_t>(length) : 0;
}

size_t FrameLocalAnswer(int32_t status, const char* text, char* out, size_t size) {
    const int head = std::snprintf(out, size, "%d\n", static_cast<int>(status));
    const int body = std::snprintf(out + head, size - static_cast<size_t>(head), "%s", text);
    return static_cast<size_t>(head) + std::min(static_cast<size_t>(body), size - 1 - static_cast<size_t>(head));
}

bool ReadLocalAnswer(const char* answer, size_t length, int32_t& status, char* reply, size_t size) {
    const char* newline = static_cast<const char*>(std::memchr(answer, '\n', length));
    if (newline == nullptr) return false;
    char* after = nullptr;
    const long number = std::strtol(answer, &after, 10);
    if (after != newline) return false;
    std::snprintf(reply, size, "%s", newline + 1);
    status = static_cast<int32_t>(number);
    return true;
}

}  // namespace quorbit
