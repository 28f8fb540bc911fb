#pragma once

#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace tavrel {

// Helpers both editor windows build their controls with.

template <typename T>
T* named(T* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

inline QString indexed(const char* name, int index) {
    return QLatin1String(name) + QLatin1Char('_') + QString::number(index);
}

// Makes label the caption of field: its buddy, and its name for screen
// readers (lists and fixed combo boxes do not take it from the buddy).
void captionFor(QLabel* label, QWidget* field);

// A button that Enter presses too, while it has the focus.
QPushButton* button(const QString& text, const QString& name);

// An editable filter box that starts with no item chosen.
QComboBox* filterBox(const QStringList& items, const QString& name);

// True when an item of the list is chosen; a typed text is no choice.
bool itemChosen(const QComboBox* box);

// The filter boxes shared by both editors: distance, stroke, gender.
QStringList distanceItems();
QStringList strokeItems();
QStringList genderItems();

// The code behind the chosen stroke or gender, "" when none is chosen.
QString strokeCode(const QComboBox* box);
QString genderCode(const QComboBox* box);
// The chosen number (distance, pool length) as a 16-bit number, 0 when none.
int chosenNumber(const QComboBox* box);

// What a filter box shows: the chosen item, or a typed text.
struct BoxState {
    int index = -1;
    QString text;
};
BoxState boxState(const QComboBox* box);
// Shows state again, without running the box's handlers.
void restoreBox(QComboBox* box, const BoxState& state);

// Twips (1440 to the inch) as pixels on a widget's screen.
int twips(int value, const QWidget* on);

} // namespace tavrel
