#include "desktop/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTimer>

#include <vector>

#include "control/computation.h"
#include "control/queue_status.h"
#include "desktop/board_view.h"
#include "desktop/commands.h"
#include "desktop/console_view.h"
#include "desktop/dialogs.h"
#include "shell/autostart_entry.h"
#include "shell/install_menu.h"
#include "shell/option_commands.h"
#include "support/console.h"
#include "support/shell.h"

namespace quorbit {

namespace {

constexpr int DEFAULT_WIDTH = 1000;
constexpr int DEFAULT_HEIGHT = 420;

// Adds the menu entries to a menu bar or a menu, keeping each command's item.
template <typename Top>
void AddMenuEntries(Top* top, bool popup, std::map<int32_t, QAction*>& actions, QObject* owner,
                    const std::function<void(int32_t)>& run) {
    std::vector<QMenu*> open;
    for (int i = 0; i < MENU_ENTRY_COUNT; ++i) {
        const MenuEntry& entry = MENU_ENTRIES[i];
        switch (entry.kind) {
            case MenuEntry::Submenu:
                open.push_back(open.empty() ? top->addMenu(QString::fromLatin1(entry.text))
                                            : open.back()->addMenu(QString::fromLatin1(entry.text)));
                break;
            case MenuEntry::EndSubmenu:
                open.pop_back();
                break;
            case MenuEntry::Separator:
                if (!(popup && entry.mainMenuOnly)) open.back()->addSeparator();
                break;
            case MenuEntry::Item: {
                QAction* action = open.back()->addAction(QString::fromLatin1(entry.text));
                action->setData(entry.command);
                QObject::connect(action, &QAction::triggered, owner, [action, run] { run(action->data().toInt()); });
                actions[entry.command] = action;
                break;
            }
        }
    }
}

}  // namespace

MainWindow::MainWindow(ProgramSettings& settings, std::string executablePath)
    : settings(settings), executablePath(std::move(executablePath)), console(new ConsoleView(this)),
      board(new BoardView(this)), popupMenu(new QMenu(this)) {
    setWindowTitle(QString::fromLatin1(PROGRAM_TITLE));
    setWindowIcon(RunningIcon());
    // The console takes what the board leaves.
    auto* centre = new QWidget(this);
    auto* layout = new QHBoxLayout(centre);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(console, 1);
    layout->addWidget(board, 0);
    setCentralWidget(centre);
    resize(DEFAULT_WIDTH, DEFAULT_HEIGHT);
    BuildMenus();
    BuildAccelerators();
    ShowBoardAsSet();
    tray = new TrayIcon(this, popupMenu);
    connect(tray, &TrayIcon::doubleClicked, this, &MainWindow::ToggleVisibility);
    connect(console, &ConsoleView::popupRequested, this, &MainWindow::ShowPopupMenu);
    SetCentringWindow(this);
}

void MainWindow::BuildMenus() {
    const auto run = [this](int32_t command) { RunCommand(command); };
    AddMenuEntries(menuBar(), false, mainActions, this, run);
    AddMenuEntries(popupMenu, true, popupActions, this, run);
    mainComputeAction = mainActions.at(CONTINUE_COMMAND);
    popupComputeAction = popupActions.at(CONTINUE_COMMAND);
    for (auto* actions : {&mainActions, &popupActions}) {
        actions->at(HELP_TOPICS_COMMAND)->setEnabled(false);
        for (int32_t checkable :
             {NORMAL_INSTALL_COMMAND, SERVICE_INSTALL_COMMAND, TRAY_ICON_COMMAND, NO_ICON_COMMAND, BOARD_COMMAND})
            actions->at(checkable)->setCheckable(true);
    }
}

void MainWindow::BuildAccelerators() {
    for (int i = 0; i < ACCELERATOR_COUNT; ++i) {
        const int32_t command = ACCELERATORS[i].command;
        auto* key = new QShortcut(QKeySequence(QString::fromLatin1(ACCELERATORS[i].keys)), this);
        key->setContext(Qt::WindowShortcut);
        key->setProperty("command", command);
        connect(key, &QShortcut::activated, this, [this, command] { RunCommand(command); });
    }
}

QAction* MainWindow::FindAction(const std::map<int32_t, QAction*>& actions, int32_t command) {
    const auto found = actions.find(command);
    return found != actions.end() ? found->second : nullptr;
}

QAction* MainWindow::MainMenuAction(int32_t command) const {
    // The Continue/Stop item is found under the command it carries now.
    if (command == computeItem.command) return mainComputeAction;
    return command == CONTINUE_COMMAND || command == STOP_COMMAND ? nullptr : FindAction(mainActions, command);
}

QAction* MainWindow::PopupMenuAction(int32_t command) const {
    if (command == computeItem.command) return popupComputeAction;
    return command == CONTINUE_COMMAND || command == STOP_COMMAND ? nullptr : FindAction(popupActions, command);
}

void MainWindow::RunCommand(int32_t command) {
    if (shutDown) return;
    switch (command) {
        case NEW_COMMAND:
            RunNewWorkDialog(this);
            break;
        case CONTINUE_COMMAND:
            StartComputation();
            break;
        case STOP_COMMAND:
            HaltComputation();
            break;
        case STATUS_COMMAND:
            ShowQueueStatus();
            break;
        case EXIT_COMMAND:
            Shutdown();
            QCoreApplication::exit(0);
            break;
        case ABOUT_COMMAND:
            RunAboutDialog(this, RunningIcon());
            break;
        default:
            RunOptionCommand(command);
            break;
    }
}

void MainWindow::RunOptionCommand(int32_t command) {
    switch (command) {
        case PREFERENCES_COMMAND: {
            int32_t frequency = settings.displayFrequency;
            int32_t depth = settings.displayDepth;
            int32_t threads = settings.threads;
            RunPreferencesDialog(this, frequency, depth, threads);
            StorePreferences(settings, frequency, depth, threads);
            return;
        }
        case BOARD_COMMAND:
            ToggleBoard(settings);
            ShowBoardAsSet();
            return;
        case PRIORITY_COMMAND: {
            int32_t level = settings.priority;
            RunPriorityDialog(this, level);
            StorePriority(settings, level);
            return;
        }
        case TRAY_ICON_COMMAND:
        case NO_ICON_COMMAND: {
            const bool wasShown = tray->Shown();
            const TrayChange change =
                command == TRAY_ICON_COMMAND ? ToggleTrayIcon(settings) : ToggleNoIcon(settings);
            if (change.removeIcon && wasShown)
                tray->Update(TrayAction::Delete, QString::fromLatin1(PROGRAM_TITLE), ComputationState(), true);
            if (change.addIcon) UpdateTray(TrayAction::Add, QString::fromLatin1(PROGRAM_TITLE), ComputationState());
            UpdateIconChecks();
            if (change.showWarning)
                ShowMessageBox(this, QString::fromLatin1(NO_ICON_WARNING), QString::fromLatin1(NO_ICON_WARNING_CAPTION),
                               QMessageBox::Information);
            return;
        }
        default:
            if (RunInstallCommand(command, executablePath.c_str())) UpdateInstallMenu();
            return;
    }
}

void MainWindow::SetMenuState(int32_t state) {
    if (IsQuitting() || shutDown) return;
    computeItem = MenuItemAfter(computeItem, state);
    for (QAction* action : {mainComputeAction, popupComputeAction}) {
        action->setText(QString::fromLatin1(computeItem.text));
        action->setData(computeItem.command);
    }
    if (state == SHELL_STATE_IDLE) SetTitleStatus(QString::fromLatin1(IDLE_STATUS), ComputationState());
}

void MainWindow::SetTitleStatus(const QString& status, int32_t computationState) {
    if (IsQuitting() || shutDown) return;
    char title[128];
    FormatWindowTitle(title, sizeof title, status.toLatin1().constData());
    UpdateTray(TrayAction::Modify, QString::fromLatin1(title), computationState);
    setWindowTitle(QString::fromLatin1(title));
}

void MainWindow::UpdateTray(TrayAction action, const QString& tip, int32_t computationState) {
    tray->Update(action, tip, computationState, settings.trayIcon != 0);
}

void MainWindow::UpdateIconChecks() {
    const IconChecks checks = IconChecksFor(settings);
    mainActions.at(TRAY_ICON_COMMAND)->setChecked(checks.trayIcon);
    mainActions.at(NO_ICON_COMMAND)->setChecked(checks.noIcon);
}

void MainWindow::ShowBoardAsSet() {
    board->setVisible(settings.showBoard != 0);
    for (QAction* item : {mainActions.at(BOARD_COMMAND), popupActions.at(BOARD_COMMAND)})
        item->setChecked(settings.showBoard != 0);
}

void MainWindow::UpdateInstallMenu() {
    const InstallMenuState state = InstallMenuFor(autostartState);
    mainActions.at(UNINSTALL_COMMAND)->setEnabled(state.uninstallEnabled);
    mainActions.at(NORMAL_INSTALL_COMMAND)->setChecked(state.normalInstallChecked);
    mainActions.at(SERVICE_INSTALL_COMMAND)->setChecked(state.serviceInstallChecked);
}

void MainWindow::ShowPopupMenu(const QPoint& globalPosition) {
    // The menu's right edge at the pointer, as a tray menu opens at the screen's corner.
    const QPoint at(globalPosition.x() - popupMenu->sizeHint().width(), globalPosition.y());
    activateWindow();
    popupMenu->popup(at);
}

void MainWindow::Activate() {
    if (shutDown) return;
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::ToggleVisibility() {
    // A window minimised while there was no tray to hide in is visible, yet not to be seen:
    // the double click brings it back.
    if (isVisible() && !isMinimized()) {
        hide();
    } else {
        Activate();
    }
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized() || shutDown) return;
    if (settings.hideIcon == 0 && settings.trayIcon == 0) return;
    if (settings.hideIcon == 0 && !TrayAvailable()) {
        // Hidden for a tray icon nobody can see, the window could not be brought back.
        if (!saidNoTray) {
            saidNoTray = true;
            ConsolePrint("This desktop has no notification area: the window is minimised instead of hidden in the "
                         "tray.\n");
        }
        return;
    }
    // Hidden once the minimising has been handled, not in the middle of it.
    QTimer::singleShot(0, this, [this] {
        if (isMinimized()) hide();
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    SetQuitting(true);
    stopRequest.fetch_or(1);
    Shutdown();
    event->accept();
    QCoreApplication::exit(0);
}

void MainWindow::Shutdown() {
    if (shutDown) return;
    SetQuitting(true);
    HaltComputation();
    QRect normal = normalGeometry();
    if (!normal.isValid()) normal = geometry();
    StoreWindowRect(settings, normal.left(), normal.top(), normal.left() + normal.width(),
                    normal.top() + normal.height());
    tray->Update(TrayAction::Delete, QString::fromLatin1(PROGRAM_TITLE), ComputationState(), settings.trayIcon != 0);
    shutDown = true;
    StopComputationAndWait();
}

}  // namespace quorbit
