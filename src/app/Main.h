#pragma once

#include "DatabaseChoice.h"
#include "RunJob.h"
#include "UploadRun.h"
#include "editors/EditorHost.h"

#include <QWidget>

#include <array>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace tavrel {

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
    QPlainTextEdit* Message = nullptr;
    // While a run works: what it does and how far it is.
    QLabel* lblVoortgang;
    QProgressBar* prgVoortgang;
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

    bool runRunning() const { return job_.running(); }

    // The run's and the editors' view of the window.
    void showMessage(const QString& text) override;
    void showProgress(const RunProgress& progress) override;
    void focus(RunField field) override;
    RunInput runInput() const;
    QString limitsDatabasePath() const override;
    void focusLimitsDatabase() override;
    void setLimitsDatabasePath(const QString& path) override;
    void editorClosed() override;

protected:
    // The close box ends the program as "Sluiten" does.
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void arrangeControls();
    // No taller or wider than the screen, down to what the controls need.
    void fitScreen();
    void connectHandlers();
    void setRunning(bool running);
    void showNote(const FieldNote& note);
    // Clears a message about field, which the user just changed.
    void fieldChanged(RunField field);
    // Red, readable on the window's palette.
    void colourMessage();
    void runFinished(UploadRun::Outcome outcome);
    // During a run: asks whether to stop it, and ends the program once it
    // has; false when the run goes on.
    bool stopRunToEnd();

    RunJob job_{phases, *this};
    bool endAfterRun_ = false;
    // A field the run put the focus on; it takes it once it is enabled again.
    std::optional<RunField> focusAfterRun_;
    // The field the message shown is about, if any.
    std::optional<RunField> messageAbout_;
};

} // namespace tavrel
