#include "FolderDialog.h"

#include "common/OwnerOnly.h"
#include "common/Ui.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tavrel {

FolderDialog::FolderDialog(const QString& title, const QString& startFolder, QWidget* parent)
    : QFileDialog(parent, title, startFolder)
    , statusPath_(new QLabel(this)) {
    setObjectName(QStringLiteral("FolderDialog"));
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ShowDirsOnly);
    setFileMode(QFileDialog::Directory);
    setDirectory(startFolder);

    statusPath_->setObjectName(QStringLiteral("statusPath"));
    statusPath_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(statusPath_, grid->rowCount(), 0, 1, grid->columnCount());
    showPath(directory().absolutePath());
    connect(this, &QFileDialog::currentChanged, this, &FolderDialog::showPath);
    connect(this, &QFileDialog::directoryEntered, this, &FolderDialog::showPath);
    // Qt's dialog disables "Kiezen" for a typed folder that is not there
    // yet; this one offers to make it.
    auto* buttons = findChild<QDialogButtonBox*>();
    chooseButton_ = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
    nameEdit_ = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (chooseButton_ && nameEdit_)
        chooseButton_->installEventFilter(this);
    // A "Nieuwe map" renamed in place is selected under its new name.
    if (auto* model = findChild<QFileSystemModel*>())
        connect(model, &QFileSystemModel::fileRenamed, this,
                [this](const QString& folder, const QString&, const QString& newName) {
                    showPath(QDir(folder).filePath(newName));
                });
}

bool FolderDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == chooseButton_ && event->type() == QEvent::EnabledChange &&
        !chooseButton_->isEnabled() && namesNewFolder())
        chooseButton_->setEnabled(true);
    return QFileDialog::eventFilter(watched, event);
}

bool FolderDialog::namesNewFolder() const {
    const QString typed = nameEdit_->text().trimmed();
    return !typed.isEmpty() && !QFileInfo::exists(directory().absoluteFilePath(typed));
}

QString FolderDialog::chosenFolder() const {
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : QDir::toNativeSeparators(QDir::cleanPath(files.first()));
}

void FolderDialog::accept() {
    const QString chosen = selectedFiles().value(0);
    if (chosen.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(QDir::cleanPath(chosen));
    const QFileInfo info(chosen);
    if (info.isDir()) {
        QFileDialog::accept();
        return;
    }
    // The dialog stays open for another name whatever the answer.
    Ui& ui = Ui::current();
    if (info.exists()) {
        ui.messageBox(shown + QStringLiteral(" is een bestand, geen map. Kies een map, of typ de "
                                             "naam van een nieuwe map."),
                      kProgramTitle, Buttons::Ok, Icon::Exclamation);
        return;
    }
    if (ui.messageBox(QStringLiteral("De map ") + shown +
                          QStringLiteral(" bestaat niet.\r\nWilt u deze map maken?"),
                      kProgramTitle, Buttons::YesNo, Icon::Question) != Answer::Yes)
        return;
    // It will hold the club's data: for this user only.
    if (!makeOwnerOnlyFolder(chosen)) {
        ui.messageBox(QStringLiteral("De map ") + shown +
                          QStringLiteral(" kan niet worden gemaakt. Kies een andere plaats."),
                      kProgramTitle, Buttons::Ok, Icon::Exclamation);
        return;
    }
    QFileDialog::accept();
}

void FolderDialog::showPath(const QString& path) {
    if (QFileInfo(path).isDir())
        statusPath_->setText(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
}

} // namespace tavrel
