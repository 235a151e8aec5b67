#include "desktop/tray_icon.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

#include <atomic>

#include "support/shell.h"

// The icons are compiled into the desktop's static library, whose resources must be
// registered by name.
static void RegisterIcons() { Q_INIT_RESOURCE(desktop); }

namespace quorbit {

namespace {

QIcon LoadIcon(const char* name) {
    RegisterIcons();
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(QLatin1String(name)).arg(size), QSize(size, size));
    return icon;
}

bool AskSystem() { return QSystemTrayIcon::isSystemTrayAvailable(); }

std::atomic<TrayAvailability> trayAvailability{AskSystem};

}  // namespace

QIcon RunningIcon() {
    static const QIcon icon = LoadIcon("knight-running");
    return icon;
}

QIcon IdleIcon() {
    static const QIcon icon = LoadIcon("knight-idle");
    return icon;
}

void SetTrayAvailability(TrayAvailability availability) {
    trayAvailability.store(availability != nullptr ? availability : AskSystem);
}

bool TrayAvailable() { return trayAvailability.load()(); }

TrayIcon::TrayIcon(QWidget* window, QMenu* popup) : QObject(window), window(window), icon(new QSystemTrayIcon(this)) {
    icon->setContextMenu(popup);
    connect(icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick) Q_EMIT doubleClicked();
    });
}

QString TrayIcon::Tip() const { return icon->toolTip(); }

void TrayIcon::Update(TrayAction action, const QString& tip, int32_t computationState, bool enabled) {
    if (!enabled) return;
    if (IsQuitting() && action != TrayAction::Delete) return;
    picture = computationState;
    const QIcon& drawn = computationState == 1 ? RunningIcon() : IdleIcon();
    icon->setIcon(drawn);
    window->setWindowIcon(drawn);
    // The tip holds at most 63 characters.
    icon->setToolTip(tip.left(63));
    shown = action != TrayAction::Delete;
    icon->setVisible(shown);
}

}  // namespace quorbit
