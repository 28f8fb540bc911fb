#include "QtUi.h"

#include "FolderDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>

namespace tavrel {

namespace {

QString displayText(QString text) {
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(Buttons buttons) {
    switch (buttons) {
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// The window a box or dialog belongs to: the active one, or, right after
// another modal window closed and none is active yet, the last visible one.
QWidget* owner() {
    if (QWidget* active = QApplication::activeWindow())
        return active;
    QWidget* last = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isWindow() && !w->inherits("QMenu"))
            last = w;
    return last;
}

} // namespace

Answer QtUi::messageBox(const QString& text, const QString& title, Buttons buttons, Icon icon) {
    QMessageBox box(qtIcon(icon), title, displayText(text), qtButtons(buttons), owner());
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return safeAnswer(buttons);
    }
}

QString QtUi::openFile(const QString& title, const QString& filter, const QString& fileName) {
    const QString chosen =
        QFileDialog::getOpenFileName(owner(), title, fileName, qtFileFilter(filter));
    return QDir::toNativeSeparators(chosen);
}

QString QtUi::saveFile(const QString& title, const QString& filter, const QString& fileName) {
    const QString chosen =
        QFileDialog::getSaveFileName(owner(), title, fileName, qtFileFilter(filter));
    return QDir::toNativeSeparators(chosen);
}

QString QtUi::pickFolder(const QString& title, const QString& startFolder) {
    FolderDialog dialog(title, startFolder, owner());
    return dialog.exec() == QDialog::Accepted ? dialog.chosenFolder() : QString();
}

void QtUi::setWaitCursor(bool on) {
    if (on && !waitCursor_)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (!on && waitCursor_)
        QApplication::restoreOverrideCursor();
    waitCursor_ = on;
}

void QtUi::yield() {
    QCoreApplication::processEvents();
}

void QtUi::endProgram() {
    QCoreApplication::exit(0);
}

QString qtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList choices;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        choices << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return choices.join(QStringLiteral(";;"));
}

} // namespace tavrel
