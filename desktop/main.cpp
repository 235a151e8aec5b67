// quorbit: the desktop program. Start-up in this order: the working directory, one instance
// per directory, the window, the settings, the window's place and first state, the queued
// work resumed, the tray icon, the check marks, the autostart entry and the first-run
// set-up; then the event loop; then the shutdown, whichever way the program ends.
#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <thread>
#include <unistd.h>

#include "control/computation.h"
#include "control/work_queue.h"
#include "desktop/desktop_shell.h"
#include "desktop/instance_requests.h"
#include "desktop/main_window.h"
#include "desktop/termination_signals.h"
#include "instance/instance_channel.h"
#include "instance/instance_key.h"
#include "instance/instance_lock.h"
#include "shell/autostart_entry.h"
#include "shell/desktop_requests.h"
#include "shell/first_run.h"
#include "shell/initial_show.h"
#include "shell/program_settings.h"
#include "shell/program_version.h"
#include "shell/startup_report.h"
#include "shell/working_directory.h"
#include "support/console.h"
#include "support/line_table.h"
#include "support/shell.h"

namespace {

using namespace quorbit;

constexpr auto SECOND_START_DURATION = std::chrono::milliseconds(750);

// The directory is held by an instance that has no window to show (quorbit-cli run, or one
// that does not answer): the user would otherwise see nothing happen.
void SayHeldWithoutWindow(pid_t holder, const char* directory) {
    char text[PATH_MAX + 256];
    std::snprintf(text, sizeof text,
                  "Another Quorbit (process %ld) is computing in %s without a window.\n"
                  "quorbit-cli status, add and stop reach it.",
                  static_cast<long>(holder), directory);
    std::fprintf(stderr, "quorbit: %s\n", text);
    QMessageBox::information(nullptr, QString::fromLatin1(PROGRAM_TITLE), QString::fromLocal8Bit(text));
}

// The window's last normal rectangle, unless what is stored could not be a window.
void PlaceWindow(MainWindow& window, const ProgramSettings& settings) {
    if (!HasStoredWindowRect(settings)) return;
    if (!StoredWindowRectUsable(settings)) {
        ConsolePrint("The stored window position is not usable; the desktop places the window.\n");
        return;
    }
    window.setGeometry(settings.left, settings.top, settings.right - settings.left, settings.bottom - settings.top);
}

const char* const DESKTOP_HELP = R"(usage: quorbit [-w DIR]
       quorbit --version | --help

Quorbit's desktop program: enumerates the semi-magic knight's tours of the 6x6 torus,
working through the queue of units in its working directory, in a window of its own.

-w DIR, /W DIR, --directory DIR
           work in DIR: its QUORBIT.INI, WORKTOUR.INI, SOLUTION.TXT and LOGSOL.TXT.
           By default the program works in its own directory, or, where it may not
           write there (an installed program), in $XDG_DATA_HOME/quorbit
           (~/.local/share/quorbit), made when missing.
--version  the version number.
--help     this text.

One instance works in a directory: a second start brings the first one's window to
the front. quorbit-cli works with the same directories from a console; "man quorbit"
tells more.
)";

// --version and --help, answered before any window system is touched, so that they work
// without a display. -1 when the arguments ask for neither.
int AnswerInformationRequest(int argc, char** argv) {
    if (argc != 2) return -1;
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("quorbit (Quorbit) %s\n", PROGRAM_VERSION);
    } else if (std::strcmp(argv[1], "--help") == 0) {
        std::fputs(DESKTOP_HELP, stdout);
    } else {
        return -1;
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

// A display that goes away ends the program from inside Qt: the computation is still halted
// and waited for, so that no thread writes while the process takes itself apart.
void HaltAtExit() {
    SetQuitting(true);
    HaltComputation();
    StopComputationAndWait();
}

}  // namespace

int main(int argc, char** argv) {
    const int answered = AnswerInformationRequest(argc, argv);
    if (answered >= 0) return answered;
    QApplication application(argc, argv);
    // Lets the desktop match the window with the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("quorbit"));
    std::atexit(HaltAtExit);
    // Hidden in the tray, the window is not closed: only Exit, the close box, the end of the
    // session or a signal end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    char executable[PATH_MAX];
    if (!ExecutablePath(executable, sizeof executable)) executable[0] = '\0';
    WorkingDirectoryReport directoryReport{};
    ChooseWorkingDirectory(argc - 1, argv + 1, true, directoryReport);

    char directory[PATH_MAX];
    if (!CurrentDirectory(directory, sizeof directory)) directory[0] = '\0';
    char instanceName[INSTANCE_NAME_SIZE];
    FormatInstanceName(InstanceKey(directory), instanceName, sizeof instanceName);
    InstanceLock lock{};
    const InstanceLockResult locked = AcquireInstanceLock(instanceName, directory, lock);
    if (locked.outcome == InstanceLockOutcome::HeldByOther) {
        // Another instance works here: bring it to the front and leave without a window.
        const auto start = std::chrono::steady_clock::now();
        char reply[INSTANCE_REPLY_MAX];
        if (SendInstanceRequest(lock.paths.socketPath, "show", reply, sizeof reply) != REPLY_DONE)
            SayHeldWithoutWindow(locked.holder, directory);
        std::this_thread::sleep_until(start + SECOND_START_DURATION);
        return 0;
    }

    ProgramSettings settings = ReadProgramSettings();
    MainWindow window(settings, executable);
    AttachDesktopShell(&window);
    // From here on a signal ends the program through its shutdown, once the event loop runs.
    const auto quit = [&window] {
        window.Shutdown();
        QCoreApplication::exit(0);
    };
    CatchTerminationSignals(&window, quit);
    ReportWorkingDirectory(directoryReport);
    ServeDesktopRequests(lock, locked, DesktopInstanceRequests(&window));

    ApplyProgramSettings(settings);
    SayShortWork();
    PlaceWindow(window, settings);
    const InitialShowChoice show = ChooseInitialShow(QueueCount(), settings, TrayAvailable());
    if (show.postContinue)
        QTimer::singleShot(0, &window, [&window] { window.RunCommand(CONTINUE_COMMAND); });
    if (show.show == InitialShow::Normal) window.show();
    if (show.show == InitialShow::Minimized) window.showMinimized();
    window.UpdateTray(TrayAction::Add, QString::fromLatin1(PROGRAM_TITLE), ComputationState());
    window.UpdateIconChecks();
    QueryAutostart(executable);
    RunFirstRunSetup(settings, executable[0] != '\0' ? executable : nullptr);
    window.UpdateInstallMenu();

    // The end of the desktop session. The autostart entry starts the program at the next
    // logon; a session manager restarting it as well would only start it twice.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &window, [&quit](QSessionManager& manager) {
        manager.setRestartHint(QSessionManager::RestartNever);
        quit();
    });
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &window, [&window] { window.Shutdown(); });

    const int status = QApplication::exec();
    window.Shutdown();
    StopInstanceServer();
    ReleaseInstanceLock(lock);
    AttachDesktopShell(nullptr);
    FreeLineTables();
    return status;
}
