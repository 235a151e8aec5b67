#include "shell/startup_options.h"

#include <cstring>

namespace quorbit {

namespace {

bool IsOptionStart(char c) { return c == '/' || c == '-'; }
bool IsDirectoryLetter(char c) { return c == 'W' || c == 'w'; }

// Hands over length bytes of text as a directory, unless they are too many.
void HandOver(const char* text, size_t length, DirectoryOptionHandler onDirectory, void* context,
              StartupOptionsResult& result) {
    if (length > DIRECTORY_OPTION_MAX) {
        result.tooLong = true;
        return;
    }
    char directory[DIRECTORY_OPTION_MAX + 1];
    std::memcpy(directory, text, length);
    directory[length] = '\0';
    ++result.directoryOptions;
    if (onDirectory != nullptr) onDirectory(directory, context);
}

// A directory in double quotes runs to the next double quote (consumed) or the end; returns
// the position after it.
const char* QuotedDirectory(const char* p, const char** start, size_t* length) {
    *start = ++p;
    while (*p != '\0' && *p != '"') ++p;
    *length = static_cast<size_t>(p - *start);
    return *p == '"' ? p + 1 : p;
}

}  // namespace

StartupOptionsResult ParseCommandLine(const char* commandLine, DirectoryOptionHandler onDirectory, void* context) {
    StartupOptionsResult result{};
    const char* p = commandLine;
    while (IsOptionStart(*p)) {
        const char letter = p[1];
        if (letter == '\0') break;
        p += 2;
        if (IsDirectoryLetter(letter)) {
            while (*p == ' ') ++p;
            const char* start = p;
            size_t length = 0;
            if (*p == '"') {
                p = QuotedDirectory(p, &start, &length);
            } else {
                while (*p != '\0' && *p != ' ') ++p;
                length = static_cast<size_t>(p - start);
            }
            HandOver(start, length, onDirectory, context, result);
        }
        if (*p != ' ') break;
        while (*p == ' ') ++p;
    }
    return result;
}

StartupOptionsResult ParseStartupArguments(int argc, const char* const* argv, DirectoryOptionHandler onDirectory,
                                           void* context, int* consumed) {
    static constexpr const char LONG_FORM[] = "--directory";
    static constexpr size_t LONG_LENGTH = sizeof LONG_FORM - 1;
    StartupOptionsResult result{};
    int i = 0;
    while (i < argc) {
        const char* arg = argv[i];
        const char* value = nullptr;  // the directory within this argument, if any
        bool wantsDirectory = false;
        if (std::strncmp(arg, LONG_FORM, LONG_LENGTH) == 0 && (arg[LONG_LENGTH] == '\0' || arg[LONG_LENGTH] == '=')) {
            wantsDirectory = true;
            if (arg[LONG_LENGTH] == '=') value = arg + LONG_LENGTH + 1;
        } else if (IsOptionStart(arg[0])) {
            if (arg[1] == '\0') {  // a lone '/' or '-' ends the list
                ++i;
                break;
            }
            if (IsDirectoryLetter(arg[1])) {
                wantsDirectory = true;
                const char* rest = arg + 2;
                while (*rest == ' ') ++rest;
                if (*rest != '\0') value = rest;
            } else if (arg[2] != '\0') {
                break;  // more than a letter: not an option of ours, and the list ends
            }
        } else {
            break;
        }
        ++i;
        if (!wantsDirectory) continue;
        if (value == nullptr) {
            if (i == argc) {
                result.missingDirectory = true;
                break;
            }
            value = argv[i++];
        }
        if (*value == '"') {
            const char* start;
            size_t length;
            QuotedDirectory(value, &start, &length);
            HandOver(start, length, onDirectory, context, result);
        } else {
            HandOver(value, std::strlen(value), onDirectory, context, result);
        }
    }
    if (consumed != nullptr) *consumed = i;
    return result;
}

}  // namespace quorbit
