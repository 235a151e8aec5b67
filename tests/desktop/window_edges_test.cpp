// What a newcomer met: a window minimised before the tray came back from the tray's double
// click; the Preferences fields in one column, each saying what its number means.
#include <QLabel>
#include <QLineEdit>
#include <QSystemTrayIcon>

#include <string>

#include "desktop/dialogs.h"
#include "desktop/tray_icon.h"
#include "platform/processor.h"
#include "shell/option_commands.h"
#include "tests/desktop/desktop_fixture.h"

namespace quorbit::testing {
namespace {

using WindowEdgesTest = DesktopTest;

TEST_F(WindowEdgesTest, ADoubleClickOnATrayThatCameLateShowsTheMinimisedWindow) {
    SetTrayAvailability([] { return false; });
    window->showMinimized();
    ASSERT_TRUE(WaitUntil([this] { return window->isMinimized(); }));
    SetTrayAvailability([] { return true; });
    window->UpdateTray(TrayAction::Add, "Quorbit 1.2a", 2);
    window->Tray()->Icon()->activated(QSystemTrayIcon::DoubleClick);
    ASSERT_TRUE(WaitUntil([this] { return window->isVisible() && !window->isMinimized(); }));
    window->Tray()->Icon()->activated(QSystemTrayIcon::DoubleClick);  // on the screen: hidden
    ASSERT_TRUE(WaitUntil([this] { return !window->isVisible(); }));
    SetTrayAvailability(nullptr);
}

TEST_F(WindowEdgesTest, PreferencesFieldsShareAColumnAndThreadsSayWhatTheyMean) {
    std::string texts;
    WhenModal("Preferences", [&texts](QWidget* dialog) {
        for (const char* field : {"control1001", "control1002"})
            EXPECT_EQ(dialog->findChild<QLineEdit*>(field)->x(), dialog->findChild<QLineEdit*>("control1000")->x());
        for (const QLabel* label : dialog->findChildren<QLabel*>()) texts += label->text().toStdString() + "|";
        Press(dialog, CANCEL_CONTROL);
    });
    window->RunCommand(PREFERENCES_COMMAND);
    EXPECT_NE(texts.find("1 to " + std::to_string(AvailableProcessors()) + ": task mode"), std::string::npos) << texts;
}

}  // namespace
}  // namespace quorbit::testing
