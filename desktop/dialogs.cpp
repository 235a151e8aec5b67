#include "desktop/dialogs.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <cstdio>

#include "control/unit_input.h"
#include "platform/processor.h"

namespace quorbit {

namespace {

QPointer<QWidget> centringWindow;

void CentreOver(QWidget* window, const QWidget* over) {
    const QRect main = over->frameGeometry();
    const QRect own = window->frameGeometry();
    window->move(main.left() + (main.width() - own.width()) / 2, main.top() + (main.height() - own.height()) / 2);
}

// Centres its window whenever it is shown or resized before its first activation, as a box
// that sizes itself while it shows would otherwise be off centre; then it removes itself.
class CentringFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = static_cast<QWidget*>(watched);
        switch (event->type()) {
            case QEvent::Show:
            case QEvent::Resize:
                if (centringWindow != nullptr && centringWindow != window && centringWindow->isVisible())
                    CentreOver(window, centringWindow);
                break;
            case QEvent::WindowActivate:
            case QEvent::Hide:
                deleteLater();
                break;
            default:
                break;
        }
        return false;
    }
};

QString ControlName(int control) { return QStringLiteral("control%1").arg(control); }

// About ends with Enter as with Esc or the close box, though it has no button.
class AboutDialog : public UnitDialog {
public:
    using UnitDialog::UnitDialog;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            accept();
            return;
        }
        UnitDialog::keyPressEvent(event);
    }
};

// The dialogs show numbers as unsigned, as the fields read them back.
QString UnsignedText(int32_t value) { return QString::number(static_cast<uint32_t>(value)); }

int32_t ReadField(const QLineEdit* field) { return static_cast<int32_t>(ReadUnsignedField(field->text())); }

void AddOkCancel(UnitDialog& dialog, int x) {
    dialog.AddButton(OK_CONTROL, "OK", x, 7, 32, 14);
    dialog.AddButton(CANCEL_CONTROL, "Cancel", x, 24, 32, 14);
}

// OK queues the unit typed; a text that names none is refused and the dialog stays open.
class NewWorkDialog : public UnitDialog {
public:
    using UnitDialog::UnitDialog;
    QLineEdit* unit = nullptr;

    void accept() override {
        const QByteArray text = unit->text().toLatin1();
        if (SubmitUnitInput(text.constData()) != UnitInput::Refused) UnitDialog::accept();
    }
};

}  // namespace

void SetCentringWindow(QWidget* window) { centringWindow = window; }

void CentreWhenShown(QWidget* window) { window->installEventFilter(new CentringFilter(window)); }

uint32_t ReadUnsignedField(const QString& text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty()) return 0;
    uint64_t value = 0;
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return 0;
        value = value * 10 + static_cast<uint64_t>(c.unicode() - '0');
        if (value > UINT32_MAX) return 0;
    }
    return static_cast<uint32_t>(value);
}

UnitDialog::UnitDialog(QWidget* owner, const char* caption, int width, int height)
    : QDialog(owner), frame(0, 0, width, height) {
    setWindowTitle(QString::fromLatin1(caption));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    const QFontMetrics metrics(font());
    static const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    unitWidth = (metrics.horizontalAdvance(alphabet) + 26) / 52;
    unitHeight = metrics.height();
    LayOut();
}

QRect UnitDialog::Pixels(const QRect& units) const {
    return QRect(units.x() * unitWidth / 4, units.y() * unitHeight / 8, units.width() * unitWidth / 4,
                 units.height() * unitHeight / 8);
}

QWidget* UnitDialog::Place(QWidget* widget, int x, int y, int width, int height) {
    placed.push_back({widget, QRect(x, y, width, height)});
    widget->setGeometry(Pixels(placed.back().units));
    return widget;
}

bool UnitDialog::TextsFit(int across) const {
    const QFontMetrics metrics(font());
    for (const Placed& p : placed) {
        const auto* label = qobject_cast<const QLabel*>(p.widget);
        if (label == nullptr || label->text().isEmpty()) continue;
        const int width = p.units.width() * across / 4;
        const int height = p.units.height() * unitHeight / 8;
        const QRect needed = metrics.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, label->text());
        if (needed.width() > width || needed.height() > height + 2) return false;
    }
    return true;
}

void UnitDialog::LayOut() {
    // At most half as wide again: past that a text is cut rather than the dialog blown up.
    const int widest = unitWidth + unitWidth / 2;
    while (unitWidth < widest && !TextsFit(unitWidth)) ++unitWidth;
    for (const Placed& p : placed) p.widget->setGeometry(Pixels(p.units));
    setFixedSize(Pixels(frame).size());
}

QLabel* UnitDialog::AddStatic(const char* text, int x, int y, int width, int height) {
    auto* label = new QLabel(QString::fromLatin1(text), this);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Place(label, x, y, width, height);
    return label;
}

QLabel* UnitDialog::AddIcon(int control, const QIcon& icon, int x, int y, int width, int height) {
    auto* label = new QLabel(this);
    label->setObjectName(ControlName(control));
    label->setPixmap(icon.pixmap(32, 32));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Place(label, x, y, width, height);
    return label;
}

QLineEdit* UnitDialog::AddEdit(int control, int x, int y, int width, int height, bool digitsOnly) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(ControlName(control));
    if (digitsOnly) edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
    Place(edit, x, y, width, height);
    return edit;
}

QPushButton* UnitDialog::AddButton(int control, const char* text, int x, int y, int width, int height) {
    auto* button = new QPushButton(QString::fromLatin1(text), this);
    button->setObjectName(ControlName(control));
    Place(button, x, y, width, height);
    if (control == OK_CONTROL) {
        button->setDefault(true);
        connect(button, &QPushButton::clicked, this, &QDialog::accept);
    } else {
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, &QDialog::reject);
    }
    return button;
}

int UnitDialog::Run() {
    LayOut();
    CentreWhenShown(this);
    return exec();
}

void RunAboutDialog(QWidget* owner, const QIcon& runningIcon) {
    AboutDialog dialog(owner, "About Vanterra", 234, 90);
    dialog.AddIcon(ABOUT_ICON_CONTROL, runningIcon, 11, 17, 20, 20);
    dialog.AddStatic("Quorbit v1.2", 41, 10, 57, 8);
    static const char* const credits[] = {
        "Every semi-magic knight's tour of the 6x6 torus,",
        "found by exhaustive search in 45 work units.",
        "Written for Linux with C++20 and Qt 6.",
        "Results go to SOLUTION.TXT and LOGSOL.TXT.",
    };
    for (int i = 0; i < 4; ++i) dialog.AddStatic(credits[i], 41, 23 + 13 * i, 186, 8);
    dialog.Run();
}

void RunPreferencesDialog(QWidget* owner, int32_t& frequencyValue, int32_t& depthValue, int32_t& threadsValue) {
    // The three fields in one column, each with its unit or meaning beside or below it.
    UnitDialog dialog(owner, "Preferences", 169, 124);
    dialog.AddStatic("Display each", 7, 20, 48, 8);
    QLineEdit* frequency = dialog.AddEdit(FREQUENCY_CONTROL, 60, 18, 38, 14, false);
    dialog.AddStatic("seconds", 102, 21, 28, 8);
    dialog.AddStatic("Display depth", 7, 51, 48, 8);
    QLineEdit* depth = dialog.AddEdit(DEPTH_CONTROL, 60, 49, 38, 14, true);
    dialog.AddStatic("moves", 102, 52, 28, 8);
    dialog.AddStatic("Threads", 7, 82, 48, 8);
    QLineEdit* threads = dialog.AddEdit(THREADS_CONTROL, 60, 80, 38, 14, true);
    char meaning[160];
    std::snprintf(meaning, sizeof meaning,
                  "0: one search, a halted unit computed again; 1 to %d: task mode on that many threads, with a "
                  "checkpoint.",
                  AvailableProcessors());
    dialog.AddStatic(meaning, 7, 98, 155, 20);
    AddOkCancel(dialog, 130);
    frequency->setText(UnsignedText(frequencyValue));
    depth->setText(UnsignedText(depthValue));
    threads->setText(UnsignedText(threadsValue));
    if (dialog.Run() != QDialog::Accepted) return;
    frequencyValue = ReadField(frequency);
    depthValue = ReadField(depth);
    threadsValue = ReadField(threads);
}

void RunPriorityDialog(QWidget* owner, int32_t& levelValue) {
    UnitDialog dialog(owner, "Set Priority", 217, 136);
    // What the levels are on Linux (docs/priority.md), in place of the other system's.
    dialog.AddStatic("Pick a priority between 1 and 10 where 1 is the lowest priority and 10 is the highest.  "
                     "Level 1 uses only idle time; most applications run above level 10.",
                     7, 7, 151, 35);
    dialog.AddStatic("It is strongly recommended that you use the default priority of 1.  "
                     "This program is unlikely to run any faster at a higher priority.",
                     7, 43, 202, 19);
    dialog.AddStatic("The only time you should raise the priority is when another process, such as a screen "
                     "saver, is stealing CPU cycles from this program.",
                     7, 66, 200, 26);
    dialog.AddStatic("Priority:", 7, 98, 24, 8);
    QLineEdit* level = dialog.AddEdit(PRIORITY_CONTROL, 39, 95, 40, 14, true);
    dialog.AddStatic("Any other number, 0 among them, runs at nice 0 until the next start, which reads it as 1 "
                     "or 10.",
                     7, 114, 202, 16);
    AddOkCancel(dialog, 164);
    level->setText(UnsignedText(levelValue));
    if (dialog.Run() != QDialog::Accepted) return;
    levelValue = ReadField(level);
}

void RunNewWorkDialog(QWidget* owner) {
    NewWorkDialog dialog(owner, "Enter tour number", 150, 45);
    dialog.AddStatic("Tour", 7, 10, 20, 8);
    dialog.unit = dialog.AddEdit(UNIT_CONTROL, 30, 8, 76, 14, false);
    dialog.unit->setMaxLength(static_cast<int>(UNIT_INPUT_MAX));
    AddOkCancel(dialog, 112);
    dialog.unit->setFocus();
    dialog.Run();
}

void ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, QMessageBox::Icon icon) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
    CentreWhenShown(&box);
    box.exec();
}

}  // namespace quorbit
