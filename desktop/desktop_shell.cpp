#include "desktop/desktop_shell.h"

#include <QApplication>
#include <QByteArray>
#include <QPointer>

#include "control/computation.h"
#include "control/compute_menu.h"
#include "desktop/board_view.h"
#include "desktop/console_view.h"
#include "desktop/dialogs.h"
#include "desktop/main_window.h"
#include "support/shell.h"

namespace quorbit {

namespace {

MainWindow* Window(void* context) { return static_cast<MainWindow*>(context); }

// Runs at once on the window's thread, else posted there.
template <typename Call>
void OnWindowThread(MainWindow* window, Call call) {
    QMetaObject::invokeMethod(window, std::move(call), Qt::AutoConnection);
}

// The board follows the progress lines, which reach it as console prints.
void RedrawConsole(bool, int32_t, void* context) {
    Window(context)->Console()->RequestRedraw();
    Window(context)->Board()->RequestRedraw();
}

void SetMenuState(int32_t state, void* context) {
    MainWindow* window = Window(context);
    OnWindowThread(window, [window, state] { window->SetMenuState(state); });
}

void SetTitleStatus(const char* status, void* context) {
    MainWindow* window = Window(context);
    const QString text = QString::fromLatin1(status);
    const int32_t picture = ComputationState();  // as it is now, not when the window gets to it
    OnWindowThread(window, [window, text, picture] { window->SetTitleStatus(text, picture); });
}

void UpdateTrayIcon(const char* tip, void* context) {
    MainWindow* window = Window(context);
    const QString text = QString::fromLatin1(tip);
    const int32_t picture = ComputationState();
    OnWindowThread(window, [window, text, picture] {
        if (!IsQuitting()) window->UpdateTray(TrayAction::Modify, text, picture);
    });
}

void ShowMessage(const char* text, const char* caption, void* context) {
    MainWindow* window = Window(context);
    const QString body = QString::fromLatin1(text);
    const QString title = QString::fromLatin1(caption);
    // Refusals captioned with the program's title carry the exclamation mark; the rest
    // (Status, notices) are information.
    const QMessageBox::Icon icon =
        title == QLatin1String(PROGRAM_TITLE) ? QMessageBox::Warning : QMessageBox::Information;
    OnWindowThread(window, [window, body, title, icon] {
        // Owned by the dialog that is open, if one is (the tour number's refusal).
        QWidget* owner = QApplication::activeModalWidget();
        ShowMessageBox(owner != nullptr ? owner : window, body, title, icon);
    });
}

ShellOps desktopShell{RedrawConsole, SetMenuState, SetTitleStatus, UpdateTrayIcon, ShowMessage, nullptr};

}  // namespace

void AttachDesktopShell(MainWindow* window) {
    desktopShell.context = window;
    AttachShell(window != nullptr ? &desktopShell : nullptr);
}

}  // namespace quorbit
