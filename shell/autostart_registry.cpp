// The autostart entry as a value of the current user's Run key (see autostart_entry.h). The
// current user's key, not the machine's: a standard user may not write the machine's, and
// its entry would then silently never be made.
#include <limits.h>

#include "platform/folders.h"
#include "platform/run_key.h"
#include "shell/autostart_entry.h"
#include "support/console.h"

namespace quorbit {

namespace {

// A value's name and data hold the executable's path and the directory, each up to
// PATH_MAX, with the quotes and " /W " between them.
constexpr size_t VALUE_SIZE = 2 * PATH_MAX + 16;

struct RunValue {
    char name[VALUE_SIZE];
    char data[VALUE_SIZE];
};

bool ValueFor(const char* executablePath, RunValue& value) {
    char directory[PATH_MAX];
    return CurrentDirectory(directory, sizeof directory) &&
           FormatRunValue(executablePath, directory, value.name, sizeof value.name, value.data, sizeof value.data);
}

}  // namespace

void QueryAutostart(const char* executablePath) {
    static RunValue value;  // the user-interface thread's only
    if (!ValueFor(executablePath, value)) return;
    const int present = RunValuePresent(value.name);
    if (present >= 0) autostartState = present;
}

void InstallAutostart(int32_t mode, const char* executablePath) {
    static RunValue value;
    if (!ValueFor(executablePath, value)) return;
    const int present = RunValuePresent(value.name);
    if (present < 0) return;  // a key that cannot be read cannot be changed either
    if (present == 1) {
        if (mode != AUTOSTART_REMOVE) return;
        if (DeleteRunValue(value.name) != RunKeyResult::Done) {
            ConsolePrint("Can't write registry value.\n");
            return;
        }
        autostartState = 0;
        SayAutostartRemoved();
        return;
    }
    if (mode == AUTOSTART_REMOVE) return;
    switch (WriteRunValue(value.name, value.data)) {
        case RunKeyResult::Done:
            autostartState = 1;
            SayAutostartInstalled();
            return;
        case RunKeyResult::KeyNotCreated:
            ConsolePrint("Can't create registry key.\n");
            return;
        default:
            ConsolePrint("Can't write registry value.\n");
            return;
    }
}

}  // namespace quorbit
