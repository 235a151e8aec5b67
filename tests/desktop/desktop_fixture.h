// The desktop's window under test: a real main window on Qt's offscreen platform, attached
// as the shell, with the computation's short routines in place of whole units.
#pragma once

#include <QString>

#include <functional>
#include <memory>

#include "desktop/main_window.h"
#include "shell/program_settings.h"
#include "tests/control/computation_fixture.h"

namespace quorbit::testing {

// Processes events until the condition holds; false after timeoutMs.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 20000);

// Once a modal window with this title is open, acts on it (from inside its event loop).
void WhenModal(const QString& title, std::function<void(QWidget*)> act);

// Types into a dialog's field (by control number) and presses one of its buttons.
void SetField(QWidget* dialog, int control, const QString& text);
QString Field(QWidget* dialog, int control);
void Press(QWidget* dialog, int control);

class DesktopTest : public ComputationTest {
protected:
    void SetUp() override;
    void TearDown() override;
    ProgramSettings settings{};
    std::unique_ptr<MainWindow> window;
};

}  // namespace quorbit::testing
