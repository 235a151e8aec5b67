// The program settings as read at start-up, and what the Options commands, the first run and
// the initial show make of them; the autostart entry, always in a temporary XDG_CONFIG_HOME.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <climits>
#include <string>

#include "shell/autostart_entry.h"
#include "shell/first_run.h"
#include "shell/initial_show.h"
#include "shell/install_menu.h"
#include "shell/option_commands.h"
#include "shell/program_settings.h"
#include "control/progress.h"
#include "platform/processor.h"
#include "tasks/unit_tasks.h"
#include "support/cpu_identity.h"
#include "support/priority.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using namespace testing;

// The first run installs an autostart entry: it goes to this test's folder, as every entry
// the autostart tests make (the environment is put back afterwards).
class ProgramSettingsTest : public WorkDirTest {
protected:
    void SetUp() override {
        WorkDirTest::SetUp();
        config_ = std::string(Dir()) + "/config";
        SetEnvironment("XDG_CONFIG_HOME", config_.c_str());
        autostartState = 0;
    }
    void TearDown() override {
        SetEnvironment("HOME", home_.c_str());
        WorkDirTest::TearDown();
    }
    std::string EntryOf(const char* executable) {
        char path[PATH_MAX];
        EXPECT_TRUE(AutostartEntryPath(executable, path, sizeof path));
        return path;
    }
    std::string config_, home_ = Environment("HOME");
};
using AutostartTest = ProgramSettingsTest;

TEST_F(ProgramSettingsTest, DefaultsAndAdjustmentsInMemoryOnly) {
    ProgramSettings s = ReadProgramSettings();
    EXPECT_EQ(std::vector<int32_t>({s.cpuNumber, s.displayFrequency, s.displayDepth, s.priority, s.hideIcon, s.trayIcon, s.autoInstall}),
              std::vector<int32_t>({0, 30, 8, 1, 0, 1, 0}));
    EXPECT_FALSE(HasStoredWindowRect(s));
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "<missing>");

    const struct {
        const char* file;
        int32_t frequency, depth, priority;
    } cases[] = {
        {"DisplayFrequency=0\r\nDisplayDepth=-5\r\nPriority=15\r\n", 1, 1, 10},
        {"DisplayFrequency=-5\r\nPriority=0\r\n", 1, 8, 1},
        {"DisplayFrequency=7\r\nDisplayDepth=40\r\nPriority=6\r\n", 7, 40, 6},
        {"Priority=garbage\r\n\x01\x02\r\nDisplayDepth=\r\n", 30, 1, 1},
    };
    for (const auto& c : cases) {
        ResetLineTables();
        WriteFile("QUORBIT.INI", c.file);
        s = ReadProgramSettings();
        EXPECT_EQ(s.displayFrequency, c.frequency) << c.file;
        EXPECT_EQ(s.displayDepth, c.depth) << c.file;
        EXPECT_EQ(s.priority, c.priority) << c.file;
        EXPECT_EQ(ReadFile("QUORBIT.INI"), c.file);  // adjusted in memory only
    }
    ApplyProgramSettings(s);
    EXPECT_EQ(displayDepth.load(), 1);
    EXPECT_EQ(priorityLevel.load(), 1);

    ResetLineTables();
    WriteFile("QUORBIT.INI", "Bottom=0\r\nTop=0\r\nRight=0\r\n");
    EXPECT_FALSE(HasStoredWindowRect(ReadProgramSettings()));
    ResetLineTables();
    WriteFile("QUORBIT.INI", "Right=640\r\n");
    s = ReadProgramSettings();
    EXPECT_TRUE(HasStoredWindowRect(s));
    StoreWindowRect(s, 10, -20, 650, 480);
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "Right=650\r\nLeft=10\r\nTop=-20\r\nBottom=480\r\n");
}

// Queued work at start-up starts computing, the window out of the way where it can come back.
TEST(InitialShow, QueuedWorkStartsOutOfTheWayAndComputing) {
    const struct {
        int32_t queued, trayIcon;
        bool trayAvailable;
        InitialShow show;
        bool postContinue;
    } cases[] = {{0, 1, true, InitialShow::Normal, false},
                 {2, 1, true, InitialShow::Hidden, true},
                 {2, 0, true, InitialShow::Minimized, true},
                 {2, 1, false, InitialShow::Minimized, true}};  // no notification area to come back from
    for (const auto& c : cases) {
        ProgramSettings s{};
        s.trayIcon = c.trayIcon;
        const InitialShowChoice choice = ChooseInitialShow(c.queued, s, c.trayAvailable);
        EXPECT_EQ(choice.show, c.show) << c.queued << c.trayIcon << c.trayAvailable;
        EXPECT_EQ(choice.postContinue, c.postContinue);
    }
}

TEST_F(ProgramSettingsTest, ThreadsAreHeldWithinTheProcessorsAndWrittenOnlyWhenChanged) {
    ProgramSettings s = ReadProgramSettings();
    EXPECT_EQ(s.threads, 0);
    StorePreferences(s, 30, 8, 1000);
    EXPECT_EQ(taskThreads.load(), AvailableProcessors());
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "DisplayFrequency=30\r\nDisplayDepth=8\r\nThreads=" +
                                           std::to_string(AvailableProcessors()) + "\r\n");
    StorePreferences(s, 30, 8, 0);
    EXPECT_EQ(taskThreads.load(), 0);
    ResetLineTables();
    EXPECT_EQ(ReadProgramSettings().threads, 0);
}

TEST_F(ProgramSettingsTest, FirstRunInstallsIdentifiesAndRecordsOnce) {
    ProgramSettings s = ReadProgramSettings();
    ASSERT_TRUE(IsFirstRun(s));
    QueryAutostart("/opt/quorbit/quorbit");
    ASSERT_TRUE(RunFirstRunSetup(s, "/opt/quorbit/quorbit"));
    EXPECT_EQ(autostartState, 1);
    EXPECT_EQ(ConsoleSlot(5), "Quorbit 1.2a will start automatically the next time you'll restart your computer");
    EXPECT_EQ(ConsoleSlot(4), "You can disable this by clicking on Options/Uninstall");
    EXPECT_NE(ConsoleSlot(3).find(" detected"), std::string::npos);
    EXPECT_EQ(ConsoleSlot(1).rfind("Running processor ", 0), 0u);
    const std::string expected = "AutoInstall=1\r\nCpuId=" + std::to_string(cpuNumber.load()) + "\r\n";
    EXPECT_EQ(ReadFile("QUORBIT.INI"), expected);
    EXPECT_EQ(s.cpuNumber, cpuNumber.load());
    EXPECT_GE(s.cpuNumber, 1);

    ClearConsole();
    ResetLineTables();
    s = ReadProgramSettings();
    EXPECT_FALSE(RunFirstRunSetup(s, "/opt/quorbit/quorbit"));
    EXPECT_EQ(ConsoleSlot(1), "");
    EXPECT_EQ(s.cpuNumber, 0);  // "CpuNumber" itself was never written

    // An entry already there, or the console program (no autostart): only the processor lines.
    for (const char* executable : {"/opt/quorbit/quorbit", static_cast<const char*>(nullptr)}) {
        ClearConsole();
        ResetLineTables();
        WriteFile("QUORBIT.INI", "");
        s = ReadProgramSettings();
        ASSERT_TRUE(RunFirstRunSetup(s, executable));
        EXPECT_EQ(ConsoleSlot(4), "");
        EXPECT_NE(ConsoleSlot(3).find(" detected"), std::string::npos);
    }
}

// The entry's Exec line quotes the path and escapes what the desktop entry format would
// read otherwise (a blank, '%', '$', '\\').
TEST_F(AutostartTest, InstallQueryAndRemoveWithTheirMessages) {
    const char* exe = "/opt/my 100%/$q\\uorbit";
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
    EXPECT_NE(text.find("\nExec=\"/opt/my 100%%/\\\\$q\\\\\\\\uorbit\"\n"), std::string::npos) << text;

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

#ifndef _WIN32
    if (RunningAsAdministrator()) GTEST_SKIP() << "root writes into read-only folders";
    ASSERT_TRUE(RemovePath("config"));
    ASSERT_TRUE(MakeFolder("config"));
    ASSERT_EQ(::mkdir("config/autostart", 0500), 0);
    InstallAutostart(AUTOSTART_NORMAL, "/opt/q");
    EXPECT_EQ(ConsoleSlot(1), "Can't write autostart entry.");
    EXPECT_EQ(autostartState, 0);
#endif
}

TEST_F(AutostartTest, FolderComesFromXdgConfigHomeOrHome) {
    char folder[PATH_MAX];
    SetEnvironment("XDG_CONFIG_HOME", "relative/ignored");
    SetEnvironment("HOME", Dir());
    ASSERT_TRUE(AutostartFolder(folder, sizeof folder));
    EXPECT_EQ(std::string(folder), std::string(Dir()) + "/.config/autostart");
    SetEnvironment("XDG_CONFIG_HOME", nullptr);
    SetEnvironment("HOME", nullptr);
    EXPECT_FALSE(AutostartFolder(folder, sizeof folder));
    InstallAutostart(AUTOSTART_NORMAL, "/opt/q");  // nowhere to write: nothing done, nothing said
    EXPECT_EQ(ConsoleSlot(1), "");
}

}  // namespace
}  // namespace quorbit
