#include "FolderDialog.h"

#include "common/BrowseFolder.h"
#include "common/Ui.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>

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
}

QString FolderDialog::chosenFolder() const {
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : QDir::toNativeSeparators(QDir::cleanPath(files.first()));
}

void FolderDialog::accept() {
    const QString chosen = selectedFiles().value(0);
    if (chosen.isEmpty() || !QFileInfo(chosen).isDir()) {
        const Answer again = Ui::current().messageBox(kInvalidFolderQuestion, kProgramTitle,
                                                      Buttons::YesNo, Icon::None);
        if (again != Answer::Yes)
            reject();
        return;
    }
    QFileDialog::accept();
}

void FolderDialog::showPath(const QString& path) {
    if (QFileInfo(path).isDir())
        statusPath_->setText(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
}

} // namespace tavrel
