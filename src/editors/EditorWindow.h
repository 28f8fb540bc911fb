#pragma once

#include "Deferred.h"
#include "EditorHost.h"
#include "LimitsStore.h"
#include "RowChecks.h"
#include "common/db/Connection.h"

#include <QWidget>

#include <array>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;

namespace tavrel {

class RecordGrid;

// What both editor windows share: a window of its own on the limits
// database, its filter boxes over a grid of rows, the import button with its
// hint, and "Sluiten". "Sluiten" and the close box store what is still being
// edited, release the database and show the main window again; when another
// program holds the database the editor stays open with what was typed.
// Escape first undoes what is pending and closes only when nothing is.
class EditorWindow : public QWidget {
    Q_OBJECT
public:
    ~EditorWindow() override;

    RecordGrid* Data;
    QPushButton* cmdImport;
    QLabel* Label1;
    QPushButton* cmdOK;
    QLabel* lblKies; // says what to choose while the grid is hidden

    // The opening steps; false when the database could not be used (the
    // main window then shows why, and the editor must not be shown).
    virtual bool Form_Load() = 0;
    void cmdOK_Click();
    virtual void cbASG_Click(int Index) = 0;
    virtual void adoRS_WillChangeRecord(ChangeReason adReason, GridRecord& record,
                                        ChangeStatus& adStatus) = 0;
    virtual void cmdImport_Click() = 0;

protected:
    EditorWindow(EditorHost& host, QWidget* parent, const QString& name, const QString& title,
                 const QString& gridName, const QString& importHint, const QString& chooseHint);

    // The opening steps both editors begin with: the main window's path, the
    // file test, the connection and the columns of the editor's tables (and,
    // for a Jet file, the offer of an editable copy), with their messages in
    // the main window.
    bool openDatabase(const QStringList& tables);
    // Says in the main window that the database did not open; false.
    bool openingFailed();

    // Makes filter box i with its caption, and lets a click on it (or Enter
    // after typing) run cbASG_Click.
    void makeFilter(int i, const QString& caption, const QStringList& items, QLabel*& label,
                    QComboBox*& box);

    // Stores the rows being edited, then shows selection's rows. False (and
    // said) when either cannot be done now: the rows on screen stay, and the
    // caller shows its filter as it was.
    bool showRows(const RowSelection& selection);

    // The row of the import button, its hint and "Sluiten".
    QHBoxLayout* bottomRow();

    // The grid, or while it is hidden the hint of what to choose, in a place
    // that keeps its size either way (so the window opens large enough).
    QWidget* gridArea(QSize minimum);

    // Stores what is still being edited; false when something stays pending
    // (another program holds the database; said once).
    virtual bool storePending();
    // Drops what is still being edited; false when nothing was.
    virtual bool undoPending();

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    EditorHost& host_;
    Connection connection_;
    LimitsStore store_{connection_};
    // Every handler holds a guard of this while it runs.
    Deferred deferred_;

private:
    bool closed_ = false;
    bool fitted_ = false;
};

} // namespace tavrel
