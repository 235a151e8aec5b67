#include "support/cpu_identity.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <sched.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "support/console.h"

namespace quorbit {

uint8_t cpuFamily = 0;
char cpuVendor[CPU_VENDOR_LENGTH + 1] = {};
uint32_t cpuSignature = 0;
uint32_t cpuFeatures = 0;
std::atomic<int32_t> cpuNumber{0};

void DetectCpuFamily() {
    cpuFamily = 0;
    cpuVendor[0] = '\0';
    cpuSignature = 0;
    cpuFeatures = 0;
#if defined(__x86_64__) || defined(__i386__)
    // Every processor this builds for has the identification instruction; __get_cpuid_max
    // still answers 0 on an old 32-bit one without it, which is what a 486 reports.
    cpuFamily = 4;
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid_max(0, nullptr) == 0) return;
    __cpuid(0, eax, ebx, ecx, edx);
    std::memcpy(cpuVendor, &ebx, 4);
    std::memcpy(cpuVendor + 4, &edx, 4);
    std::memcpy(cpuVendor + 8, &ecx, 4);
    cpuVendor[CPU_VENDOR_LENGTH] = '\0';
    if (eax >= 1) {
        __cpuid(1, eax, ebx, ecx, edx);
        cpuSignature = eax;
        cpuFeatures = edx;
        cpuFamily = static_cast<uint8_t>((eax >> 8) & 0xF);
    }
#endif
}

const char* ProcessorName(uint8_t family, const char* vendor) {
    auto is = [vendor](const char* name) { return std::strncmp(vendor, name, CPU_VENDOR_LENGTH + 1) == 0; };
    switch (family) {
        case 3: return "386";
        case 4: return "486";
        case 5:
        case 6:
            if (is("GenuineIntel")) return "Pentium";
            if (is("AuthenticAMD")) return "AMD";
            if (is("CyrixInstead")) return "Cyrix";
            if (is("CentaurHauls")) return "Centaur Hauls";
            return "Unknown CPU";
        case 15: return is("GenuineIntel") ? "P4" : "Unknown CPU";
        default: return "Unknown CPU";
    }
}

int CountBits(uint32_t mask) { return std::popcount(mask); }

ProcessorCount CountProcessors() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0 || online < 1) return {false, 1, 1};
    int available = 0;
    for (int first = 0; first < CPU_SETSIZE; first += 32) {
        uint32_t mask = 0;
        for (int bit = 0; bit < 32 && first + bit < CPU_SETSIZE; ++bit)
            if (CPU_ISSET(first + bit, &allowed)) mask |= uint32_t{1} << bit;
        available += CountBits(mask);
    }
    return {true, available, static_cast<int>(online)};
}

void ReportProcessor(uint8_t family, const char* vendor, uint32_t signature, uint32_t features,
                     const ProcessorCount& count) {
    char line[128];
    std::snprintf(line, sizeof line, "%s detected\n", ProcessorName(family, vendor));
    ConsolePrint(line);
    std::snprintf(line, sizeof line, "Details: %s %x %x\n", vendor, signature, features);
    ConsolePrint(line);
    const int number = count.known ? count.available : 1;
    const int total = count.known ? count.total : 1;
    cpuNumber.store(number, std::memory_order_relaxed);
    std::snprintf(line, sizeof line, "Running processor %d out of %d processors\n", number, total);
    ConsolePrint(line);
}

void IdentifyProcessor() {
    DetectCpuFamily();
    ReportProcessor(cpuFamily, cpuVendor, cpuSignature, cpuFeatures, CountProcessors());
}

}  // namespace quorbit
