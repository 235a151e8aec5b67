// The board beside the console: it follows the progress lines of a real computation, and
// View > Board hides it for this start and the next.
#include <QAction>

#include <cstring>
#include <string>

#include "control/computation.h"
#include "control/progress.h"
#include "control/work_queue.h"
#include "desktop/board_view.h"
#include "desktop/console_view.h"
#include "search/path_text.h"
#include "shell/option_commands.h"
#include "support/console.h"
#include "tests/desktop/desktop_fixture.h"

namespace quorbit::testing {
namespace {

using BoardViewTest = DesktopTest;

// The squares a progress line names ("a1-b3-... in 12 ms (5 nodes)"); 0 for another line.
int ProgressSquares(const std::string& line, uint8_t* squares) {
    char error[128];
    const size_t end = line.find(" ms (") != std::string::npos ? line.find(" in ") : std::string::npos;
    return end == std::string::npos ? 0 : ParseSquareList(line.substr(0, end).c_str(), squares, 36, error, 128);
}

TEST_F(BoardViewTest, TheBoardShowsWhatEachProgressLineShowsAndViewBoardHidesItForGood) {
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

}  // namespace
}  // namespace quorbit::testing
