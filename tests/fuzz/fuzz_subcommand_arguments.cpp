// A subcommand's arguments: the words of the input, split at NUL bytes.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cli/option_reader.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorbit;
    std::vector<std::string> words(1);
    for (size_t i = 0; i < size && words.size() < 64; ++i) {
        if (data[i] == 0)
            words.emplace_back();
        else
            words.back() += static_cast<char>(data[i]);
    }
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    const std::vector<char*> given = argv;
    CliOption options[] = {{"directory", 'w', "DIR", nullptr}, {"max-nodes", 0, "N", nullptr},
                           {"reference", 'r', nullptr, nullptr}};
    int operands = -1;
    char error[256];
    const ArgumentsRead read =
        ReadArguments(static_cast<int>(argv.size()), argv.data(), options, 3, &operands, error, sizeof error);
    FUZZ_CHECK(std::strlen(error) < sizeof error);
    if (read == ArgumentsRead::Refused) FUZZ_CHECK(error[0] != '\0');
    if (read == ArgumentsRead::Ok) {
        FUZZ_CHECK(operands >= 0 && operands <= static_cast<int>(argv.size()));
        // Every operand and every value is one of the words given, in their order.
        size_t from = 0;
        for (int i = 0; i < operands; ++i) {
            while (from < given.size() && given[from] != argv[i]) ++from;
            FUZZ_CHECK(from < given.size());
            ++from;
        }
        for (const CliOption& option : options) {
            if (option.value == nullptr || option.valueName == nullptr) continue;
            bool inside = false;
            for (const std::string& w : words) inside |= option.value >= w.data() && option.value <= w.data() + w.size();
            FUZZ_CHECK(inside);
        }
    }
    // A quote fits whatever room it is given.
    for (const size_t room : {size_t{1}, size_t{6}, size_t{12}, size_t{96}}) {
        char quoted[96];
        std::memset(quoted, 'x', sizeof quoted);
        QuoteArgument(words[0].c_str(), quoted, room);
        FUZZ_CHECK(std::memchr(quoted, '\0', room) != nullptr);
        if (room >= 6) FUZZ_CHECK(quoted[0] == '\'');
    }
    return 0;
}
