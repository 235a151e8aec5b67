// A fresh temporary working directory for each test, and small file helpers. The store and
// the results file work relative to the process's working directory, so each test moves
// into its own directory and back; the tests of one binary run one after another.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <ftw.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/console.h"
#include "support/line_table.h"
#include "support/results_file.h"
#include "support/shell.h"
#include "support/write_failure.h"

namespace quorbit::testing {

inline std::string ReadFile(const char* name) {
    std::string bytes;
    FILE* f = std::fopen(name, "rb");
    if (f == nullptr) return "<missing>";
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, got);
    std::fclose(f);
    return bytes;
}

inline void WriteFile(const char* name, const std::string& bytes) {
    FILE* f = std::fopen(name, "wb");
    ASSERT_NE(f, nullptr) << name;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    ASSERT_EQ(std::fclose(f), 0);
}

inline ino_t InodeOf(const char* name) {
    struct stat info;
    return ::lstat(name, &info) == 0 ? info.st_ino : 0;
}

inline std::string ConsoleSlot(int slot) {
    char line[CONSOLE_SLOT_SIZE];
    ConsoleCopyLine(slot, line, sizeof line);
    return line;
}

inline bool RunningAsRoot() { return ::geteuid() == 0; }

class WorkDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(::getcwd(previous_, sizeof previous_), nullptr);
        std::snprintf(dir_, sizeof dir_, "/tmp/quorbit-support-XXXXXX");
        ASSERT_NE(::mkdtemp(dir_), nullptr);
        ASSERT_EQ(::chdir(dir_), 0);
        ResetLineTables();
        ClearConsole();
        SetQuitting(false);
        AttachShell(nullptr);
        lastStampTime.store(0);
        SetCalendarClock(nullptr);
        SetResultsFileReadOnly(false);
        ClearWriteFailure();
    }

    void TearDown() override {
        ResetLineTables();
        SetCalendarClock(nullptr);
        ClearWriteFailure();
        ASSERT_EQ(::chdir(previous_), 0);
        // Folders a test made read-only are opened up first.
        std::system(("chmod -R u+rwx '" + std::string(dir_) + "' 2>/dev/null; rm -rf '" + std::string(dir_) + "'").c_str());
    }

    const char* Dir() const { return dir_; }

private:
    char previous_[PATH_MAX];
    char dir_[64];
};

}  // namespace quorbit::testing
