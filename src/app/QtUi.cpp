#include "QtUi.h"

#include "DialogTraces.h"
#include "FolderDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
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
    case Buttons::YesNoDefaultNo:
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
    if (buttons == Buttons::YesNoDefaultNo)
        box.setDefaultButton(QMessageBox::No);
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
    // Opens in the file's folder, with only its name in the name field and
    // the filter that shows it chosen.
    const DialogTraces traces; // ends after the dialog
    QFileDialog dialog(owner(), title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QStringList filters = qtFileFilter(filter).split(QStringLiteral(";;"));
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(matchingFilter(filter, fileName)));
    const QFileInfo start(QDir::fromNativeSeparators(fileName));
    if (start.absoluteDir().exists()) {
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    // Qt's own dialog cuts its columns ("104...KiB"): room for the name,
    // size, type and date, as far as the screen allows.
    if (const QScreen* screen = dialog.screen())
        dialog.resize(QSize(820, 480).boundedTo(screen->availableGeometry().size() * 0.9));
    QTimer::singleShot(0, &dialog, [&dialog] {
        if (auto* view = dialog.findChild<QTreeView*>()) {
            view->header()->setSectionResizeMode(0, QHeaderView::Stretch);
            for (int column = 1; column < view->header()->count(); ++column)
                view->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        }
    });
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().value(0));
}

QString QtUi::saveFile(const QString& title, const QString& filter, const QString& fileName) {
    const DialogTraces traces;
    const QString chosen =
        QFileDialog::getSaveFileName(owner(), title, fileName, qtFileFilter(filter));
    return QDir::toNativeSeparators(chosen);
}

QString QtUi::pickFolder(const QString& title, const QString& startFolder) {
    const DialogTraces traces; // ends after the dialog
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

void QtUi::showBusy(const QString& text, qint64 done, qint64 total) {
    if (!busy_) {
        // No cancel button: the step's work is one transaction, and the
        // modality keeps every other window from taking input meanwhile.
        busy_ = std::make_unique<QProgressDialog>(text, QString(), 0, 1000, owner());
        busy_->setObjectName(QStringLiteral("prgBezig"));
        busy_->setWindowTitle(QStringLiteral("Even geduld"));
        busy_->setWindowModality(Qt::ApplicationModal);
        busy_->setAutoClose(false);
        busy_->setAutoReset(false);
        busy_->setMinimumDuration(0);
        busy_->show();
    }
    busy_->setLabelText(text);
    busy_->setValue(total > 0 ? int(std::min<qint64>(done * 1000 / total, 1000)) : 0);
    QCoreApplication::processEvents();
}

void QtUi::endBusy() {
    busy_.reset();
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
        // A description that already ends with its patterns is shown as it
        // stands: Qt takes the patterns from its last words.
        const QString& description = parts[i];
        if (description.endsWith(QLatin1Char(' ') + patterns) ||
            description.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')')))
            choices << description;
        else
            choices << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return choices.join(QStringLiteral(";;"));
}

int matchingFilter(const QString& filter, const QString& fileName) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    const QString name = QFileInfo(QDir::fromNativeSeparators(fileName)).fileName();
    for (qsizetype i = 1; i < parts.size(); i += 2)
        for (const QString& pattern : parts[i].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (QDir::match(pattern, name))
                return int(i / 2);
    return 0;
}

} // namespace tavrel
