#pragma once

#include "UploadRun.h"
#include "editors/EditorHost.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace tavrel {

// The database file dialogs offer Jet files first and SQLite files second.
inline const QString kDatabaseFileFilter = QStringLiteral(
    "(Microsoft Access Database) *.mdb|*.mdb|(SQLite database) *.sqlite *.db|*.sqlite;*.db");

// The start-up window: the database paths, the program version, the FTP
// account, the data sets, the CSV folder and the buttons. Controls are public
// members named as the club's documentation names them; each object name is
// the member's name, with "_" and the index for members of an array.
class Main : public QWidget, public RunView, public EditorHost {
    Q_OBJECT
public:
    explicit Main(QWidget* parent = nullptr);

    QLabel* Label1;
    std::array<QLabel*, 2> LabelDB;
    std::array<QLineEdit*, 2> tbDB;
    std::array<QPushButton*, 3> cmdBrowse;
    QGroupBox* Frame2;
    std::array<QRadioButton*, 2> OptVersie;
    QCheckBox* checkFTP;
    std::array<QLabel*, 4> Label;
    std::array<QLineEdit*, 4> Tbox;
    QGroupBox* Frame1;
    std::array<QCheckBox*, 3> checkUpl;
    QCheckBox* checkCSV;
    QLineEdit* tbCSV;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    std::array<QPushButton*, 2> cmdLimiet;
    QPlainTextEdit* Message;
    QLabel* Label2;
    QLabel* lblVersie;
    QLabel* Picture1;

    // The exports and the upload behind OK.
    RunPhases phases = defaultRunPhases();

    void Form_Load();
    void checkFTP_Click();
    void checkCSV_Click();
    void cmdBrowse_Click(int Index);
    void cmdLimiet_Click(int Index);
    void cmdCancel_Click();
    void cmdOK_Click();

    // The run's and the editors' view of the window.
    void showMessage(const QString& text) override;
    void focus(RunField field) override;
    RunInput runInput() const;
    QString limitsDatabasePath() const override;
    void focusLimitsDatabase() override;
    void setLimitsDatabasePath(const QString& path) override;
    void editorClosed() override;

protected:
    // The close box ends the program as "Sluiten" does.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void arrangeControls();
    void connectHandlers();

    bool running_ = false;
};

} // namespace tavrel
