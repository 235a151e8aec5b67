#include "platform/error_text.h"

#include <cstring>

namespace quorbit {

const char* ErrorText(int error, char* buffer, size_t size) {
    if (size == 0 || ::strerror_s(buffer, size, error) != 0) return "unknown error";
    return buffer;
}

}  // namespace quorbit
