#include "control/unit_input.h"

#include <cstdio>

#include "catalogue/catalogue.h"
#include "control/compute_menu.h"
#include "control/work_queue.h"
#include "support/shell.h"

namespace quorbit {

UnitInput ParseUnitInput(const char* text, int32_t* unit) {
    if (text == nullptr || text[0] == '\0') return UnitInput::Empty;
    bool digitsOnly = true;
    int64_t value = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') {
            digitsOnly = false;
            break;
        }
        // However many digits follow, a value past the last unit stays past it.
        if (value <= WORK_UNIT_COUNT) value = value * 10 + (*c - '0');
    }
    const int64_t number = digitsOnly ? value : FindUnitByName(text);
    if (number < 0 || number >= WORK_UNIT_COUNT) return UnitInput::Refused;
    if (unit != nullptr) *unit = static_cast<int32_t>(number);
    return UnitInput::Unit;
}

void FormatUnitInputRefusal(char* out, size_t size) {
    std::snprintf(out, size, "Please enter a tour number between 0 and %d or its name (ex: a1-a2)",
                  WORK_UNIT_COUNT - 1);
}

UnitInput SubmitUnitInput(const char* text) {
    int32_t unit = -1;
    const UnitInput result = ParseUnitInput(text, &unit);
    if (result == UnitInput::Refused) {
        char message[96];
        FormatUnitInputRefusal(message, sizeof message);
        ShellShowMessage(message, PROGRAM_TITLE);
    } else if (result == UnitInput::Unit) {
        char entry[16];
        std::snprintf(entry, sizeof entry, "%lu", static_cast<unsigned long>(unit));
        EnqueueWork(entry);
    }
    return result;
}

}  // namespace quorbit
