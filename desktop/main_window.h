// The main window: the console as its whole client area, the main menu, the popup menu
// (right click on the console or on the tray icon), the accelerator keys, the commands, the
// Continue/Stop item and the title following the computation, and the shutdown sequence.
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <map>
#include <string>

#include "control/computation.h"
#include "control/compute_menu.h"
#include "desktop/tray_icon.h"
#include "shell/program_settings.h"

class QAction;
class QMenu;

namespace quorbit {

class BoardView;
class ConsoleView;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // settings: the program's settings, which the commands change and store; they must
    // outlive the window. executablePath names the autostart entry.
    MainWindow(ProgramSettings& settings, std::string executablePath);

    // What a menu item, an accelerator key or a posted command asks for.
    void RunCommand(int32_t command);

    // The computation's state (0 idle, 1 running, 2 stopping) on the Continue/Stop item of
    // both menus; the idle state also sets the title's status to "IDLE".
    void SetMenuState(int32_t state);
    // "Quorbit 1.2a - " and the status in the title and the tray tip; the tray picture is
    // the one for computationState.
    void SetTitleStatus(const QString& status, int32_t computationState);
    // The tray icon as the "TrayIcon" setting allows.
    void UpdateTray(TrayAction action, const QString& tip, int32_t computationState);

    void UpdateIconChecks();
    void UpdateInstallMenu();
    void ShowPopupMenu(const QPoint& globalPosition);

    // Shown normally and brought to the front, from the tray, from minimised or from hidden.
    void Activate();
    // The tray icon's double click: hides a window on the screen, shows a hidden or
    // minimised one.
    void ToggleVisibility();

    // The shutdown sequence, run once whichever way the program ends: quitting flag, halt,
    // window rectangle stored, tray icon removed, wait for the computation's end.
    void Shutdown();
    bool IsShutDown() const { return shutDown; }

    ConsoleView* Console() const { return console; }
    BoardView* Board() const { return board; }
    // The board shown or hidden as "ShowBoard" says, with the View menu's check mark.
    void ShowBoardAsSet();
    TrayIcon* Tray() const { return tray; }
    QMenu* PopupMenu() const { return popupMenu; }
    // The item for a command in the main menu or in the popup menu, or nullptr.
    QAction* MainMenuAction(int32_t command) const;
    QAction* PopupMenuAction(int32_t command) const;
    ComputeMenuItem ComputeItem() const { return computeItem; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildMenus();
    void BuildAccelerators();
    void RunOptionCommand(int32_t command);
    static QAction* FindAction(const std::map<int32_t, QAction*>& actions, int32_t command);

    ProgramSettings& settings;
    std::string executablePath;
    ConsoleView* console;
    BoardView* board;
    QMenu* popupMenu;
    TrayIcon* tray;
    std::map<int32_t, QAction*> mainActions;
    std::map<int32_t, QAction*> popupActions;
    QAction* mainComputeAction = nullptr;
    QAction* popupComputeAction = nullptr;
    ComputeMenuItem computeItem = CONTINUE_ITEM;
    bool shutDown = false;
    bool saidNoTray = false;
};

}  // namespace quorbit
