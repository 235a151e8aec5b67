// The output console: the main window's whole client area, drawing the console's line store
// bottom-up (newest line on the bottom edge), in the default font, with no scroll bar and
// no wrapping. It only draws; the store lives in support/console.h.
#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

#include <atomic>
#include <vector>

namespace quorbit {

class ConsoleView : public QWidget {
    Q_OBJECT
public:
    explicit ConsoleView(QWidget* parent = nullptr);

    // The store changed. Callable from any thread: the redraw is posted to this widget's
    // thread and never waited for, so a printing thread can never be held by the window
    // (not even while the window closes and its thread waits for the computation to end).
    // Requests that arrive before the last one was drawn are merged into it.
    void RequestRedraw();

    // What a paint draws, bottom line first: the top of each line's band and its text.
    struct DrawnLine {
        int top;
        QString text;
    };
    std::vector<DrawnLine> LinesToDraw() const;
    int LineHeight() const;

Q_SIGNALS:
    // A right click, at this place on the screen.
    void popupRequested(const QPoint& globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::atomic<bool> redrawPosted{false};
};

}  // namespace quorbit
