// The main window: its menus, keys, the Continue/Stop item and the title through a real
// computation, the commands' dialogs, their layout and what they store, the board, the
// console and the tray.
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QShortcut>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <map>

#include "control/computation.h"
#include "control/progress.h"
#include "control/work_queue.h"
#include "control/worker.h"
#include "desktop/board_view.h"
#include "desktop/commands.h"
#include "desktop/console_view.h"
#include "desktop/dialogs.h"
#include "desktop/tray_icon.h"
#include "platform/processor.h"
#include "search/path_text.h"
#include "shell/option_commands.h"
#include "support/console.h"
#include "tests/desktop/desktop_fixture.h"

namespace quorbit::testing {
namespace {

// Menus as lines: "> " and the title for a menu, its items indented below, "-" for a
// separator, " (grey)" for a greyed item.
void DescribeMenu(const QList<QAction*>& actions, const std::string& indent, std::vector<std::string>& out) {
    for (const QAction* action : actions) {
        if (action->isSeparator()) {
            out.push_back(indent + "-");
        } else if (action->menu() != nullptr) {
            out.push_back(indent + "> " + action->text().toStdString());
            DescribeMenu(action->menu()->actions(), indent + "  ", out);
        } else {
            out.push_back(indent + action->text().toStdString() + (action->isEnabled() ? "" : " (grey)"));
        }
    }
}

std::vector<std::string> MenuLines(const QList<QAction*>& tops) {
    std::vector<std::string> out;
    DescribeMenu(tops, "", out);
    return out;
}

std::vector<std::string> ExpectedMenu(bool popup) {
    std::vector<std::string> lines = {
        "> &Compute", "  &New\tCtrl+N", "  -", "  C&ontinue\tCtrl+O", "  -", "  &Status\tCtrl+S", "  -",
        "  E&xit\tAlt+F4", "> &Options", "  &Preferences\tCtrl+P", "  P&riority", "  -", "  > &Install",
        "    Normal Install", "    Service Install", "  &Uninstall (grey)", "  -", "  &Tray Icon", "  &No Icon",
        "> &View", "  &Board", "> &Help", "  &Help Topics (grey)", "  -", "  &About Vanterra...",
    };
    if (popup) {
        lines.erase(lines.begin() + 11);                   // no separator before Install
        lines[lines.size() - 10] = "  &Uninstall";         // the popup's items are never greyed by the state
    }
    return lines;
}

using DesktopWindowTest = DesktopTest;

TEST_F(DesktopWindowTest, MenusHaveTheirTextsOrderAndSeparators) {
    window->UpdateInstallMenu();  // no autostart entry here: Uninstall greyed
    EXPECT_EQ(MenuLines(window->menuBar()->actions()), ExpectedMenu(false));
    EXPECT_EQ(MenuLines(window->PopupMenu()->actions()), ExpectedMenu(true));
    EXPECT_EQ(window->windowTitle().toStdString(), "Quorbit 1.2a");
}

TEST_F(DesktopWindowTest, AcceleratorKeysGiveTheirCommands) {
    std::map<std::string, int> keys;
    for (const QShortcut* key : window->findChildren<QShortcut*>())
        keys[key->key().toString().toStdString()] = key->property("command").toInt();
    const std::map<std::string, int> expected = {{"Ctrl+O", 32773}, {"Ctrl+S", 32772}, {"Ctrl+N", 32780},
                                                 {"Ctrl+P", 32776}, {"Esc", 32774},    {"F1", 32789},
                                                 {"Shift+F1", 57669}};
    EXPECT_EQ(keys, expected);
    // A real key press: F1 opens About, and Enter closes it.
    QApplication::setActiveWindow(window.get());
    bool opened = false;
    WhenModal("About Vanterra", [&opened](QWidget* about) {
        opened = true;
        EXPECT_EQ(about->findChild<QLabel*>("control1031")->pixmap().isNull(), false);
        QTest::keyClick(about, Qt::Key_Return);
    });
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_TRUE(opened);
}

TEST_F(DesktopWindowTest, ContinueStopAndTitleFollowARealHalt) {
    SetTrayAvailability([] { return true; });
    window->UpdateTray(TrayAction::Add, "Quorbit 1.2a", ComputationState());
    SetShortUnitPlan({{ShortStep::Hold, 6}});
    holdActive.store(true);
    ASSERT_EQ(AddQueueEntry("3"), EnqueueResult::Added);
    window->RunCommand(CONTINUE_COMMAND);
    ASSERT_TRUE(WaitUntil([this] { return window->windowTitle() == "Quorbit 1.2a - a1-b3" && holdReached.load(); }));
    EXPECT_EQ(window->MainMenuAction(STOP_COMMAND)->text().toStdString(), "Stop\tESC");
    EXPECT_EQ(window->PopupMenuAction(STOP_COMMAND)->text().toStdString(), "Stop\tESC");
    EXPECT_EQ(window->Tray()->Picture(), 1);
    EXPECT_EQ(window->Tray()->Tip().toStdString(), "Quorbit 1.2a - a1-b3");

    QApplication::setActiveWindow(window.get());
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(window->ComputeItem().text, std::string("Stopping\tESC"));
    // Continue while stopping returns at once and resumes the unit once the old threads end.
    holdReached.store(false);
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(WaitUntil(
        [this] { return holdReached.load() && window->ComputeItem().text == std::string("Stop\tESC"); }));
    QTest::keyClick(window.get(), Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([this] { return window->ComputeItem().command == CONTINUE_COMMAND; }));
    EXPECT_EQ(window->MainMenuAction(CONTINUE_COMMAND)->text().toStdString(), "C&ontinue\tCtrl+O");
    EXPECT_EQ(window->PopupMenuAction(CONTINUE_COMMAND)->text().toStdString(), "C&ontinue\tCtrl+O");
    EXPECT_EQ(window->windowTitle().toStdString(), "Quorbit 1.2a - IDLE");
    EXPECT_EQ(window->Tray()->Picture(), 2);
    const std::vector<std::string> lines = ConsoleLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Execution halted.");
    EXPECT_EQ(lines.back(), "Choose Test/Continue to restart.");
    EXPECT_EQ(ReadFile("WORKTOUR.INI"), "3\r\n");
    SetTrayAvailability(nullptr);
}

// The Preferences fields share a column, the threads' saying what its numbers mean; what is
// typed is read on OK only.
TEST_F(DesktopWindowTest, PreferencesAndPriorityReadOnlyOnOkAndStoreAfterwards) {
    std::string texts;
    WhenModal("Preferences", [&texts](QWidget* dialog) {
        for (const char* field : {"control1001", "control1002"})
            EXPECT_EQ(dialog->findChild<QLineEdit*>(field)->x(), dialog->findChild<QLineEdit*>("control1000")->x());
        for (const QLabel* label : dialog->findChildren<QLabel*>()) texts += label->text().toStdString() + "|";
        EXPECT_EQ(Field(dialog, FREQUENCY_CONTROL), "30");
        EXPECT_EQ(Field(dialog, DEPTH_CONTROL), "8");
        EXPECT_EQ(Field(dialog, THREADS_CONTROL), "0");
        EXPECT_EQ(dialog->findChild<QLineEdit*>("control1000")->validator(), nullptr);
        EXPECT_NE(dialog->findChild<QLineEdit*>("control1001")->validator(), nullptr);  // digits only
        SetField(dialog, FREQUENCY_CONTROL, "ten");
        SetField(dialog, DEPTH_CONTROL, "");
        Press(dialog, OK_CONTROL);
    });
    window->RunCommand(PREFERENCES_COMMAND);
    EXPECT_NE(texts.find("1 to " + std::to_string(AvailableProcessors()) + ": task mode"), std::string::npos) << texts;
    EXPECT_EQ(settings.displayFrequency, 1);
    EXPECT_EQ(settings.displayDepth, 1);
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "DisplayFrequency=1\r\nDisplayDepth=1\r\n");

    WhenModal("Set Priority", [](QWidget* dialog) {
        EXPECT_EQ(Field(dialog, PRIORITY_CONTROL), "1");
        SetField(dialog, PRIORITY_CONTROL, "25");
        Press(dialog, OK_CONTROL);
    });
    window->RunCommand(PRIORITY_COMMAND);
    EXPECT_EQ(settings.priority, 25);  // stored as typed; the next start clamps it
    WhenModal("Set Priority", [](QWidget* dialog) {
        SetField(dialog, PRIORITY_CONTROL, "3");
        Press(dialog, CANCEL_CONTROL);
    });
    window->RunCommand(PRIORITY_COMMAND);
    EXPECT_EQ(settings.priority, 25);
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "DisplayFrequency=1\r\nDisplayDepth=1\r\nPriority=25\r\n");
}

TEST_F(DesktopWindowTest, NewRefusesWhatNamesNoUnitAndQueuesANameAsItsNumber) {
    std::string refusal;
    WhenModal("Enter tour number", [&refusal](QWidget* dialog) {
        SetField(dialog, UNIT_CONTROL, "45");
        WhenModal("Quorbit 1.2a", [&refusal, dialog](QWidget* box) {
            refusal = static_cast<QMessageBox*>(box)->text().toStdString();
            EXPECT_EQ(box->parentWidget(), dialog);
            static_cast<QMessageBox*>(box)->accept();
            // The dialog stays open with the text as typed; then a name in capitals.
            QTimer::singleShot(0, dialog, [dialog] {
                EXPECT_TRUE(dialog->isVisible());
                EXPECT_EQ(Field(dialog, UNIT_CONTROL), "45");
                SetField(dialog, UNIT_CONTROL, "B2-B3");
                Press(dialog, OK_CONTROL);
            });
        });
        Press(dialog, OK_CONTROL);
    });
    window->RunCommand(NEW_COMMAND);
    EXPECT_EQ(refusal, "Please enter a tour number between 0 and 44 or its name (ex: a1-a2)");
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(shortUnitRuns.load(), 1);
    EXPECT_EQ(ReadFile("WORKTOUR.INI"), "");  // unit 35 was queued, computed and removed

    std::string status;
    WhenModal("Status", [&status](QWidget* box) {
        status = static_cast<QMessageBox*>(box)->text().toStdString();
        static_cast<QMessageBox*>(box)->accept();
    });
    window->RunCommand(STATUS_COMMAND);
    EXPECT_EQ(status, "You have no work queued up.");
}

// The board beside the console follows the progress lines of a real computation, and View >
// Board hides it for this start and the next.
// The squares a progress line names ("a1-b3-... in 12 ms (5 nodes)"); 0 for another line.
int ProgressSquares(const std::string& line, uint8_t* squares) {
    char error[128];
    const size_t end = line.find(" ms (") != std::string::npos ? line.find(" in ") : std::string::npos;
    return end == std::string::npos ? 0 : ParseSquareList(line.substr(0, end).c_str(), squares, 36, error, 128);
}

TEST_F(DesktopWindowTest, TheBoardShowsWhatEachProgressLineShowsAndViewBoardHidesItForGood) {
    BoardView* board = window->Board();
    EXPECT_TRUE(board->isVisible());
    EXPECT_EQ(board->Caption().toStdString(), "No progress line yet");
    displayFrequency.store(1);
    displayDepth.store(5);
    SetShortUnitPlan({{ShortStep::Hold, 6}});
    holdActive.store(true);
    ASSERT_EQ(AddQueueEntry("3"), EnqueueResult::Added);
    window->RunCommand(CONTINUE_COMMAND);
    uint8_t squares[SQUARE_COUNT];
    ASSERT_TRUE(WaitUntil([&] {
        char newest[CONSOLE_SLOT_SIZE];
        ConsoleCopyLine(1, newest, sizeof newest);
        const int count = ProgressSquares(newest, squares);
        return count == 5 && board->Shown().moves == 5 && std::memcmp(board->Shown().squares, squares, 5) == 0;
    }));
    EXPECT_EQ(board->Caption().toStdString(), "a1-b3, moves 1 to 5");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(board->Picture().number[squares[i]], i + 1) << i;
    EXPECT_LE(window->Console()->geometry().right(), board->geometry().left());  // beside the console

    window->RunCommand(BOARD_COMMAND);
    EXPECT_FALSE(board->isVisible());
    EXPECT_FALSE(window->MainMenuAction(BOARD_COMMAND)->isChecked());
    EXPECT_FALSE(window->PopupMenuAction(BOARD_COMMAND)->isChecked());
    EXPECT_NE(ReadFile("QUORBIT.INI").find("ShowBoard=0\r\n"), std::string::npos);
    ProgramSettings next = ReadProgramSettings();
    EXPECT_FALSE(MainWindow(next, std::string(Dir()) + "/quorbit").MainMenuAction(BOARD_COMMAND)->isChecked());
    window->RunCommand(BOARD_COMMAND);
    EXPECT_TRUE(board->isVisible());
    EXPECT_TRUE(window->MainMenuAction(BOARD_COMMAND)->isChecked());
}

TEST_F(DesktopWindowTest, ConsoleDrawsNewestLineOnTheBottomEdge) {
    ConsolePrint("oldest\nmiddle\nabc");
    ConsolePrint("def\n");
    ConsolePrintProvisional("a1-e6 in 10 ms (5 nodes)\n");
    ConsolePrintProvisional("a1-e6-c5 in 20 ms (9 nodes)\n");
    ConsoleView* console = window->Console();
    const std::vector<ConsoleView::DrawnLine> lines = console->LinesToDraw();
    const int lineHeight = console->LineHeight();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0].top, console->height() - lineHeight);
    EXPECT_EQ(lines[1].top, console->height() - 2 * lineHeight);
    EXPECT_EQ(lines[0].text, "a1-e6-c5 in 20 ms (9 nodes)");  // the second progress line replaced the first
    EXPECT_EQ(lines[1].text, "abcdef");
    EXPECT_EQ(lines[2].text, "middle");
    EXPECT_EQ(lines[3].text, "oldest");
    EXPECT_EQ(lines.size(), static_cast<size_t>((console->height() + lineHeight - 1) / lineHeight));

    // Drawn: ink in the bottom band, none above the four lines.
    ASSERT_TRUE(WaitUntil([console] { return !console->grab().isNull(); }));
    const QImage image = console->grab().toImage();
    auto inked = [&image](int top, int bottom) {
        for (int y = std::max(top, 0); y < bottom && y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128) return true;
        return false;
    };
    EXPECT_TRUE(inked(image.height() - lineHeight, image.height()));
    EXPECT_FALSE(inked(0, image.height() - 4 * lineHeight - 1));
}

TEST_F(DesktopWindowTest, TrayIconAndNoIconAndMinimising) {
    SetTrayAvailability([] { return true; });
    window->UpdateTray(TrayAction::Add, "Quorbit 1.2a", ComputationState());
    window->UpdateIconChecks();
    EXPECT_TRUE(window->Tray()->Shown());
    EXPECT_EQ(window->Tray()->Picture(), 2);
    EXPECT_TRUE(window->MainMenuAction(TRAY_ICON_COMMAND)->isChecked());
    EXPECT_EQ(window->Tray()->Icon()->contextMenu(), window->PopupMenu());

    window->showMinimized();
    ASSERT_TRUE(WaitUntil([this] { return !window->isVisible(); }));  // hidden into the tray
    window->Tray()->Icon()->activated(QSystemTrayIcon::DoubleClick);
    ASSERT_TRUE(WaitUntil([this] { return window->isVisible() && !window->isMinimized(); }));

    window->RunCommand(TRAY_ICON_COMMAND);
    EXPECT_FALSE(window->Tray()->Shown());
    EXPECT_FALSE(window->MainMenuAction(TRAY_ICON_COMMAND)->isChecked());
    WhenModal("Warning", [](QWidget* box) { static_cast<QMessageBox*>(box)->accept(); });
    window->RunCommand(NO_ICON_COMMAND);
    EXPECT_TRUE(window->MainMenuAction(NO_ICON_COMMAND)->isChecked());
    window->RunCommand(TRAY_ICON_COMMAND);  // back on: clears No Icon
    EXPECT_TRUE(window->Tray()->Shown());
    EXPECT_FALSE(window->MainMenuAction(NO_ICON_COMMAND)->isChecked());
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "HideIcon=0\r\nTrayIcon=1\r\n");
    SetTrayAvailability(nullptr);
}

// Minimised while the desktop has no notification area, the window stays on the screen; a
// double click on a tray that came later shows it, and hides it again.
TEST_F(DesktopWindowTest, WithoutANotificationAreaMinimisingKeepsTheWindowAndSaysWhyOnce) {
    SetTrayAvailability([] { return false; });
    for (int i = 0; i < 2; ++i) {
        window->showNormal();
        ASSERT_TRUE(WaitUntil([this] { return !window->isMinimized(); }));
        window->showMinimized();
        ASSERT_TRUE(WaitUntil([this] { return window->isMinimized(); }));
        QApplication::processEvents();
        EXPECT_TRUE(window->isVisible());
    }
    EXPECT_EQ(ConsoleLines(),
              std::vector<std::string>{
                  "This desktop has no notification area: the window is minimised instead of hidden in the tray."});
    SetTrayAvailability([] { return true; });
    window->UpdateTray(TrayAction::Add, "Quorbit 1.2a", 2);
    window->Tray()->Icon()->activated(QSystemTrayIcon::DoubleClick);
    ASSERT_TRUE(WaitUntil([this] { return window->isVisible() && !window->isMinimized(); }));
    window->Tray()->Icon()->activated(QSystemTrayIcon::DoubleClick);  // on the screen: hidden
    ASSERT_TRUE(WaitUntil([this] { return !window->isVisible(); }));
    SetTrayAvailability(nullptr);
}

TEST_F(DesktopWindowTest, ClosingDuringABurstOfPrintsEndsAndSavesTheRectangle) {
    // Tours reported as fast as they come, while the window closes.
    std::vector<ShortStep> plan;
    for (int i = 0; i < 200; ++i) plan.push_back({ShortStep::Report, i % 3});
    plan.push_back({ShortStep::Hold, 6});
    SetShortUnitPlan(plan);
    holdActive.store(true);
    ASSERT_EQ(AddQueueEntry("0"), EnqueueResult::Added);
    window->setGeometry(100, 120, 640, 400);
    window->RunCommand(CONTINUE_COMMAND);
    ASSERT_TRUE(WaitUntil([] { return solutionCount.load() > 20; }));
    window->close();
    EXPECT_TRUE(window->IsShutDown());
    EXPECT_FALSE(WorkerThreadExists());
    EXPECT_EQ(ReadFile("WORKTOUR.INI"), "0\r\n");  // halted: still queued
    const std::string ini = ReadFile("QUORBIT.INI");
    EXPECT_NE(ini.find("Left=100\r\nTop=120\r\nRight=740\r\nBottom=520\r\n"), std::string::npos) << ini;
}

}  // namespace
}  // namespace quorbit::testing
