// The autostart entry as an XDG autostart file (see autostart_entry.h).
#include <cstring>
#include <limits.h>

#include "platform/file_replace.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/user_folders.h"
#include "shell/autostart_entry.h"
#include "support/console.h"

namespace quorbit {

void QueryAutostart(const char* executablePath) {
    char entry[PATH_MAX];
    if (!AutostartEntryPath(executablePath, entry, sizeof entry)) return;
    autostartState = EntryExists(entry) ? 1 : 0;
}

void InstallAutostart(int32_t mode, const char* executablePath) {
    char entry[PATH_MAX];
    char folder[PATH_MAX];
    if (!AutostartEntryPath(executablePath, entry, sizeof entry) || !AutostartFolder(folder, sizeof folder)) return;
    if (EntryExists(entry)) {
        if (mode != AUTOSTART_REMOVE) return;
        if (!RemoveFile(entry)) {
            ConsolePrint("Can't write autostart entry.\n");
            return;
        }
        autostartState = 0;
        SayAutostartRemoved();
        return;
    }
    if (mode == AUTOSTART_REMOVE) return;
    if (!MakeFolder(folder, 0755)) {
        ConsolePrint("Can't create autostart folder.\n");
        return;
    }
    char text[7 * PATH_MAX];
    char directory[PATH_MAX];
    FileReplacement replacement;
    if (!CurrentDirectory(directory, sizeof directory) ||
        !FormatAutostartEntry(executablePath, directory, text, sizeof text) || !BeginReplacement(replacement, entry)) {
        ConsolePrint("Can't write autostart entry.\n");
        return;
    }
    ReplacementWrite(replacement, text, std::strlen(text));
    if (!CommitReplacement(replacement)) {
        ConsolePrint("Can't write autostart entry.\n");
        return;
    }
    autostartState = 1;
    SayAutostartInstalled();
}

}  // namespace quorbit
