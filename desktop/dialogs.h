// The desktop's modal dialogs (About, Preferences, Set Priority, Enter tour number) and its
// message boxes. Each is centred over the main window when that is visible. The dialogs only
// read and edit the settings held in memory; storing, clamping and applying them is the
// commands' business (main_window.cpp).
#pragma once

#include <QDialog>
#include <QIcon>
#include <QMessageBox>
#include <QString>

#include <cstdint>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quorbit {

// Field and control identifiers; each control's objectName is "control" and the number.
inline constexpr int ABOUT_ICON_CONTROL = 1031;
inline constexpr int FREQUENCY_CONTROL = 1000;
inline constexpr int DEPTH_CONTROL = 1001;
inline constexpr int THREADS_CONTROL = 1002;
inline constexpr int PRIORITY_CONTROL = 1030;
inline constexpr int UNIT_CONTROL = 1000;
inline constexpr int OK_CONTROL = 1;
inline constexpr int CANCEL_CONTROL = 2;

// The window that dialogs and message boxes are centred over (the main window).
void SetCentringWindow(QWidget* window);

// Centres the window over the centring window when it is shown, if that is visible then.
void CentreWhenShown(QWidget* window);

// A field read as an unsigned number: digits only (blanks around them allowed), within
// 32 bits; anything else, an empty field included, reads as 0.
uint32_t ReadUnsignedField(const QString& text);

// A dialog whose controls are placed in dialog units: a quarter of the font's average
// character width across, an eighth of its height down. Where the font's texts run wider
// than the units allow, the unit grows until every static text fits its place.
class UnitDialog : public QDialog {
public:
    UnitDialog(QWidget* owner, const char* caption, int width, int height);
    QLabel* AddStatic(const char* text, int x, int y, int width, int height);
    QLineEdit* AddEdit(int control, int x, int y, int width, int height, bool digitsOnly);
    QPushButton* AddButton(int control, const char* text, int x, int y, int width, int height);
    QLabel* AddIcon(int control, const QIcon& icon, int x, int y, int width, int height);
    int Run();  // laid out, centred, modal; Accepted only through OK (or Enter)

private:
    struct Placed {
        QWidget* widget;
        QRect units;
    };
    QWidget* Place(QWidget* widget, int x, int y, int width, int height);
    bool TextsFit(int unitWidth) const;
    void LayOut();
    QRect Pixels(const QRect& units) const;

    QRect frame;  // the dialog's own size in units
    std::vector<Placed> placed;
    int unitWidth = 0;   // pixels per 4 units across
    int unitHeight = 0;  // pixels per 8 units down
};
void RunAboutDialog(QWidget* owner, const QIcon& runningIcon);
// The fields show the values given; only OK reads them back into those values (unsigned,
// so that anything but digits reads as 0), Cancel and Esc leave them.
void RunPreferencesDialog(QWidget* owner, int32_t& displayFrequency, int32_t& displayDepth, int32_t& threads);
void RunPriorityDialog(QWidget* owner, int32_t& priority);
// Queues what the user typed (number or name) and starts the computation; a text that names
// no unit is refused in a message box and the dialog stays open.
void RunNewWorkDialog(QWidget* owner);

// A modal message box with an OK button, centred like the dialogs.
void ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, QMessageBox::Icon icon);

}  // namespace quorbit
