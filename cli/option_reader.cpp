#include "cli/option_reader.h"

#include <cstdio>
#include <cstring>

namespace quorbit {

namespace {

constexpr size_t QUOTE_SIZE = 96;

struct Refusal {
    char* error;
    size_t size;
};

ArgumentsRead Refuse(const Refusal& to, const char* format, const char* typed, const char* detail = "") {
    char quoted[QUOTE_SIZE];
    QuoteArgument(typed, quoted, sizeof quoted);
    std::snprintf(to.error, to.size, format, quoted, detail);
    return ArgumentsRead::Refused;
}

CliOption* FindLong(CliOption* options, int count, const char* name, size_t length) {
    for (int i = 0; i < count; ++i)
        if (std::strlen(options[i].name) == length && std::strncmp(options[i].name, name, length) == 0)
            return &options[i];
    return nullptr;
}

CliOption* FindLetter(CliOption* options, int count, char letter) {
    for (int i = 0; i < count; ++i)
        if (options[i].letter != 0 && options[i].letter == letter) return &options[i];
    return nullptr;
}

bool IsOperand(const char* arg) { return arg[0] != '-' || arg[1] == '\0' || (arg[1] >= '0' && arg[1] <= '9'); }

// The escape of one byte of an argument as it is shown.
void ShowByte(unsigned char c, char* piece) {
    if (c == '\t') {
        std::strcpy(piece, "\\t");
    } else if (c == '\n') {
        std::strcpy(piece, "\\n");
    } else if (c == '\r') {
        std::strcpy(piece, "\\r");
    } else if (c < 0x20 || c == 0x7f) {
        std::snprintf(piece, 8, "\\x%02x", c);
    } else {
        piece[0] = static_cast<char>(c);
        piece[1] = '\0';
    }
}

}  // namespace

void QuoteArgument(const char* text, char* out, size_t size) {
    if (size < 6) {  // not even room for '...'
        if (size > 0) out[0] = '\0';
        return;
    }
    size_t needed = 2;
    char piece[8];
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != '\0'; ++c) {
        ShowByte(*c, piece);
        needed += std::strlen(piece);
    }
    // Cut, the text keeps room for "...'" and the terminator.
    const size_t room = needed < size ? size - 2 : size - 5;
    size_t used = 0;
    out[used++] = '\'';
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != '\0'; ++c) {
        ShowByte(*c, piece);
        const size_t length = std::strlen(piece);
        if (used + length > room) break;
        std::memcpy(out + used, piece, length);
        used += length;
    }
    if (needed >= size) {
        std::memcpy(out + used, "...", 3);
        used += 3;
    }
    out[used++] = '\'';
    out[used] = '\0';
}

ArgumentsRead ReadArguments(int argc, char** argv, CliOption* options, int optionCount, int* operandCount,
                            char* error, size_t errorSize) {
    const Refusal to{error, errorSize};
    if (errorSize > 0) error[0] = '\0';
    for (int i = 0; i < optionCount; ++i) options[i].value = nullptr;
    int operands = 0;
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        char* arg = argv[i];
        if (optionsEnded || IsOperand(arg)) {
            argv[operands++] = arg;
            continue;
        }
        if (std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
            continue;
        }
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) return ArgumentsRead::Help;

        CliOption* option = nullptr;
        const char* attached = nullptr;  // a value written into the same word
        if (arg[1] == '-') {
            const char* name = arg + 2;
            const char* equals = std::strchr(name, '=');
            option = FindLong(options, optionCount, name, equals != nullptr ? static_cast<size_t>(equals - name)
                                                                             : std::strlen(name));
            if (equals != nullptr) attached = equals + 1;
        } else {
            option = FindLetter(options, optionCount, arg[1]);
            if (arg[2] != '\0') attached = arg + 2;
            if (option != nullptr && option->valueName == nullptr && attached != nullptr) option = nullptr;
        }
        if (option == nullptr) return Refuse(to, "unknown option %s%s", arg);
        if (option->value != nullptr) {
            char quoted[QUOTE_SIZE];
            QuoteArgument(arg, quoted, sizeof quoted);
            std::snprintf(error, errorSize, "--%s is given twice (again as %s); give it once", option->name, quoted);
            return ArgumentsRead::Refused;
        }
        if (option->valueName == nullptr) {
            if (attached != nullptr) return Refuse(to, "%s: --%s takes no value", arg, option->name);
            option->value = "";
            continue;
        }
        if (attached == nullptr) {
            if (i + 1 == argc) return Refuse(to, "%s needs a value (%s)", arg, option->valueName);
            attached = argv[++i];
        }
        option->value = attached;
    }
    *operandCount = operands;
    return ArgumentsRead::Ok;
}

}  // namespace quorbit
