// The text of an errno value, safely from any thread.
#pragma once

#include <cstddef>

namespace quorbit {

// The system's text for the error ("No space left on device"); it may be in buffer or
// not, and is never null.
const char* ErrorText(int error, char* buffer, size_t size);

}  // namespace quorbit
