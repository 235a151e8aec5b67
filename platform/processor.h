// The processor the program runs on and the processors it may use. The identity is read
// with the identification instruction, the same on every system (processor_cpuid.cpp); the
// processors are counted by the system (processor_posix.cpp, processor_windows.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorbit {

// The processor's identification: the 4-bit family field (0 on a processor that is not x86),
// the vendor string (13 bytes with its terminator; empty without the instruction), and the
// signature and feature words of leaf 1.
void ReadProcessorIdentity(uint8_t& family, char* vendor, uint32_t& signature, uint32_t& features);

// The processor's own name (the brand string of the identification's leaves 0x80000002 to
// 0x80000004, blanks at either end removed), such as "Intel(R) Core(TM) i7-8700 CPU @
// 3.20GHz"; empty where the processor gives none.
void ReadProcessorBrand(char* out, size_t size);

// The processors this process may run on and those online in the system; false when the
// system does not say.
bool CountProcessorsOf(int& available, int& online);

// The processors this process may use, at least 1.
int32_t AvailableProcessors();

}  // namespace quorbit
