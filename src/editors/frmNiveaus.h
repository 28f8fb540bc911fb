#pragma once

#include "EditorControls.h"
#include "EditorWindow.h"

class QFrame;

namespace tavrel {

// "Bewerk niveaus": the level times of one distance, stroke, gender, pool
// length and level at a time, edited in a grid, and the levels import.
// Controls are public members named as the club's documentation names them.
class frmNiveaus : public EditorWindow {
    Q_OBJECT
public:
    explicit frmNiveaus(EditorHost& host, QWidget* parent = nullptr);

    std::array<QLabel*, 5> lblASG;
    std::array<QComboBox*, 5> cbASG;
    QFrame* Line2;
    QFrame* Line4;

    bool Form_Load() override;

    void cbASG_Click(int Index) override;
    void adoRS_WillChangeRecord(ChangeReason adReason, GridRecord& record,
                                ChangeStatus& adStatus) override;
    void cmdImport_Click() override;

private:
    // The filter of the rows on screen, and how its boxes showed it.
    LevelRowContext filter_;
    std::array<BoxState, 5> shown_{};
    bool deleteConfirmed_ = false;
};

} // namespace tavrel
