// The processor the program runs on and the processors it may use.
#pragma once

#include <cstdint>

namespace quorbit {

// The processor's identification: the 4-bit family field (0 on a processor that is not x86),
// the vendor string (13 bytes with its terminator; empty without the instruction), and the
// signature and feature words of leaf 1.
void ReadProcessorIdentity(uint8_t& family, char* vendor, uint32_t& signature, uint32_t& features);

// The processors this process may run on and those online in the system; false when the
// system does not say.
bool CountProcessorsOf(int& available, int& online);

// The processors this process may use, at least 1.
int32_t AvailableProcessors();

}  // namespace quorbit
