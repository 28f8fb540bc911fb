#include "frmNiveaus.h"

#include "EditorControls.h"
#include "ImportSteps.h"
#include "RecordGrid.h"
#include "StoreMessages.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tavrel {

frmNiveaus::frmNiveaus(EditorHost& host, QWidget* parent)
    : EditorWindow(host, parent, QStringLiteral("frmNiveaus"), QStringLiteral("Bewerk niveaus"),
                   QStringLiteral("Niveaus"),
                   // The levels import replaces every level, not limits.
                   QStringLiteral("Niveaus kunnen worden geimporteerd uit een CSV bestand, dat "
                                  "eerder of ergens anders met dit programma is gemaakt. LET OP "
                                  "dat alle huidige niveaus eerst worden verwijderd."),
                   QStringLiteral("Kies afstand, slag, geslacht, badlengte en niveau om de "
                                  "niveaus te zien.")) {
    const QStringList captions = {QStringLiteral("Afstand"), QStringLiteral("Slag"),
                                  QStringLiteral("Geslacht"), QStringLiteral("Badlengte"),
                                  QStringLiteral("Niveau")};
    const QStringList items[] = {
        distanceItems(),
        strokeItems(),
        genderItems(),
        {QStringLiteral("25"), QStringLiteral("50")},
        {QStringLiteral("A "), QStringLiteral("B "), QStringLiteral("C "), QStringLiteral("D ")}};
    auto* filters = new QGridLayout;
    for (int i = 0; i < 5; ++i) {
        makeFilter(i, captions[i], items[i], lblASG[i], cbASG[i]);
        // Light yellow with dark red text, as the club knows these boxes.
        QPalette palette = cbASG[i]->palette();
        palette.setColor(QPalette::Base, QColor(0xff, 0xff, 0xe1));
        palette.setColor(QPalette::Text, QColor(0x80, 0x00, 0x00));
        cbASG[i]->setPalette(palette);
        filters->addWidget(lblASG[i], 0, i);
        filters->addWidget(cbASG[i], 1, i);
        filters->setColumnStretch(i, 1);
    }
    Line2 = named(new QFrame, QStringLiteral("Line2"));
    Line4 = named(new QFrame, QStringLiteral("Line4"));
    for (QFrame* line : {Line2, Line4}) {
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
    }

    auto* all = new QVBoxLayout(this);
    all->addLayout(filters);
    all->addWidget(Line2);
    all->addWidget(gridArea({twips(3 * 1300 + 900, this), fontMetrics().lineSpacing() * 14}), 1);
    all->addWidget(Line4);
    all->addLayout(bottomRow());
    setMinimumWidth(twips(8000, this));
}

bool frmNiveaus::Form_Load() {
    const Deferred::Guard busy(deferred_);
    if (!openDatabase({QStringLiteral("niveaus")}))
        return false;
    cbASG_Click(0);
    return true;
}

void frmNiveaus::cbASG_Click(int /*Index*/) {
    const Deferred::Guard busy(deferred_);
    LevelRowContext wanted;
    wanted.distance = chosenNumber(cbASG[0]);
    wanted.stroke = strokeCode(cbASG[1]);
    wanted.gender = genderCode(cbASG[2]);
    wanted.pool = chosenNumber(cbASG[3]);
    wanted.level = cbASG[4]->currentText().trimmed(); // chosen or typed
    // Rows being edited are stored under the filter they were typed in; when
    // that or the new selection cannot be done now, the filter on screen stays.
    if (!showRows(
            {QStringLiteral("niveaus"),
             QStringLiteral(
                 "afstand = ? AND slag = ? AND geslacht = ? AND badlengte = ? AND niveau = ?"),
             {wanted.distance, wanted.stroke, wanted.gender, wanted.pool, wanted.level},
             QStringLiteral("leeftijd1, niveau")})) {
        for (int i = 0; i < 5; ++i)
            restoreBox(cbASG[i], shown_[i]);
        return;
    }
    filter_ = wanted;
    for (int i = 0; i < 5; ++i)
        shown_[i] = boxState(cbASG[i]);
    const bool complete = filter_.distance != 0 && !filter_.stroke.isEmpty() &&
                          !filter_.gender.isEmpty() && filter_.pool != 0 &&
                          !filter_.level.isEmpty();
    if (!complete) {
        Data->hide();
        return;
    }
    Data->showColumns(
        5,
        {QStringLiteral(" Leeftijd van"), QStringLiteral(" Leeftijd t/m"), QStringLiteral(" Tijd")},
        1300);
}

void frmNiveaus::adoRS_WillChangeRecord(ChangeReason adReason, GridRecord& record,
                                        ChangeStatus& adStatus) {
    checkLevelRow(adReason, record, adStatus, deleteConfirmed_, filter_);
}

void frmNiveaus::cmdImport_Click() {
    const Deferred::Guard busy(deferred_);
    if (!Data->commitPending())
        return;
    if (runImport(
            connection_,
            {QStringLiteral("Importeer niveaus\r\n\r\nAlle huidige niveaus worden verwijderd!"),
             QStringLiteral("Importeer niveaus"),
             QStringLiteral(
                 "(UploadTavrel uitvoer) niveaus.csv|niveaus.csv|(csv bestand) *.csv|*.csv"),
             importLevels}))
        if (const StoreResult again = Data->model().reload(); !again.ok())
            sayNotRefreshed(again); // the rows on screen are gone or stored anew
}

} // namespace tavrel
