#include "desktop/board_view.h"

#include <QPainter>
#include <QPalette>

#include <cstring>

#include "catalogue/catalogue.h"

namespace quorbit {

namespace {

// The board's columns: the rank's digit, six squares, the rank's sum (wider); its rows: the
// caption, six ranks, the files' letters, the files' sums.
constexpr int GRID_COLUMNS = 9;
constexpr int GRID_ROWS = 9;
constexpr int MARGIN = 8;

QColor LineColour(LineState state, const QPalette& palette) {
    switch (state) {
        case LineState::Magic: return QColor(0, 128, 0);
        case LineState::Wrong:
        case LineState::Impossible: return QColor(192, 0, 0);
        case LineState::Open: break;
    }
    return palette.color(QPalette::WindowText);
}

}  // namespace

BoardView::BoardView(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    setFocusPolicy(Qt::NoFocus);
    PictureBoard(shown.squares, 0, picture);
}

void BoardView::RequestRedraw() {
    if (redrawPosted.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            redrawPosted.store(false);
            TakeLastPath();
        },
        Qt::QueuedConnection);
}

void BoardView::TakeLastPath() {
    ProgressPath last;
    LastProgressPath(last);
    if (last.unit == shown.unit && last.moves == shown.moves &&
        std::memcmp(last.squares, shown.squares, static_cast<size_t>(last.moves)) == 0)
        return;
    shown = last;
    PictureBoard(shown.squares, shown.moves, picture);
    update();
}

QString BoardView::Caption() const {
    const char* unit = UnitName(shown.unit);
    if (shown.moves == 0 || unit == nullptr) return QStringLiteral("No progress line yet");
    if (shown.moves == 1) return QStringLiteral("%1, move 1").arg(QLatin1String(unit));
    return QStringLiteral("%1, moves 1 to %2").arg(QLatin1String(unit)).arg(shown.moves);
}

QSize BoardView::sizeHint() const {
    const int cell = fontMetrics().height() * 2;
    return {2 * MARGIN + cell * (GRID_COLUMNS + 1), 2 * MARGIN + cell * GRID_ROWS};
}

void BoardView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    // Square cells as large as the widget allows; the sums' column is two cells wide.
    const int cell = std::max(8, std::min((width() - 2 * MARGIN) / (GRID_COLUMNS + 1),
                                          (height() - 2 * MARGIN) / GRID_ROWS));
    const int left = MARGIN, top = MARGIN;
    const auto box = [&](int column, int row, int span = 1) {
        return QRect(left + column * cell, top + row * cell, cell * span, cell);
    };
    painter.setPen(colours.color(QPalette::WindowText));
    painter.drawText(box(0, 0, GRID_COLUMNS + 1), Qt::AlignLeft | Qt::AlignVCenter, Caption());

    QFont bold = font();
    bold.setBold(true);
    for (int rank = 0; rank < BOARD_SIZE; ++rank) {
        const int row = BOARD_SIZE - rank;  // rank 6 at the top
        painter.setPen(colours.color(QPalette::WindowText));
        painter.drawText(box(0, row), Qt::AlignCenter, QString::number(rank + 1));
        for (int file = 0; file < BOARD_SIZE; ++file) {
            const QRect square = box(1 + file, row);
            const bool dark = SquareColour(MakeSquare(file, rank)) == 0;
            painter.fillRect(square, dark ? QColor(181, 136, 99) : QColor(240, 217, 181));
            const int number = picture.number[MakeSquare(file, rank)];
            if (number == 0) continue;
            painter.setFont(number == picture.moves ? bold : font());  // the newest move stands out
            painter.setPen(Qt::black);
            painter.drawText(square, Qt::AlignCenter, QString::number(number));
            painter.setFont(font());
        }
        const int line = RankLine(MakeSquare(0, rank));
        painter.setPen(LineColour(picture.state[line], colours));
        painter.drawText(box(1 + BOARD_SIZE, row, 2), Qt::AlignCenter, QString::number(picture.lineSum[line]));
    }
    painter.setPen(colours.color(QPalette::WindowText));
    painter.drawText(box(1 + BOARD_SIZE, BOARD_SIZE + 1, 2), Qt::AlignCenter, QStringLiteral("sum"));
    painter.drawText(box(0, BOARD_SIZE + 2), Qt::AlignCenter, QStringLiteral("sum"));
    for (int file = 0; file < BOARD_SIZE; ++file) {
        painter.setPen(colours.color(QPalette::WindowText));
        painter.drawText(box(1 + file, BOARD_SIZE + 1), Qt::AlignCenter, QString(QChar('a' + file)));
        painter.setPen(LineColour(picture.state[file], colours));
        painter.drawText(box(1 + file, BOARD_SIZE + 2), Qt::AlignCenter, QString::number(picture.lineSum[file]));
    }
}

}  // namespace quorbit
