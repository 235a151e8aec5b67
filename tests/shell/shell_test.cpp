// What both programs do without a window. Start-up: the command-line options, the working
// directory, and where the programs work without a directory option: their own, or the
// user's data directory where they may not write (the tests answer "may write"; CI runs as
// root). The program settings as read at start-up, and what the Options commands, the first
// run and the initial show make of them; the autostart entry, always in a temporary
// XDG_CONFIG_HOME.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <cerrno>
#include <climits>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "control/progress.h"
#include "platform/processor.h"
#include "shell/autostart_entry.h"
#include "shell/default_directory.h"
#include "shell/first_run.h"
#include "shell/initial_show.h"
#include "shell/install_menu.h"
#include "shell/option_commands.h"
#include "shell/program_settings.h"
#include "shell/startup_options.h"
#include "shell/working_directory.h"
#include "support/cpu_identity.h"
#include "support/priority.h"
#include "tasks/unit_tasks.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using namespace testing;

void Collect(const char* directory, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(directory);
}

TEST(StartupOptions, CommandLineTextGivesTheDirectoriesInTurn) {
    const struct {
        const char* commandLine;
        std::vector<std::string> directories;
    } cases[] = {
        {"", {}},
        {"/W C:\\work", {"C:\\work"}},
        {"/w   \"C:\\my work\" -W D:\\", {"C:\\my work", "D:\\"}},
        {"/W \"unclosed dir", {"unclosed dir"}},
        {"/x /W a -y  /w b", {"a", "b"}},
        {"/xy /W a", {}},      // more than a letter ends the list
        {"/W a;/W b", {"a;/W"}},
        {"/W a b /W c", {"a"}},  // b is not an option: the list ends there
        {"/W", {""}},
        {"x /W a", {}},
        {"/W\"a\"/W b", {"a"}},  // no blank after the quoted directory: the list ends
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        const StartupOptionsResult result = ParseCommandLine(c.commandLine, &Collect, &got);
        EXPECT_EQ(got, c.directories) << c.commandLine;
        EXPECT_EQ(result.directoryOptions, static_cast<int>(c.directories.size())) << c.commandLine;
    }
    // An overlong directory is refused, not cut.
    std::vector<std::string> got;
    const std::string line = "/W " + std::string(DIRECTORY_OPTION_MAX + 1, 'a') + " /W b";
    EXPECT_TRUE(ParseCommandLine(line.c_str(), &Collect, &got).tooLong);
    EXPECT_EQ(got, std::vector<std::string>{"b"});
}

TEST(StartupOptions, ArgumentVectorReadsShortLongAndQuotedForms) {
    const struct {
        std::vector<const char*> argv;
        std::vector<std::string> directories;
        int consumed;
        bool missing;
    } cases[] = {
        {{"-w", "/srv/q"}, {"/srv/q"}, 2, false},
        {{"/W", "my dir", "-w", "rel"}, {"my dir", "rel"}, 4, false},
        {{"/W\"quoted dir\""}, {"quoted dir"}, 1, false},
        {{"--directory", "/a", "--directory=/b"}, {"/a", "/b"}, 3, false},
        {{"-x", "-w", "a", "run"}, {"a"}, 3, false},
        {{"-xy", "-w", "a"}, {}, 0, false},
        {{"-w"}, {}, 1, true},
        {{"-", "-w", "a"}, {}, 1, false},
        {{"--directoryx", "a"}, {}, 0, false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        int consumed = -1;
        const StartupOptionsResult result = ParseStartupArguments(static_cast<int>(c.argv.size()), c.argv.data(),
                                                                  &Collect, &got, &consumed);
        const std::string label = c.argv.empty() ? "" : c.argv[0];
        EXPECT_EQ(got, c.directories) << label;
        EXPECT_EQ(consumed, c.consumed) << label;
        EXPECT_EQ(result.missingDirectory, c.missing) << label;
    }
}

bool Usable(const char*) { return true; }
bool NotUsable(const char*) { return false; }

class DefaultDirectoryTest : public WorkDirTest {
protected:
    void SetUp() override {
        WorkDirTest::SetUp();
        savedHome_ = Environment("HOME");
        program_ = std::string(Dir()) + "/bin";
        ASSERT_TRUE(MakeFolder(program_.c_str()));
        SetEnvironment("HOME", (std::string(Dir()) + "/home").c_str());
        SetEnvironment("XDG_DATA_HOME", (std::string(Dir()) + "/xdg/data").c_str());
        savedLocal_ = Environment("LOCALAPPDATA");
        SetEnvironment("LOCALAPPDATA", NativePath(std::string(Dir()) + "/xdg/data").c_str());
    }
    void TearDown() override {
        SetEnvironment("HOME", savedHome_.c_str());
        SetEnvironment("XDG_DATA_HOME", nullptr);
        SetEnvironment("LOCALAPPDATA", savedLocal_.empty() ? nullptr : savedLocal_.c_str());
        WorkDirTest::TearDown();
    }
    // Where the data directory is made: $XDG_DATA_HOME/quorbit, %LOCALAPPDATA%\Quorbit.
    std::string DataDirectory() const {
#ifdef _WIN32
        return NativePath(std::string(Dir()) + "/xdg/data/Quorbit");
#else
        return std::string(Dir()) + "/xdg/data/quorbit";
#endif
    }
    std::string Note(const DefaultDirectoryResult& result) {
        char note[3 * PATH_MAX];
        return DescribeDefaultDirectory(result, note, sizeof note) ? note : "<none>";
    }
    std::string savedHome_, savedLocal_;
    std::string program_;
};

TEST_F(DefaultDirectoryTest, DataDirectoryOnlyWhereTheProgramsOwnMayNotBeWritten) {
    const std::string data = DataDirectory();
    const std::string refusal = ": the program's own directory " + program_ + " is not one it may write";

    DefaultDirectoryResult result = EnterDefaultDirectory(program_.c_str(), &Usable);
    EXPECT_TRUE(result.entered);
    EXPECT_EQ(CurrentFolder(), NativePath(program_));
    EXPECT_EQ(Note(result), "<none>");
    EXPECT_FALSE(IsFolder(data));

    result = EnterDefaultDirectory(program_.c_str(), &NotUsable);  // made, with its parents
    EXPECT_TRUE(result.entered && result.userData && result.created);
    EXPECT_EQ(result.error, 0);
    EXPECT_EQ(CurrentFolder(), data);
    EXPECT_EQ(Note(result), "working in " + data + ", made now" + refusal);
#ifndef _WIN32
    struct stat info;
    ASSERT_EQ(::stat(data.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
#endif

    result = EnterDefaultDirectory(program_.c_str(), &NotUsable);  // there already
    EXPECT_FALSE(result.created);
    EXPECT_EQ(Note(result), "working in " + data + refusal);

#ifndef _WIN32
    SetEnvironment("XDG_DATA_HOME", "relative/is/ignored");
    result = EnterDefaultDirectory(program_.c_str(), &NotUsable);
    EXPECT_EQ(CurrentFolder(), std::string(Dir()) + "/home/.local/share/quorbit");
#endif
}

TEST_F(DefaultDirectoryTest, NoDataDirectoryLeavesTheProgramInItsOwnAndSaysWhy) {
    WriteFile("file", "a file where a folder should be");
    // Below a file, then nowhere at all (no XDG_DATA_HOME, no HOME).
    for (const bool belowFile : {true, false}) {
#ifdef _WIN32
        const std::string local = NativePath(std::string(Dir()) + "/file/data");
        std::string expected = "and LOCALAPPDATA names no data directory";
        SetEnvironment("LOCALAPPDATA", belowFile ? local.c_str() : nullptr);
        if (belowFile) expected = "and " + local + "\\Quorbit cannot be used: ";
#else
        const std::string xdg = std::string(Dir()) + "/file/data";
        std::string expected = "and neither XDG_DATA_HOME nor HOME names a data directory";
        if (belowFile) {
            SetEnvironment("XDG_DATA_HOME", xdg.c_str());
            expected = "and " + xdg + "/quorbit cannot be used: Not a directory";
        } else {
            SetEnvironment("XDG_DATA_HOME", nullptr);
            SetEnvironment("HOME", nullptr);
        }
#endif
        const DefaultDirectoryResult result = EnterDefaultDirectory(program_.c_str(), &NotUsable);
        EXPECT_NE(result.error, 0);
        EXPECT_TRUE(result.entered);
        EXPECT_EQ(CurrentFolder(), NativePath(program_));
        const std::string note = Note(result);
        EXPECT_NE(note.find(expected), std::string::npos) << note;
    }
}

// The options in turn, a relative one taken from the directory before, the first failure
// kept; without one, the program's own directory, or the data directory where the program's
// own may not be written. An option is followed wherever the program lies.
TEST_F(DefaultDirectoryTest, EachOptionInTurnOrTheProgramsOwnOrTheDataDirectory) {
    char exe[PATH_MAX];
    ASSERT_TRUE(ExecutablePath(exe, sizeof exe));
    ASSERT_TRUE(CutAfterLastSlash(exe));
    const std::string given = std::string(Dir()) + "/given";
    ASSERT_TRUE(MakeFolder(given) && MakeFolder(given + "/inner"));
    const char* options[] = {"-w", given.c_str(), "-w", "inner", "-w", "missing", "-w", "missing-too"};
    WorkingDirectoryReport report;
    ChooseWorkingDirectory(8, options, true, report, nullptr, &NotUsable);
    EXPECT_EQ(CurrentFolder(), NativePath(given + "/inner"));
    EXPECT_TRUE(report.executableDirectoryEntered);
    EXPECT_FALSE(report.defaultDirectory.userData);
    EXPECT_FALSE(IsFolder(DataDirectory()));
    EXPECT_EQ(report.failures, 2);
    EXPECT_STREQ(report.firstFailure, "missing");
    EXPECT_EQ(report.firstError, ENOENT);

    ChooseWorkingDirectory(0, options, true, report);
    EXPECT_EQ(NativePath(CurrentFolder() + "/"), std::string(exe));
    ChooseWorkingDirectory(0, options, true, report, nullptr, &NotUsable);
    EXPECT_EQ(CurrentFolder(), DataDirectory());
    EXPECT_TRUE(report.defaultDirectory.userData);
    EXPECT_FALSE(report.executableDirectoryEntered);
}

#ifndef _WIN32  // the system trees of a POSIX system, and permission bits
TEST_F(DefaultDirectoryTest, SystemProgramTreesAreNeverUsableEvenForRoot) {
    const std::string lookalike = std::string(Dir()) + "/usr/bin/";
    ASSERT_TRUE(MakeFolder((std::string(Dir()) + "/usr").c_str()));
    ASSERT_TRUE(MakeFolder(lookalike.c_str()));
    const struct {
        std::string directory;
        bool usable;
    } cases[] = {
        {"/usr/bin/", false}, {"/usr/local/bin/", false}, {"/bin/", false}, {"/sbin", false}, {"/usr", false},
        {lookalike, true},    {program_, true},           {std::string(Dir()) + "/missing/", false},
    };
    for (const auto& c : cases) EXPECT_EQ(ProgramDirectoryUsable(c.directory.c_str()), c.usable) << c.directory;
    if (RunningAsAdministrator()) return;  // permission bits do not stop root
    ASSERT_EQ(::chmod(program_.c_str(), 0555), 0);
    EXPECT_FALSE(ProgramDirectoryUsable(program_.c_str()));
}
#endif

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
    const std::string held = std::to_string(AvailableProcessors());
    EXPECT_EQ(ConsoleSlot(1), "Threads: 1000 asked, but " + held + " processors are available: " + held + " threads are used.");
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

    // The console program (no autostart) describes the processor once and leaves the desktop
    // its first run, which, an entry being there already, gives only the processor lines.
    ClearConsole();
    ResetLineTables();
    WriteFile("QUORBIT.INI", "");
    for (const char* executable : {static_cast<const char*>(nullptr), "/opt/quorbit/quorbit"}) {
        s = ReadProgramSettings();
        ASSERT_TRUE(RunFirstRunSetup(s, executable));
        EXPECT_EQ(ConsoleSlot(4), "");
        EXPECT_NE(ConsoleSlot(3).find(" detected"), std::string::npos);
        const std::string recorded = "CpuId=" + std::to_string(cpuNumber.load()) + "\r\n";
        EXPECT_EQ(ReadFile("QUORBIT.INI"), executable == nullptr ? recorded : recorded + "AutoInstall=1\r\n");
        if (executable == nullptr) {
            EXPECT_FALSE(RunFirstRunSetup(s, nullptr));
        }
        ClearConsole();
    }
}

// The Run key's value starts the program in its folder: /W only for a folder not its own,
// both paths quoted, a folder's final backslash doubled so that it escapes no quote.
TEST(RunValue, NamesTheFolderAndQuotesThePaths) {
    const struct {
        const char *executable, *directory, *name, *data;
    } cases[] = {
        {"C:\\Program Files\\Quorbit\\quorbit.exe", "c:\\program files\\quorbit\\",
         "C:\\Program Files\\Quorbit\\quorbit.exe", "\"C:\\Program Files\\Quorbit\\quorbit.exe\""},
        {"C:\\Q\\quorbit.exe", "C:\\Q\\tours", "C:\\Q\\quorbit.exe /W C:\\Q\\tours",
         "\"C:\\Q\\quorbit.exe\" /W \"C:\\Q\\tours\""},
        {"C:\\Q\\quorbit.exe", "C:\\", "C:\\Q\\quorbit.exe /W C:\\", "\"C:\\Q\\quorbit.exe\" /W \"C:\\\\\""},
        {"C:\\quorbit.exe", "C:\\", "C:\\quorbit.exe", "\"C:\\quorbit.exe\""},
        {"C:\\Q\\quorbit.exe", "C:\\Qu", "C:\\Q\\quorbit.exe /W C:\\Qu", "\"C:\\Q\\quorbit.exe\" /W \"C:\\Qu\""},
    };
    for (const auto& c : cases) {
        char name[64], data[64];
        ASSERT_TRUE(FormatRunValue(c.executable, c.directory, name, sizeof name, data, sizeof data)) << c.directory;
        EXPECT_STREQ(name, c.name);
        EXPECT_STREQ(data, c.data);
    }
    char name[64], data[20];
    EXPECT_FALSE(FormatRunValue("C:\\Q\\quorbit.exe", "C:\\Q\\tours", name, sizeof name, data, sizeof data));
    EXPECT_STREQ(data, "");
}

#ifndef _WIN32  // the XDG autostart file; Windows keeps a Run key value
// The entry's Exec line quotes the path and escapes what the desktop entry format would
// read otherwise (a blank, '%', '$', '\\'); each folder has an entry of its own.
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
    EXPECT_NE(text.find("\nExec=\"/opt/my 100%%/\\\\$q\\\\\\\\uorbit\" -w \"" + std::string(Dir()) + "\"\n"), std::string::npos)
        << text;

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
    // Another folder has an entry of its own, which starts the program there; Uninstall there
    // leaves this folder's.
    const std::string other = std::string(Dir()) + "/tours b";
    ASSERT_TRUE(MakeFolder(other) && EnterFolder(other));
    QueryAutostart(exe);
    EXPECT_EQ(autostartState, 0);
    InstallAutostart(AUTOSTART_NORMAL, exe);
    EXPECT_NE(EntryOf(exe), entry);
    EXPECT_NE(ReadFile(EntryOf(exe)).find(" -w \"" + other + "\"\n"), std::string::npos);
    InstallAutostart(AUTOSTART_REMOVE, exe);
    EXPECT_NE(ReadFile(entry), "<missing>");
    ASSERT_TRUE(EnterFolder(Dir()));
    ClearConsole();

    InstallAutostart(AUTOSTART_REMOVE, exe);
    EXPECT_EQ(autostartState, 0);
    EXPECT_EQ(ConsoleSlot(2), "Quorbit 1.2a is now disabled at boot");
    EXPECT_EQ(ConsoleSlot(1), "You can enable this by clicking on Options/Install");
    EXPECT_EQ(ReadFile(entry.c_str()), "<missing>");
}

// The folder comes from XDG_CONFIG_HOME or HOME; with neither nothing is done or said, and
// a folder that cannot be made or written into is said and changes no state.
TEST_F(AutostartTest, FolderComesFromXdgConfigHomeOrHomeAndFailuresAreSaid) {
    char folder[PATH_MAX];
    SetEnvironment("XDG_CONFIG_HOME", "relative/ignored");
    SetEnvironment("HOME", Dir());
    ASSERT_TRUE(AutostartFolder(folder, sizeof folder));
    EXPECT_EQ(std::string(folder), std::string(Dir()) + "/.config/autostart");
    SetEnvironment("XDG_CONFIG_HOME", nullptr);
    SetEnvironment("HOME", nullptr);
    EXPECT_FALSE(AutostartFolder(folder, sizeof folder));
    InstallAutostart(AUTOSTART_NORMAL, "/opt/q");
    EXPECT_EQ(ConsoleSlot(1), "");

    SetEnvironment("XDG_CONFIG_HOME", config_.c_str());
    WriteFile("config", "a file where the folder should be");
    InstallAutostart(AUTOSTART_NORMAL, "/opt/q");
    EXPECT_EQ(ConsoleSlot(1), "Can't create autostart folder.");
    EXPECT_EQ(autostartState, 0);
    if (RunningAsAdministrator()) return;  // root writes into read-only folders
    ASSERT_TRUE(RemovePath("config"));
    ASSERT_TRUE(MakeFolder("config"));
    ASSERT_EQ(::mkdir("config/autostart", 0500), 0);
    InstallAutostart(AUTOSTART_NORMAL, "/opt/q");
    EXPECT_EQ(ConsoleSlot(1), "Can't write autostart entry.");
    EXPECT_EQ(autostartState, 0);
}
#endif

}  // namespace
}  // namespace quorbit
