#include "platform/error_text.h"

#include <cstring>

namespace quorbit {

const char* ErrorText(int error, char* buffer, size_t size) {
    // The GNU strerror_r returns its text, which need not be in `buffer`.
    const char* text = strerror_r(error, buffer, size);
    return text != nullptr ? text : "unknown error";
}

}  // namespace quorbit
