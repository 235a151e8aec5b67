// The board beside the console: the moves of the last progress line on their squares, each
// rank's sum on the right and each file's below, a line that can no longer add up to 111 in
// red and one that does in green. Hidden and shown by View > Board ("ShowBoard").
#pragma once

#include <QWidget>

#include <atomic>

#include "control/progress_path.h"
#include "results/board.h"

namespace quorbit {

class BoardView : public QWidget {
    Q_OBJECT
public:
    explicit BoardView(QWidget* parent = nullptr);

    // A progress line may have been printed. Callable from any thread: the redraw is posted
    // to this widget's thread, never waited for, and merged with one still pending.
    void RequestRedraw();

    // What the board shows now: the progress line's path, and that path as a board.
    const ProgressPath& Shown() const { return shown; }
    const BoardPicture& Picture() const { return picture; }
    // The text above the board ("a1-a2, moves 1 to 8", or that no progress line came yet).
    QString Caption() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void TakeLastPath();

    ProgressPath shown{-1, 0, {}};
    BoardPicture picture{};
    std::atomic<bool> redrawPosted{false};
};

}  // namespace quorbit
