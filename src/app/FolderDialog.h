#pragma once

#include <QFileDialog>

class QLabel;

namespace tavrel {

// The folder picker: Qt's own folder dialog, showing only folders, with a
// line under it that shows the full path of the folder selected while
// browsing. A typed name that is no folder asks whether to try again
// (through the UI seam): Yes keeps the dialog open, No closes it.
class FolderDialog : public QFileDialog {
    Q_OBJECT
public:
    FolderDialog(const QString& title, const QString& startFolder, QWidget* parent = nullptr);

    // The chosen folder's full path, as the platform writes it.
    QString chosenFolder() const;

    void accept() override;

private:
    void showPath(const QString& path);

    QLabel* statusPath_;
};

} // namespace tavrel
