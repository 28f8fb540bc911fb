#pragma once

#include "EditorHost.h"
#include "MeetSource.h"
#include "RowChecks.h"
#include "common/db/Connection.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tavrel {

class RecordGrid;

// "Bewerk limieten": the meets of the limits database with their fields,
// and beside them the limits of the selected meet for one distance, stroke
// and gender. Controls are public members named as the club's documentation
// names them; object names add "_index" for members of an array.
class frmLimieten : public QWidget {
    Q_OBJECT
public:
    explicit frmLimieten(EditorHost& host, QWidget* parent = nullptr);
    ~frmLimieten() override;

    QLabel* lblLijst;
    QListWidget* lstCode;
    QLabel* lblCode;
    QLineEdit* tbCode;
    QLabel* lblWedstrijd;
    QLineEdit* tbWedstrijd;
    QLabel* lblDatum;
    // tbDatum[1] and tbDatum[2], numbered as the form numbers them.
    std::array<QLineEdit*, 3> tbDatum{};
    QLabel* lblEn;
    QLabel* lblBad;
    QComboBox* cbBad;
    QLabel* lblOpmerking;
    QLineEdit* tbData;
    QPushButton* cmdNieuw;
    QPushButton* cmdDel;
    std::array<QPushButton*, 2> cmdUpDown;
    QLabel* lblUpDown;
    std::array<QLabel*, 3> lblASG;
    std::array<QComboBox*, 3> cbASG;
    QCheckBox* checkGelijk;
    RecordGrid* Data;
    QPushButton* cmdImport;
    QLabel* Label1;
    QPushButton* cmdOK;

    // The opening steps; false when the database could not be used (the
    // main window then shows why and the editor must not be shown).
    bool Form_Load();

    void lstCode_Click();
    void Data1_Reposition();
    void cbBad_Click();
    void tbCode_Validate();
    void tbDatum_Validate(int Index);
    void cmdNieuw_Click();
    void cmdDel_Click();
    void cmdUpDown_Click(int Index);
    void cmdOK_Click();
    void cbASG_Click(int Index);
    void checkGelijk_Click();
    void adoRS_WillChangeRecord(ChangeReason adReason, GridRecord& record, ChangeStatus& adStatus);
    void cmdImport_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void arrangeControls();
    void connectHandlers();
    void showCurrentMeet();
    void storeTypedDate(int index);
    void commitGrid();
    void closeEditor();

    EditorHost& host_;
    Connection connection_;
    MeetSource Data1{connection_};
    bool newMeet_ = false;
    LimitRowContext filter_;
    bool deleteConfirmed_ = false;
    bool closed_ = false;
};

} // namespace tavrel
