#include "platform/processor.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

// The processor's identity from the identification instruction (cpuid), read the same way
// on every system: an instruction of the processor, not a call to the operating system.
// Built for Linux and Windows alike; processor_posix.cpp and processor_windows.cpp count
// the processors, which the system tells.

namespace quorbit {

void ReadProcessorIdentity(uint8_t& family, char* vendor, uint32_t& signature, uint32_t& features) {
    family = 0;
    vendor[0] = '\0';
    signature = 0;
    features = 0;
#if defined(__x86_64__) || defined(__i386__)
    // Every processor this builds for has the identification instruction; __get_cpuid_max
    // still answers 0 on an old 32-bit one without it, which is what a 486 reports.
    family = 4;
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid_max(0, nullptr) == 0) return;
    __cpuid(0, eax, ebx, ecx, edx);
    std::memcpy(vendor, &ebx, 4);
    std::memcpy(vendor + 4, &edx, 4);
    std::memcpy(vendor + 8, &ecx, 4);
    vendor[12] = '\0';
    if (eax >= 1) {
        __cpuid(1, eax, ebx, ecx, edx);
        signature = eax;
        features = edx;
        family = static_cast<uint8_t>((eax >> 8) & 0xF);
    }
#endif
}

void ReadProcessorBrand(char* out, size_t size) {
    if (size == 0) return;
    out[0] = '\0';
#if defined(__x86_64__) || defined(__i386__)
    if (__get_cpuid_max(0x80000000u, nullptr) < 0x80000004u) return;
    char brand[49] = {};
    for (unsigned int leaf = 0; leaf < 3; ++leaf) {
        unsigned int registers[4] = {};
        __cpuid(0x80000002u + leaf, registers[0], registers[1], registers[2], registers[3]);
        std::memcpy(brand + 16 * leaf, registers, sizeof registers);
    }
    const char* begin = brand;
    while (*begin == ' ') ++begin;
    size_t length = std::strlen(begin);
    while (length > 0 && begin[length - 1] == ' ') --length;
    if (length >= size) length = size - 1;
    std::memcpy(out, begin, length);
    out[length] = '\0';
#endif
}

}  // namespace quorbit
