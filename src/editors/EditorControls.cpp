#include "EditorControls.h"

#include "EditorHost.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace tavrel {

void captionFor(QLabel* label, QWidget* field) {
    label->setBuddy(field);
    field->setAccessibleName(label->text());
}

QPushButton* button(const QString& text, const QString& name) {
    auto* b = named(new QPushButton(text), name);
    b->setAutoDefault(true);
    return b;
}

QComboBox* filterBox(const QStringList& items, const QString& name) {
    auto* box = named(new QComboBox, name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    box->setCurrentIndex(-1);
    box->lineEdit()->clear();
    return box;
}

bool itemChosen(const QComboBox* box) {
    return box->currentIndex() >= 0 && box->currentText() == box->itemText(box->currentIndex());
}

QStringList distanceItems() {
    return {QStringLiteral("50"),  QStringLiteral("100"), QStringLiteral("200"),
            QStringLiteral("400"), QStringLiteral("800"), QStringLiteral("1500")};
}

QStringList strokeItems() {
    return {QStringLiteral("vrij"), QStringLiteral("vlinder"), QStringLiteral("rug"),
            QStringLiteral("school"), QStringLiteral("wissel")};
}

QStringList genderItems() {
    return {QStringLiteral("jongens/heren"), QStringLiteral("meisjes/dames")};
}

QString strokeCode(const QComboBox* box) {
    return itemChosen(box) ? QLatin1String(kStrokeCodes[box->currentIndex()]) : QString();
}

QString genderCode(const QComboBox* box) {
    return itemChosen(box) ? QLatin1String(kGenderCodes[box->currentIndex()]) : QString();
}

int chosenNumber(const QComboBox* box) {
    return itemChosen(box) ? qint16(box->currentText().toInt()) : 0;
}

BoxState boxState(const QComboBox* box) {
    return {box->currentIndex(), box->currentText()};
}

void restoreBox(QComboBox* box, const BoxState& state) {
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(state.index);
    box->setEditText(state.text);
}

int twips(int value, const QWidget* on) {
    return value * on->logicalDpiX() / 1440;
}

} // namespace tavrel
