#include "desktop/console_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include "support/console.h"

namespace quorbit {

ConsoleView::ConsoleView(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    setFocusPolicy(Qt::NoFocus);
}

void ConsoleView::RequestRedraw() {
    if (redrawPosted.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            redrawPosted.store(false);
            update();
        },
        Qt::QueuedConnection);
}

int ConsoleView::LineHeight() const { return fontMetrics().height(); }

std::vector<ConsoleView::DrawnLine> ConsoleView::LinesToDraw() const {
    static ConsoleSnapshot snapshot;  // 12 KiB; only the user-interface thread draws
    TakeConsoleSnapshot(snapshot);
    std::vector<DrawnLine> lines;
    const int lineHeight = LineHeight();
    int y = height();
    for (int n = 1; y > 0 && n < CONSOLE_SLOT_COUNT; ++n) {
        y -= lineHeight;
        lines.push_back({y, QString::fromLatin1(snapshot.slots[n])});
    }
    return lines;
}

void ConsoleView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const int ascent = fontMetrics().ascent();
    for (const DrawnLine& line : LinesToDraw()) painter.drawText(0, line.top + ascent, line.text);
}

void ConsoleView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        Q_EMIT popupRequested(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

}  // namespace quorbit
