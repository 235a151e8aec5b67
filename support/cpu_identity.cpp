#include "support/cpu_identity.h"

#include <bit>
#include <cstdio>
#include <cstring>

#include "platform/processor.h"
#include "support/console.h"

namespace quorbit {

uint8_t cpuFamily = 0;
char cpuVendor[CPU_VENDOR_LENGTH + 1] = {};
uint32_t cpuSignature = 0;
uint32_t cpuFeatures = 0;
std::atomic<int32_t> cpuNumber{0};

void DetectCpuFamily() { ReadProcessorIdentity(cpuFamily, cpuVendor, cpuSignature, cpuFeatures); }

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
    int available = 0;
    int online = 0;
    if (!CountProcessorsOf(available, online)) return {false, 1, 1};
    return {true, available, online};
}

void ReportProcessor(uint8_t family, const char* vendor, uint32_t signature, uint32_t features,
                     const ProcessorCount& count, const char* brand) {
    char line[160];
    std::snprintf(line, sizeof line, "%s detected\n", ProcessorName(family, vendor));
    ConsolePrint(line);
    if (brand[0] != '\0')
        std::snprintf(line, sizeof line, "Details: %s %x %x (%s)\n", vendor, signature, features, brand);
    else
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
    char brand[64];
    ReadProcessorBrand(brand, sizeof brand);
    ReportProcessor(cpuFamily, cpuVendor, cpuSignature, cpuFeatures, CountProcessors(), brand);
}

}  // namespace quorbit
