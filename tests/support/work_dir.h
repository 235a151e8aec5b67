// A fresh scratch folder as the working directory of each test. The store and the results
// file work relative to the process's working directory, so each test moves into its own
// folder and back; the tests of one binary run one after another.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/console.h"
#include "support/line_table.h"
#include "support/results_file.h"
#include "support/shell.h"
#include "support/write_failure.h"
#include "tests/test_support/test_platform.h"

namespace quorbit::testing {

inline std::string ConsoleSlot(int slot) {
    char line[CONSOLE_SLOT_SIZE];
    ConsoleCopyLine(slot, line, sizeof line);
    return line;
}

class WorkDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = CurrentFolder();
        folder_.emplace("quorbit-support");
        ASSERT_TRUE(EnterFolder(folder_->Path()));
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
        ASSERT_TRUE(EnterFolder(previous_));
        folder_.reset();
    }

    const char* Dir() const { return folder_->Path().c_str(); }

private:
    std::string previous_;
    std::optional<ScratchFolder> folder_;
};

}  // namespace quorbit::testing
