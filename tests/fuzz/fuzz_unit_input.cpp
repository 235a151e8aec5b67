// The unit a user types ("Enter tour number", quorbit-cli's UNIT arguments).
#include <cstdint>
#include <cstring>
#include <string>

#include "cli/cli_arguments.h"
#include "catalogue/catalogue.h"
#include "control/unit_input.h"
#include "support/line_table.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorbit;
    const std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
    int32_t unit = -1;
    const UnitInput read = ParseUnitInput(text.c_str(), &unit);

    // What the dialog promises, worked out the long way.
    bool digitsOnly = !text.empty();
    for (const char c : text) digitsOnly &= c >= '0' && c <= '9';
    int expected = -1;
    if (digitsOnly) {
        const size_t first = text.find_first_not_of('0');
        const std::string digits = first == std::string::npos ? "0" : text.substr(first);
        if (digits.size() <= 2 && std::stoi(digits) < WORK_UNIT_COUNT) expected = std::stoi(digits);
    } else {
        for (int u = 0; u < WORK_UNIT_COUNT; ++u)
            if (EqualIgnoringCase(workUnits[u].name, text.c_str())) expected = u;
    }
    if (text.empty()) {
        FUZZ_CHECK(read == UnitInput::Empty);
    } else if (expected < 0) {
        FUZZ_CHECK(read == UnitInput::Refused);
    } else {
        FUZZ_CHECK(read == UnitInput::Unit && unit == expected);
    }
    FUZZ_CHECK(ParseUnitArgument(text.c_str()) == expected);
    return 0;
}
