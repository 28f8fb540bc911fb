#pragma once

#include "EditorHost.h"
#include "RowChecks.h"
#include "common/db/Connection.h"

#include <QWidget>

#include <array>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace tavrel {

class RecordGrid;

// "Bewerk niveaus": the level times of one distance, stroke, gender, pool
// length and level at a time, edited in a grid, and the levels import.
class frmNiveaus : public QWidget {
    Q_OBJECT
public:
    explicit frmNiveaus(EditorHost& host, QWidget* parent = nullptr);
    ~frmNiveaus() override;

    std::array<QLabel*, 5> lblASG;
    std::array<QComboBox*, 5> cbASG;
    QFrame* Line2;
    RecordGrid* Data;
    QFrame* Line4;
    QPushButton* cmdImport;
    QLabel* Label1;
    QPushButton* cmdOK;

    // The load step; false when the database could not be used.
    bool Form_Load();

    void cbASG_Click(int Index);
    void adoRS_WillChangeRecord(ChangeReason adReason, GridRecord& record, ChangeStatus& adStatus);
    void cmdOK_Click();
    void cmdImport_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void arrangeControls();
    void closeEditor();

    EditorHost& host_;
    Connection connection_;
    LevelRowContext filter_;
    bool deleteConfirmed_ = false;
    bool closed_ = false;
};

} // namespace tavrel
