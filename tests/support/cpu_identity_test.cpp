#include <gtest/gtest.h>

#include <sched.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <tuple>

#include "support/console.h"
#include "support/cpu_identity.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using testing::ConsoleSlot;

class CpuIdentityTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearConsole();
        cpuNumber.store(0);
    }
};

// Family, vendor and the name the program gives them.
constexpr std::tuple<uint8_t, const char*, const char*> NAMES[] = {
        {3, "GenuineIntel", "386"},          {4, "", "486"},
        {5, "GenuineIntel", "Pentium"},      {6, "GenuineIntel", "Pentium"},
        {6, "AuthenticAMD", "AMD"},          {5, "CyrixInstead", "Cyrix"},
        {6, "CentaurHauls", "Centaur Hauls"}, {6, "genuineintel", "Unknown CPU"},
        {6, "GenuineIntelX", "Unknown CPU"}, {15, "GenuineIntel", "P4"},
        {15, "AuthenticAMD", "Unknown CPU"}, {2, "GenuineIntel", "Unknown CPU"},
        {7, "GenuineIntel", "Unknown CPU"},
};

// What /proc/cpuinfo says of the first processor under `key`, or "".
std::string CpuInfo(const char* key) {
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key, 0) == 0 && line.find(": ") != std::string::npos) return line.substr(line.find(": ") + 2);
    return "";
}

TEST_F(CpuIdentityTest, NamesFollowFamilyAndExactVendorAndThreeLinesNameTheChosenProcessor) {
    for (const auto& [family, vendor, name] : NAMES) EXPECT_STREQ(ProcessorName(family, vendor), name) << vendor;
    ReportProcessor(6, "GenuineIntel", 0x906ea, 0xbfebfbff, ProcessorCount{true, 2, 4});
    EXPECT_EQ(ConsoleSlot(3), "Pentium detected");
    EXPECT_EQ(ConsoleSlot(2), "Details: GenuineIntel 906ea bfebfbff");
    EXPECT_EQ(ConsoleSlot(1), "Running processor 2 out of 4 processors");
    EXPECT_EQ(cpuNumber.load(), 2);

    ReportProcessor(4, "", 0, 0, ProcessorCount{false, 7, 9});
    EXPECT_EQ(ConsoleSlot(3), "486 detected");
    EXPECT_EQ(ConsoleSlot(2), "Details:  0 0");
    EXPECT_EQ(ConsoleSlot(1), "Running processor 1 out of 1 processors");
    EXPECT_EQ(cpuNumber.load(), 1);
}

TEST_F(CpuIdentityTest, ThisMachineIsIdentifiedAndItsProcessorsCounted) {
    cpu_set_t before;
    ASSERT_EQ(::sched_getaffinity(0, sizeof before, &before), 0);
    int firstAllowed = 0;
    while (!CPU_ISSET(firstAllowed, &before)) ++firstAllowed;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(firstAllowed, &one);
    ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
    IdentifyProcessor();
    ASSERT_EQ(::sched_setaffinity(0, sizeof before, &before), 0);

    const std::string total = std::to_string(::sysconf(_SC_NPROCESSORS_ONLN));
    EXPECT_EQ(ConsoleSlot(1), "Running processor 1 out of " + total + " processors");
    EXPECT_EQ(cpuNumber.load(), 1);
#if defined(__x86_64__)
    // The identification must agree with what the kernel read from the same instruction.
    EXPECT_EQ(std::string(cpuVendor), CpuInfo("vendor_id"));
    const int baseFamily = static_cast<int>((cpuSignature >> 8) & 0xF);
    const int extendedFamily = static_cast<int>((cpuSignature >> 20) & 0xFF);
    EXPECT_EQ(std::to_string(baseFamily == 15 ? 15 + extendedFamily : baseFamily), CpuInfo("cpu family"));
    EXPECT_EQ(cpuFamily, baseFamily);
    EXPECT_NE(cpuFeatures, 0u);
    // The processor's own name, as the kernel read it from the same instruction.
    const std::string details = ConsoleSlot(2);
    ASSERT_NE(details.find('('), std::string::npos) << details;
    EXPECT_EQ(details.substr(details.find('(')), "(" + CpuInfo("model name") + ")") << details;
    for (const auto& [family, vendor, name] : NAMES) {
        if (family == cpuFamily && std::string(vendor) == cpuVendor) {
            EXPECT_EQ(ConsoleSlot(3), std::string(name) + " detected");
        }
    }
#else
    EXPECT_STREQ(ConsoleSlot(3).c_str(), "Unknown CPU detected");
#endif
    const ProcessorCount count = CountProcessors();
    EXPECT_TRUE(count.known);
    EXPECT_EQ(count.available, CPU_COUNT(&before));
}

}  // namespace
}  // namespace quorbit
