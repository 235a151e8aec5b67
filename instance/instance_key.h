// The instance key: a number computed from the working directory's text, the same for
// every start in one directory. Instances are found through the name "TRI %ld" made from it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorbit {

// key = key * 17 + byte for each byte of the text, the byte taken as signed (0x80..0xFF
// count as -128..-1), wrapping modulo 2^32.
uint32_t InstanceKey(const char* directory);

// "TRI " and the key printed as a signed 32-bit number, e.g. "TRI -1977708737".
inline constexpr size_t INSTANCE_NAME_SIZE = 16;
void FormatInstanceName(uint32_t key, char* out, size_t size);

}  // namespace quorbit
