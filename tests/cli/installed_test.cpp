// quorbit-cli installed under a prefix the user may write (cmake --install --prefix
// ~/.local): it works in the user's data directory, and says so once, when it makes it.
#include <gtest/gtest.h>

#include <string>

#include "tests/cli/cli_run.h"

#ifndef _WIN32  // an installation's folders as Linux lays them out
namespace {

using quorbit::testing::CliRun;
using quorbit::testing::RunProcess;
using quorbit::testing::Slurp;

class InstalledCli : public quorbit::testing::ScratchDirTest {
protected:
    // Runs a copy of quorbit-cli with the scratch folder as home and data home.
    CliRun Run(const std::string& program, std::vector<std::string> words) {
        words.insert(words.begin(), program);
        return RunProcess({words, {"HOME=" + Dir(), "XDG_DATA_HOME=" + Dir() + "/data"}});
    }
    std::string CopyTo(const std::string& folder) {
        const std::string program = Dir() + folder + "/quorbit-cli";
        EXPECT_EQ(RunProcess({{"/bin/mkdir", "-p", Dir() + folder}}).status, 0);
        EXPECT_EQ(RunProcess({{"/bin/cp", QUORBIT_CLI_PATH, program}}).status, 0);
        return program;
    }
};

TEST_F(InstalledCli, AnInstallationsBinFolderGivesWayToTheDataDirectorySaidOnce) {
    const std::string installed = CopyTo("/local/bin");
    ASSERT_EQ(RunProcess({{"/bin/mkdir", "-p", Dir() + "/local/share/quorbit/cluster"}}).status, 0);
    const std::string data = Dir() + "/data/quorbit";
    CliRun run = Run(installed, {"add", "7"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "quorbit-cli add: working in " + data + ", made now: the program's own directory " + Dir() +
                           "/local/bin/ is not one it may write\n");
    EXPECT_EQ(Slurp(data + "/WORKTOUR.INI"), "7\r\n");
    EXPECT_EQ(Slurp(Dir() + "/local/bin/WORKTOUR.INI"), "");
    run = Run(installed, {"status"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");  // said once
    EXPECT_NE(run.out.find("a1-d5"), std::string::npos) << run.out;

    // A build's bin folder has no share/quorbit beside it: the program keeps its own.
    const std::string built = CopyTo("/build/bin");
    run = Run(built, {"add", "8"});
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Slurp(Dir() + "/build/bin/WORKTOUR.INI"), "8\r\n");
}

}  // namespace
#endif
