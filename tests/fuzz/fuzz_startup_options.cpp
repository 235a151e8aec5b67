// The desktop program's command line: the Windows-style text (/W DIR, -w "DIR", ...) and the
// argument vector a Linux program receives. The first byte chooses which; the rest is the
// text, or the arguments split at NUL bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "shell/startup_options.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

void Collect(const char* directory, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(directory);
}

bool Plain(const std::string& word) {
    return !word.empty() && word.find_first_of(" \t\"") == std::string::npos && word.rfind("--directory", 0) != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorbit;
    if (size == 0) return 0;
    std::vector<std::string> words(1);
    for (size_t i = 1; i < size && words.size() < 64; ++i) {
        if (data[i] == 0)
            words.emplace_back();
        else
            words.back() += static_cast<char>(data[i]);
    }
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    std::vector<std::string> fromArguments;
    int consumed = -1;
    const StartupOptionsResult read = ParseStartupArguments(static_cast<int>(argv.size()), argv.data(), &Collect,
                                                            &fromArguments, &consumed);
    FUZZ_CHECK(consumed >= 0 && consumed <= static_cast<int>(argv.size()));
    FUZZ_CHECK(read.directoryOptions == static_cast<int>(fromArguments.size()));
    for (const std::string& directory : fromArguments) {
        bool within = false;
        for (const std::string& w : words) within |= w.find(directory) != std::string::npos;
        FUZZ_CHECK(within && directory.size() <= DIRECTORY_OPTION_MAX);
    }

    // The arguments joined by blanks, read as one command line.
    std::string line;
    bool plain = !read.missingDirectory;
    for (const std::string& w : words) {
        line += (line.empty() ? "" : " ") + w;
        plain &= Plain(w);
    }
    std::vector<std::string> fromLine;
    const StartupOptionsResult lineRead = ParseCommandLine(line.c_str(), &Collect, &fromLine);
    FUZZ_CHECK(lineRead.directoryOptions == static_cast<int>(fromLine.size()));
    for (const std::string& directory : fromLine) FUZZ_CHECK(line.find(directory) != std::string::npos);
    // Words without blanks or quotes mean the same in both forms.
    if (plain) FUZZ_CHECK(fromLine == fromArguments);
    return 0;
}
