#pragma once

#include "EditorWindow.h"
#include "MeetSource.h"

class QCheckBox;
class QLineEdit;
class QListWidget;

namespace tavrel {

// "Bewerk limieten": the meets of the limits database with their fields,
// and beside them the limits of the selected meet for one distance, stroke
// and gender. Controls are public members named as the club's documentation
// names them; object names add "_index" for members of an array.
class frmLimieten : public EditorWindow {
    Q_OBJECT
public:
    explicit frmLimieten(EditorHost& host, QWidget* parent = nullptr);

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

    bool Form_Load() override;

    void lstCode_Click();
    void Data1_Reposition();
    void cbBad_Click();
    void tbCode_Validate();
    void tbDatum_Validate(int Index);
    void cmdNieuw_Click();
    void cmdDel_Click();
    void cmdUpDown_Click(int Index);
    void cbASG_Click(int Index) override;
    void checkGelijk_Click();
    void adoRS_WillChangeRecord(ChangeReason adReason, GridRecord& record,
                                ChangeStatus& adStatus) override;
    void cmdImport_Click() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void storePending() override;

private:
    void buildControls();
    void arrangeControls();
    void connectHandlers();
    void showCurrentMeet();
    void storeTypedDate(int index);
    void commitGrid();
    void reloadMeets();

    MeetSource Data1{connection_};
    bool newMeet_ = false;
    LimitRowContext filter_;
    bool deleteConfirmed_ = false;
};

} // namespace tavrel
