// What processor the program runs on, and how many processors it may use. Start-up runs
// IdentifyProcessor once, at the first run in a directory, before any computation thread.
#pragma once

#include <atomic>
#include <cstdint>

namespace quorbit {

inline constexpr int CPU_VENDOR_LENGTH = 12;

// Filled by DetectCpuFamily on the main thread before the computation starts.
extern uint8_t cpuFamily;                     // the 4-bit family field; 0 on a processor that is not x86
extern char cpuVendor[CPU_VENDOR_LENGTH + 1];  // e.g. "GenuineIntel"; empty without the instruction
extern uint32_t cpuSignature;                 // identification leaf 1, EAX
extern uint32_t cpuFeatures;                  // identification leaf 1, EDX

// The processor, counted from 1, that the computation threads are bound to; 0 (or any
// value outside 1..32) binds nothing. Start-up loads it from "CpuNumber"; the first run
// replaces it with the number of processors available to the process.
extern std::atomic<int32_t> cpuNumber;

// Reads family, vendor, signature and features. Off x86, all stay zero and empty, which
// names the processor "Unknown CPU".
void DetectCpuFamily();

// "386", "486", "Pentium", "AMD", "Cyrix", "Centaur Hauls", "P4" or "Unknown CPU".
const char* ProcessorName(uint8_t family, const char* vendor);

int CountBits(uint32_t mask);

struct ProcessorCount {
    bool known;     // false when the query failed
    int available;  // processors the process may run on
    int total;      // processors in the system
};
ProcessorCount CountProcessors();

// Prints the three lines for the given findings and sets cpuNumber. The processor's own
// name, when it has one, follows the Details line's figures in parentheses: the family
// table knows no processor of this century by name.
void ReportProcessor(uint8_t family, const char* vendor, uint32_t signature, uint32_t features,
                     const ProcessorCount& count, const char* brand = "");

// DetectCpuFamily, then the three lines for this machine.
void IdentifyProcessor();

}  // namespace quorbit
