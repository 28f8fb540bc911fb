#pragma once

#include "EditorControls.h"
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
    bool storePending() override;
    bool undoPending() override;

private:
    void buildControls();
    void arrangeControls();
    void connectHandlers();
    void showCurrentMeet();
    void storeTypedDate(int index);
    bool datesTyped() const;
    // Stores the meet's pending edits and answers a refusal: a refused
    // meet shows what is stored, a meet changed or gone elsewhere reloads
    // the list. The result says how the store ended.
    StoreResult storeMeet();
    // Answers a change of the current meet that was not made; typed when it
    // was the user's typing (which then stays for another try).
    void answerMeet(const StoreResult& result, const QString& notDone, bool typed);
    // Reads the grid for the meet and filter on screen; false (and said)
    // when that cannot be done now, the previous rows and filter staying.
    bool reloadGrid();
    // Shows the meet the source holds as current in the list again.
    void showCurrentInList();
    void reloadMeets();

    MeetSource Data1{store_};
    bool newMeet_ = false;
    // The filter and meet of the rows on screen, and how the boxes showed it.
    LimitRowContext filter_;
    std::array<BoxState, 3> shown_{};
    bool deleteConfirmed_ = false;
};

} // namespace tavrel
