#include "platform/processor.h"

#include <cpuid.h>
#include <cstring>

#include "platform/windows_text.h"

namespace quorbit {

void ReadProcessorIdentity(uint8_t& family, char* vendor, uint32_t& signature, uint32_t& features) {
    family = 4;
    vendor[0] = '\0';
    signature = 0;
    features = 0;
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
}

void ReadProcessorBrand(char* out, size_t size) {
    if (size == 0) return;
    out[0] = '\0';
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
}

bool CountProcessorsOf(int& available, int& online) {
    DWORD_PTR process = 0, system = 0;
    if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system)) return false;
    available = __builtin_popcountll(process);
    online = __builtin_popcountll(system);
    return available > 0;
}

int32_t AvailableProcessors() {
    int available = 0, online = 0;
    return CountProcessorsOf(available, online) ? available : 1;
}

}  // namespace quorbit
