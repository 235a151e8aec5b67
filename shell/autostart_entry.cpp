#include "shell/autostart_entry.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <limits.h>

#include "control/compute_menu.h"
#include "platform/folders.h"
#include "platform/user_folders.h"
#include "support/console.h"
#include "support/path_hash.h"

namespace quorbit {

int32_t autostartState = 0;

namespace {

// Appends text to out at *used; false when it does not fit.
bool Put(char* out, size_t size, size_t* used, const char* text) {
    const size_t length = std::strlen(text);
    if (*used + length >= size) return false;
    std::memcpy(out + *used, text, length + 1);
    *used += length;
    return true;
}

void PrintWithTitle(const char* format) {
    char line[256];
    std::snprintf(line, sizeof line, format, PROGRAM_TITLE);
    ConsolePrint(line);
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The length of a folder's text without its final separators, a root's own kept ("C:\\").
size_t FolderLength(const char* folder, size_t length) {
    while (length > 1 && IsSeparator(folder[length - 1]) && folder[length - 2] != ':') --length;
    return length;
}

// Whether the directory is the folder the executable lies in, letter case aside.
bool IsOwnFolder(const char* executablePath, const char* directory) {
    size_t folder = std::strlen(executablePath);
    while (folder > 0 && !IsSeparator(executablePath[folder - 1])) --folder;
    if (folder == 0) return false;
    folder = FolderLength(executablePath, folder);
    if (FolderLength(directory, std::strlen(directory)) != folder) return false;
    for (size_t i = 0; i < folder; ++i) {
        const char a = executablePath[i], b = directory[i];
        if (std::tolower(static_cast<unsigned char>(a)) != std::tolower(static_cast<unsigned char>(b)) &&
            !(IsSeparator(a) && IsSeparator(b)))
            return false;
    }
    return true;
}

}  // namespace

bool AutostartFolder(char* out, size_t size) {
    return UserFolder("XDG_CONFIG_HOME", ".config", "autostart", out, size);
}

bool AutostartEntryPath(const char* executablePath, char* out, size_t size) {
    char folder[PATH_MAX];
    char directory[PATH_MAX];
    if (!AutostartFolder(folder, sizeof folder) || !CurrentDirectory(directory, sizeof directory)) return false;
    // A line end separates the two: no path of an executable ends in one and goes on.
    char both[2 * PATH_MAX + 2];
    std::snprintf(both, sizeof both, "%s\n%s", executablePath, directory);
    const int written = std::snprintf(out, size, "%s/quorbit-%016" PRIx64 ".desktop", folder, PathHash(both));
    return written > 0 && static_cast<size_t>(written) < size;
}

bool FormatExecValue(const char* path, char* out, size_t size) {
    size_t used = 0;
    if (size == 0) return false;
    out[0] = '\0';
    if (!Put(out, size, &used, "\"")) return false;
    for (const char* p = path; *p != '\0'; ++p) {
        const char* piece;
        char plain[2] = {*p, '\0'};
        switch (*p) {
            case '"': piece = "\\\\\""; break;   // \" inside the quotes, its backslash escaped: \\"
            case '`': piece = "\\\\`"; break;
            case '$': piece = "\\\\$"; break;
            case '\\': piece = "\\\\\\\\"; break;  // \\ inside the quotes, each escaped: four
            case '\n': piece = "\\n"; break;
            case '\t': piece = "\\t"; break;
            case '\r': piece = "\\r"; break;
            case '%': piece = "%%"; break;
            default: piece = plain; break;
        }
        if (!Put(out, size, &used, piece)) return false;
    }
    return Put(out, size, &used, "\"");
}

bool FormatAutostartEntry(const char* executablePath, const char* directory, char* out, size_t size) {
    char exec[3 * PATH_MAX];
    char folder[3 * PATH_MAX];
    if (!FormatExecValue(executablePath, exec, sizeof exec) || !FormatExecValue(directory, folder, sizeof folder))
        return false;
    const int written = std::snprintf(out, size,
                                      "[Desktop Entry]\n"
                                      "Type=Application\n"
                                      "Name=Quorbit\n"
                                      "Comment=Resumes the queued search for semi-magic knight's tours\n"
                                      "Exec=%s -w %s\n"
                                      "Icon=quorbit\n"
                                      "Terminal=false\n",
                                      exec, folder);
    return written > 0 && static_cast<size_t>(written) < size;
}

bool FormatRunValue(const char* executablePath, const char* directory, char* name, size_t nameSize, char* data,
                    size_t dataSize) {
    if (nameSize == 0 || dataSize == 0) return false;
    name[0] = data[0] = '\0';
    int named, written;
    if (IsOwnFolder(executablePath, directory)) {
        named = std::snprintf(name, nameSize, "%s", executablePath);
        written = std::snprintf(data, dataSize, "\"%s\"", executablePath);
    } else {
        const size_t length = std::strlen(directory);
        const char* doubled = length > 0 && directory[length - 1] == '\\' ? "\\" : "";
        named = std::snprintf(name, nameSize, "%s /W %s", executablePath, directory);
        written = std::snprintf(data, dataSize, "\"%s\" /W \"%s%s\"", executablePath, directory, doubled);
    }
    const bool fits = named > 0 && static_cast<size_t>(named) < nameSize && written > 0 &&
                      static_cast<size_t>(written) < dataSize;
    if (!fits) name[0] = data[0] = '\0';
    return fits;
}

void SayAutostartInstalled() {
    PrintWithTitle("%s will start automatically the next time you'll restart your computer\n");
    ConsolePrint("You can disable this by clicking on Options/Uninstall\n");
}

void SayAutostartRemoved() {
    PrintWithTitle("%s is now disabled at boot\n");
    ConsolePrint("You can enable this by clicking on Options/Install\n");
}

}  // namespace quorbit
