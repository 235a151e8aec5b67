// The autostart entry, always in a temporary XDG_CONFIG_HOME.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "shell/autostart_entry.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using testing::ConsoleSlot;
using testing::ReadFile;
using testing::WriteFile;

TEST(AutostartExec, PathIsQuotedAndEscapedForTheDesktopEntryFormat) {
    const struct {
        const char* path;
        const char* exec;
    } cases[] = {
        {"/opt/quorbit/quorbit", "\"/opt/quorbit/quorbit\""},
        {"/home/ann/my tours/quorbit", "\"/home/ann/my tours/quorbit\""},
        {"/a\"b", "\"/a\\\\\"b\""},
        {"/a`b$c", "\"/a\\\\`b\\\\$c\""},
        {"/a\\b", "\"/a\\\\\\\\b\""},  // a literal backslash takes four
        {"/100%/q", "\"/100%%/q\""},
        {"/a\nb\tc", "\"/a\\nb\\tc\""},
    };
    for (const auto& c : cases) {
        char exec[256];
        ASSERT_TRUE(FormatExecValue(c.path, exec, sizeof exec)) << c.path;
        EXPECT_STREQ(exec, c.exec) << c.path;
    }
    char small[8];
    EXPECT_FALSE(FormatExecValue("/opt/quorbit/quorbit", small, sizeof small));
}

class AutostartTest : public testing::WorkDirTest {
protected:
    void SetUp() override {
        WorkDirTest::SetUp();
        config_ = std::string(Dir()) + "/config";
        testing::SetEnvironment("XDG_CONFIG_HOME", config_.c_str());
        autostartState = 0;
    }
    std::string EntryOf(const char* executable) {
        char path[PATH_MAX];
        EXPECT_TRUE(AutostartEntryPath(executable, path, sizeof path));
        return path;
    }
    std::string config_;
};

TEST_F(AutostartTest, InstallQueryAndRemoveWithTheirMessages) {
    const char* exe = "/opt/quorbit/quorbit";
    const std::string entry = EntryOf(exe);
    EXPECT_EQ(entry.rfind(config_ + "/autostart/quorbit-", 0), 0u) << entry;

    QueryAutostart(exe);
    EXPECT_EQ(autostartState, 0);
    InstallAutostart(AUTOSTART_REMOVE, exe);  // nothing to remove: silent
    EXPECT_EQ(ConsoleSlot(1), "");

    InstallAutostart(AUTOSTART_SERVICE, exe);
    EXPECT_EQ(autostartState, 1);
    EXPECT_EQ(ConsoleSlot(2), "Quorbit 1.2a will start automatically the next time you'll restart your computer");
    EXPECT_EQ(ConsoleSlot(1), "You can disable this by clicking on Options/Uninstall");
    const std::string text = ReadFile(entry.c_str());
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=\"/opt/quorbit/quorbit\"\n"), std::string::npos) << text;

    ClearConsole();
    InstallAutostart(AUTOSTART_NORMAL, exe);  // present: nothing changed or said
    EXPECT_EQ(ConsoleSlot(1), "");
    autostartState = 0;
    QueryAutostart(exe);
    EXPECT_EQ(autostartState, 1);

    // Another executable has an entry of its own; moving the program leaves the old one.
    QueryAutostart("/usr/local/bin/quorbit");
    EXPECT_EQ(autostartState, 0);
    EXPECT_NE(EntryOf("/usr/local/bin/quorbit"), entry);

    InstallAutostart(AUTOSTART_REMOVE, exe);
    EXPECT_EQ(autostartState, 0);
    EXPECT_EQ(ConsoleSlot(2), "Quorbit 1.2a is now disabled at boot");
    EXPECT_EQ(ConsoleSlot(1), "You can enable this by clicking on Options/Install");
    EXPECT_EQ(ReadFile(entry.c_str()), "<missing>");
}

TEST_F(AutostartTest, FailuresAreSaidAndChangeNoState) {
    WriteFile("config", "a file where the folder should be");
    InstallAutostart(AUTOSTART_NORMAL, "/opt/q");
    EXPECT_EQ(ConsoleSlot(1), "Can't create autostart folder.");
    EXPECT_EQ(autostartState, 0);

    if (testing::RunningAsAdministrator()) GTEST_SKIP() << "root writes into read-only folders";
    ASSERT_EQ(std::remove("config"), 0);
    ASSERT_TRUE(testing::MakeFolder("config"));
    ASSERT_EQ(::mkdir("config/autostart", 0500), 0);
    InstallAutostart(AUTOSTART_NORMAL, "/opt/q");
    EXPECT_EQ(ConsoleSlot(1), "Can't write autostart entry.");
    EXPECT_EQ(autostartState, 0);
}

TEST_F(AutostartTest, FolderComesFromXdgConfigHomeOrHome) {
    char folder[PATH_MAX];
    testing::SetEnvironment("XDG_CONFIG_HOME", "relative/ignored");
    testing::SetEnvironment("HOME", Dir());
    ASSERT_TRUE(AutostartFolder(folder, sizeof folder));
    EXPECT_EQ(std::string(folder), std::string(Dir()) + "/.config/autostart");
    testing::SetEnvironment("XDG_CONFIG_HOME", nullptr);
    testing::SetEnvironment("HOME", nullptr);
    EXPECT_FALSE(AutostartFolder(folder, sizeof folder));
    InstallAutostart(AUTOSTART_NORMAL, "/opt/q");  // nowhere to write: nothing done, nothing said
    EXPECT_EQ(ConsoleSlot(1), "");
}

}  // namespace
}  // namespace quorbit
