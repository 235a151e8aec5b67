// The notification-area icon: a white knight's head while the computation runs, a grey one
// otherwise, with the window title as its tip; a double click shows or hides the window and
// the right button opens the popup menu.
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

#include <cstdint>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace quorbit {

QIcon RunningIcon();
QIcon IdleIcon();

enum class TrayAction { Add, Modify, Delete };

// Whether the desktop has a notification area. Tests replace the question; nullptr restores
// QSystemTrayIcon::isSystemTrayAvailable.
using TrayAvailability = bool (*)();
void SetTrayAvailability(TrayAvailability availability);
bool TrayAvailable();

class TrayIcon : public QObject {
    Q_OBJECT
public:
    TrayIcon(QWidget* window, QMenu* popup);

    // Does nothing unless enabled (the "TrayIcon" setting) and, once the program quits, for
    // anything but the removal. Otherwise the picture for computationState (1 running, 2
    // idle) becomes the tray's and the window's icon, and the icon is added, changed or
    // removed with the tip.
    void Update(TrayAction action, const QString& tip, int32_t computationState, bool enabled);

    bool Shown() const { return shown; }
    int32_t Picture() const { return picture; }  // the state last drawn, 0 before any
    QString Tip() const;
    QSystemTrayIcon* Icon() const { return icon; }

Q_SIGNALS:
    void doubleClicked();

private:
    QWidget* window;
    QSystemTrayIcon* icon;
    bool shown = false;
    int32_t picture = 0;
};

}  // namespace quorbit
