#pragma once

#include <QFileDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tavrel {

// The folder picker: Qt's own folder dialog, showing only folders, with a
// line under it that shows the full path of the folder selected while
// browsing. A typed name of a folder that does not exist offers to make it
// (for the user only: it will hold the club's files); the dialog stays open
// for another name when the answer is No.
class FolderDialog : public QFileDialog {
    Q_OBJECT
public:
    FolderDialog(const QString& title, const QString& startFolder, QWidget* parent = nullptr);

    // The chosen folder's full path, as the platform writes it.
    QString chosenFolder() const;

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when the name field holds a folder that is not there yet.
    bool namesNewFolder() const;
    void showPath(const QString& path);

    QLabel* statusPath_;
    QPushButton* chooseButton_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
};

} // namespace tavrel
