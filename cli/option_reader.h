// Reading a subcommand's options and operands, the same way for every subcommand:
//   --name VALUE, --name=VALUE, -x VALUE, -xVALUE   an option with a value
//   --name, -x                                       a flag
//   -h, --help                                       the subcommand's help
//   --                                               everything after it is an operand
// An option given twice is refused, as is an unknown one. "-" and words that begin with
// "-" and a digit (such as -1) are operands, so that the command can refuse them itself.
#pragma once

#include <cstddef>

namespace quorbit {

struct CliOption {
    const char* name;       // the long name without "--", e.g. "max-nodes"
    char letter;            // the short name, or 0
    const char* valueName;  // e.g. "N" for an option that takes a value; nullptr for a flag
    const char* value;      // out: the value given, "" for a flag given; nullptr when absent
};

enum class ArgumentsRead {
    Ok,       // the operands are argv[0 .. *operandCount), in the order given
    Help,     // -h or --help came before anything wrong
    Refused,  // error holds one line saying what is wrong, quoting what was typed
};

// Reads argv (the arguments after the subcommand's name), filling in each option's value.
// argv is rearranged: the operands end up at its front.
ArgumentsRead ReadArguments(int argc, char** argv, CliOption* options, int optionCount, int* operandCount,
                            char* error, size_t errorSize);

// Writes text in single quotes, with bytes that would not show (blanks at either end
// remain visible inside the quotes) as \t, \n, \r or \xNN; cut to fit size.
void QuoteArgument(const char* text, char* out, size_t size);

}  // namespace quorbit
