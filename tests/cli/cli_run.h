// Running the built programs as a user runs them, from the tests.
#pragma once

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "tests/test_support/test_platform.h"

namespace quorbit::testing {

using CliRun = Finished;

inline std::string Slurp(const std::string& path) { return ReadFile(path, ""); }

// The lines of a text, without their CR LF or LF ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

inline size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// Runs quorbit-cli with the words (or the blank-separated words of a text) as its arguments;
// the environment ("NAME=VALUE") is added to the test's own.
inline CliRun Cli(std::vector<std::string> words, std::vector<std::string> environment = {}) {
    words.insert(words.begin(), QUORBIT_CLI_PATH);
    return RunProcess({words, environment});
}
inline CliRun Cli(const std::string& text, std::vector<std::string> environment = {}) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> std::quoted(word, '\'');) words.push_back(word);  // 'a b' is one word
    return Cli(words, environment);
}

// A scratch folder of the test's own, removed with everything in it.
class ScratchDirTest : public ::testing::Test {
protected:
    std::string Dir() const { return scratch_.Path(); }
    ScratchFolder scratch_{"quorbit-cli"};
};

}  // namespace quorbit::testing
