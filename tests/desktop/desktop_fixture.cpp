#include "tests/desktop/desktop_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <string>

#include "desktop/desktop_shell.h"
#include "desktop/dialogs.h"
#include "control/computation.h"

namespace quorbit::testing {

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void WhenModal(const QString& title, std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, title, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible() || modal->windowTitle() != title) return;
        poll->stop();
        poll->deleteLater();
        act(modal);
    });
    poll->start();
}

static QString ControlName(int control) { return QStringLiteral("control%1").arg(control); }

void SetField(QWidget* dialog, int control, const QString& text) {
    dialog->findChild<QLineEdit*>(ControlName(control))->setText(text);
}

QString Field(QWidget* dialog, int control) { return dialog->findChild<QLineEdit*>(ControlName(control))->text(); }

void Press(QWidget* dialog, int control) { dialog->findChild<QAbstractButton*>(ControlName(control))->click(); }

void DesktopTest::SetUp() {
    ComputationTest::SetUp();
    // Autostart entries go to the test's own folder, never the user's.
    testing::SetEnvironment("XDG_CONFIG_HOME", (std::string(Dir()) + "/config").c_str());
    settings = ReadProgramSettings();
    window = std::make_unique<MainWindow>(settings, std::string(Dir()) + "/quorbit");
    AttachDesktopShell(window.get());
    window->show();
    ASSERT_TRUE(WaitUntil([this] { return window->isVisible(); }));
}

void DesktopTest::TearDown() {
    HaltComputation();
    WaitForComputationEnd();
    AttachDesktopShell(nullptr);
    window.reset();
    QApplication::processEvents();
    ComputationTest::TearDown();
}

}  // namespace quorbit::testing
