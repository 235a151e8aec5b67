#include "cli/cli_arguments.h"
#include "cli/option_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorbit {
namespace {

TEST(CliArguments, PositiveCounts) {
    uint64_t value = 7;
    EXPECT_TRUE(ParsePositiveCount("20000", value));
    EXPECT_EQ(value, 20000u);
    EXPECT_TRUE(ParsePositiveCount("18446744073709551615", value));
    EXPECT_EQ(value, 18446744073709551615ull);
    for (const char* bad : {"0", "", "-5", "1e6", "18446744073709551616", "12 "})
        EXPECT_FALSE(ParsePositiveCount(bad, value)) << bad;
}

// Reads the words with the options -w/--directory DIR, --max-nodes N and the flag --reference,
// and describes the outcome as "prefix=.. nodes=.. ref=.. | operands" or "help" or "refused: ...".
std::string Read(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    CliOption options[] = {{"directory", 'w', "DIR", nullptr},
                           {"max-nodes", 0, "N", nullptr},
                           {"reference", 0, nullptr, nullptr}};
    int operands = -1;
    char error[256];
    switch (ReadArguments(static_cast<int>(argv.size()), argv.data(), options, 3, &operands, error, sizeof error)) {
        case ArgumentsRead::Help:
            return "help";
        case ArgumentsRead::Refused:
            return std::string("refused: ") + error;
        case ArgumentsRead::Ok:
            break;
    }
    std::string shown;
    for (const CliOption& option : options) shown += std::string(option.name) + "=" + (option.value ? option.value : "-") + " ";
    shown += "|";
    for (int i = 0; i < operands; ++i) shown += std::string(" ") + argv[i];
    return shown;
}

TEST(OptionReader, ReadsEveryFormAndRefusesWhatIsWrong) {
    struct Case {
        std::vector<std::string> words;
        const char* expected;
    };
    const Case cases[] = {
        {{"a1-a2", "--max-nodes", "5", "x"}, "directory=- max-nodes=5 reference=- | a1-a2 x"},
        {{"--max-nodes=5", "-w", "/d", "--reference"}, "directory=/d max-nodes=5 reference= |"},
        {{"-w/d", "--directory=", "1"}, "refused: --directory is given twice (again as '--directory='); give it once"},
        {{"--directory=", "-1", "-"}, "directory= max-nodes=- reference=- | -1 -"},
        {{"--", "--reference", "-h"}, "directory=- max-nodes=- reference=- | --reference -h"},
        {{"a", "-h", "--bogus"}, "help"},
        {{"--max-nodes", "--help"}, "directory=- max-nodes=--help reference=- |"},
        {{"--bogus", "--help"}, "refused: unknown option '--bogus'"},
        {{"--max-nodes"}, "refused: '--max-nodes' needs a value (N)"},
        {{"--reference=1"}, "refused: '--reference=1': --reference takes no value"},
        {{"--reference", "--reference"}, "refused: --reference is given twice (again as '--reference'); give it once"},
        {{"--max"}, "refused: unknown option '--max'"},
        {{"-x"}, "refused: unknown option '-x'"},
    };
    for (const Case& c : cases) EXPECT_EQ(Read(c.words), c.expected);
}

TEST(OptionReader, QuotesShowWhatWouldNotShow) {
    struct Case {
        const char* text;
        size_t size;
        const char* expected;
    };
    const Case cases[] = {
        {"a1-a2 ", 64, "'a1-a2 '"},
        {"a\tb\n\x01", 64, "'a\\tb\\n\\x01'"},
        {"", 64, "''"},
        {"abcdefghij", 9, "'abc...'"},
    };
    for (const Case& c : cases) {
        char out[64];
        QuoteArgument(c.text, out, c.size);
        EXPECT_STREQ(out, c.expected);
    }
}

}  // namespace
}  // namespace quorbit
