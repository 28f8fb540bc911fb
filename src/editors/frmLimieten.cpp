#include "frmLimieten.h"

#include "DateText.h"
#include "EditorControls.h"
#include "ImportSteps.h"
#include "RecordGrid.h"
#include "StoreMessages.h"
#include "common/ErrorReport.h"
#include "common/Ui.h"
#include "common/Values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tavrel {

namespace {

const QString kCode = QStringLiteral("code");

} // namespace

frmLimieten::frmLimieten(EditorHost& host, QWidget* parent)
    : EditorWindow(host, parent, QStringLiteral("frmLimieten"), QStringLiteral("Bewerk limieten"),
                   QStringLiteral("Limieten"),
                   QStringLiteral("Limieten kunnen worden geimporteerd uit een CSV bestand, dat "
                                  "eerder of ergens anders met dit programma is gemaakt. LET OP "
                                  "dat alle huidige limieten van geimporteerde wedstrijden eerst "
                                  "worden verwijderd."),
                   QStringLiteral("Kies een wedstrijd, afstand, slag en geslacht om de limieten "
                                  "te zien.")) {
    buildControls();
    arrangeControls();
    connectHandlers();
}

void frmLimieten::buildControls() {
    lblLijst = named(new QLabel(QStringLiteral("Kies een wedstrijd:")), QStringLiteral("lblLijst"));
    lstCode = named(new QListWidget, QStringLiteral("lstCode"));
    captionFor(lblLijst, lstCode);
    lblCode = named(new QLabel(QStringLiteral("Code:")), QStringLiteral("lblCode"));
    tbCode = named(new QLineEdit, QStringLiteral("tbCode"));
    lblCode->setBuddy(tbCode);
    tbCode->setAccessibleName(QStringLiteral("Code"));
    lblWedstrijd = named(new QLabel(QStringLiteral("Wedstrijd:")), QStringLiteral("lblWedstrijd"));
    tbWedstrijd = named(new QLineEdit, QStringLiteral("tbWedstrijd"));
    lblWedstrijd->setBuddy(tbWedstrijd);
    tbWedstrijd->setAccessibleName(QStringLiteral("Wedstrijd"));
    lblDatum =
        named(new QLabel(QStringLiteral("Limieten zwemmen tussen:")), QStringLiteral("lblDatum"));
    tbDatum[1] = named(new QLineEdit, indexed("tbDatum", 1));
    tbDatum[1]->setAccessibleName(QStringLiteral("Datum van"));
    lblEn = named(new QLabel(QStringLiteral("en")), QStringLiteral("lblEn"));
    tbDatum[2] = named(new QLineEdit, indexed("tbDatum", 2));
    tbDatum[2]->setAccessibleName(QStringLiteral("Datum tot"));
    lblBad = named(new QLabel(QStringLiteral("Badlengte:")), QStringLiteral("lblBad"));
    cbBad = named(new QComboBox, QStringLiteral("cbBad"));
    cbBad->addItems({QStringLiteral("25"), QStringLiteral("50")});
    captionFor(lblBad, cbBad);
    lblOpmerking = named(new QLabel(QStringLiteral("Opmerking:")), QStringLiteral("lblOpmerking"));
    tbData = named(new QLineEdit, QStringLiteral("tbData"));
    captionFor(lblOpmerking, tbData);
    cmdNieuw = button(QStringLiteral("Nieuw"), QStringLiteral("cmdNieuw"));
    cmdDel = button(QStringLiteral("Verwijder"), QStringLiteral("cmdDel"));
    cmdUpDown[0] = button(QStringLiteral("+"), indexed("cmdUpDown", 0));
    cmdUpDown[1] = button(QStringLiteral("-"), indexed("cmdUpDown", 1));
    lblUpDown =
        named(new QLabel(QStringLiteral(
                  "Verhoog/verlaag alle datums en geboortejaren in deze wedstrijd met een jaar")),
              QStringLiteral("lblUpDown"));
    lblUpDown->setWordWrap(true);
    for (int i = 0; i < 2; ++i) {
        cmdUpDown[i]->setFixedWidth(cmdUpDown[i]->sizeHint().height() + 8);
        cmdUpDown[i]->setAccessibleName(i == 0 ? QStringLiteral("Verhoog met een jaar")
                                               : QStringLiteral("Verlaag met een jaar"));
    }

    const QStringList captions = {QStringLiteral("Afstand"), QStringLiteral("Slag"),
                                  QStringLiteral("Geslacht")};
    const QStringList items[] = {distanceItems(), strokeItems(), genderItems()};
    for (int i = 0; i < 3; ++i)
        makeFilter(i, captions[i], items[i], lblASG[i], cbASG[i]);
    checkGelijk = named(new QCheckBox(QStringLiteral(
                            "limiet in 25 meter bad is gelijk aan limiet in 50 meter bad")),
                        QStringLiteral("checkGelijk"));
}

void frmLimieten::arrangeControls() {
    // Left: the meets and the current meet's fields.
    auto* meet = new QGridLayout;
    int row = 0;
    meet->addWidget(lblLijst, row++, 0, 1, 2);
    meet->addWidget(lstCode, row++, 0, 1, 2);
    meet->addWidget(lblCode, row, 0);
    meet->addWidget(tbCode, row++, 1);
    meet->addWidget(lblWedstrijd, row, 0);
    meet->addWidget(tbWedstrijd, row++, 1);
    meet->addWidget(lblDatum, row++, 0, 1, 2);
    auto* dates = new QHBoxLayout;
    dates->addWidget(tbDatum[1], 1);
    dates->addWidget(lblEn);
    dates->addWidget(tbDatum[2], 1);
    meet->addLayout(dates, row++, 0, 1, 2);
    meet->addWidget(lblBad, row, 0);
    meet->addWidget(cbBad, row++, 1, Qt::AlignLeft);
    meet->addWidget(lblOpmerking, row, 0);
    meet->addWidget(tbData, row++, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdNieuw);
    buttons->addWidget(cmdDel);
    buttons->addStretch();
    meet->addLayout(buttons, row++, 0, 1, 2);
    auto* shift = new QHBoxLayout;
    shift->addWidget(cmdUpDown[0], 0, Qt::AlignTop);
    shift->addWidget(cmdUpDown[1], 0, Qt::AlignTop);
    shift->addWidget(lblUpDown, 1);
    meet->addLayout(shift, row++, 0, 1, 2);
    meet->setRowStretch(1, 1);
    meet->setColumnStretch(1, 1);
    lstCode->setMinimumHeight(fontMetrics().lineSpacing() * 8);
    auto* meetPanel = new QWidget;
    meetPanel->setLayout(meet);
    meet->setContentsMargins(0, 0, 0, 0);
    // Wide enough for an ordinary meet name or remark, such as
    // "Districtskampioenschappen jeugd 2010", to show whole.
    meetPanel->setFixedWidth(fontMetrics().averageCharWidth() * 58);

    // Right: the filter and the limits grid.
    auto* limits = new QVBoxLayout;
    auto* filter = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        filter->addWidget(lblASG[i]);
        filter->addWidget(cbASG[i], 1);
    }
    limits->addLayout(filter);
    limits->addWidget(checkGelijk);
    limits->addWidget(gridArea({twips(4 * 1400 + 900, this), fontMetrics().lineSpacing() * 12}), 1);

    auto* top = new QHBoxLayout;
    top->addWidget(meetPanel, 0);
    top->addSpacing(12);
    top->addLayout(limits, 1);

    auto* all = new QVBoxLayout(this);
    all->addLayout(top, 1);
    all->addLayout(bottomRow());
}

void frmLimieten::connectHandlers() {
    connect(lstCode, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            lstCode_Click();
    });
    connect(cbBad, &QComboBox::activated, this, [this] {
        Data1.setField(QStringLiteral("badlengte"), cbBad->currentText().toInt());
        cbBad_Click();
    });
    // A meet without a code is no meet: an emptied code field is refused as
    // a missing value when it is stored.
    connect(tbCode, &QLineEdit::textEdited, this, [this](const QString& t) {
        Data1.setField(kCode, t.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(t));
    });
    connect(tbWedstrijd, &QLineEdit::textEdited, this,
            [this](const QString& t) { Data1.setField(QStringLiteral("wedstrijd"), t); });
    connect(tbData, &QLineEdit::textEdited, this,
            [this](const QString& t) { Data1.setField(QStringLiteral("opmerking"), t); });
    for (QLineEdit* field : {tbCode, tbDatum[1], tbDatum[2]})
        field->installEventFilter(this);
    connect(cmdNieuw, &QPushButton::clicked, this, &frmLimieten::cmdNieuw_Click);
    connect(cmdDel, &QPushButton::clicked, this, &frmLimieten::cmdDel_Click);
    for (int i = 0; i < 2; ++i)
        connect(cmdUpDown[i], &QPushButton::clicked, this, [this, i] { cmdUpDown_Click(i); });
    connect(checkGelijk, &QCheckBox::toggled, this, &frmLimieten::checkGelijk_Click);
    Data1.onReposition = [this] { Data1_Reposition(); };
    Data->model().setMeetGone([this] { reloadMeets(); });
}

// Leaving the code or a date field validates it, as the user moves on; focus
// lost to another window or a popup is no leaving.
bool frmLimieten::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == tbCode)
                tbCode_Validate();
            else if (watched == tbDatum[1])
                tbDatum_Validate(1);
            else if (watched == tbDatum[2])
                tbDatum_Validate(2);
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool frmLimieten::Form_Load() {
    const Deferred::Guard busy(deferred_);
    if (!openDatabase({QStringLiteral("wedstrijden"), QStringLiteral("limieten")}))
        return false;
    if (const StoreResult opened = Data1.open(); !opened.ok()) {
        ReportError(QStringLiteral("OpenRecordSet"),
                    {opened.error.Number, kErrorSource, opened.error.Description});
        return openingFailed();
    }
    lstCode->addItems(Data1.codes());
    if (lstCode->count() > 0)
        lstCode->setCurrentRow(0);
    else
        cbASG_Click(0);
    newMeet_ = false;
    return true;
}

void frmLimieten::lstCode_Click() {
    const Deferred::Guard busy(deferred_);
    const QListWidgetItem* item = lstCode->currentItem();
    if (!item)
        return;
    // What was typed for the meet on screen is stored first; what another
    // program holds the database for keeps that meet on screen.
    const QString before = Data1.hasCurrent() ? Data1.storedField(kCode).toString() : QString();
    if (!storePending())
        return showCurrentInList();
    if (const StoreResult moved = Data1.findFirst(item->text()); !moved.ok())
        return answerMeet(moved, QStringLiteral("De wedstrijd is niet gekozen"), false);
    if (!reloadGrid()) {
        // The limits of the chosen meet cannot be read now: back to the
        // meet whose limits are on screen.
        Data1.findFirst(before);
        showCurrentInList();
    }
}

void frmLimieten::Data1_Reposition() {
    showCurrentMeet();
    // The grid is read again by whoever moved the meet, once.
    const QSignalBlocker quiet(checkGelijk);
    checkGelijk->setChecked(equalsNumber(Data1.field(QStringLiteral("badlengte")), 25));
}

void frmLimieten::showCurrentMeet() {
    tbCode->setText(Data1.field(kCode).toString());
    tbWedstrijd->setText(Data1.field(QStringLiteral("wedstrijd")).toString());
    tbDatum[1]->setText(dateForDisplay(Data1.field(QStringLiteral("datum1"))));
    tbDatum[2]->setText(dateForDisplay(Data1.field(QStringLiteral("datum2"))));
    tbData->setText(Data1.field(QStringLiteral("opmerking")).toString());
    for (QLineEdit* longText : {tbWedstrijd, tbData})
        longText->setCursorPosition(0); // show the start of a long text
    const QVariant pool = Data1.field(QStringLiteral("badlengte"));
    cbBad->setCurrentIndex(
        isNullValue(pool) || isEmptyValue(pool) ? -1 : cbBad->findText(pool.toString()));
}

void frmLimieten::showCurrentInList() {
    const QString code = Data1.hasCurrent() ? Data1.storedField(kCode).toString() : QString();
    // Not from inside the list's own notice of a change: from the event loop.
    deferred_.post([this, code] {
        const QSignalBlocker quiet(lstCode);
        const QList<QListWidgetItem*> found = lstCode->findItems(code, Qt::MatchExactly);
        lstCode->setCurrentRow(found.isEmpty() ? -1 : lstCode->row(found.first()));
    });
}

void frmLimieten::cbBad_Click() {
    const Deferred::Guard busy(deferred_);
    {
        const QSignalBlocker quiet(checkGelijk);
        checkGelijk->setChecked(cbBad->currentText().toInt() == 25);
    }
    cbASG_Click(0);
}

void frmLimieten::tbCode_Validate() {
    const Deferred::Guard busy(deferred_);
    // A new meet is stored once it has a code.
    if (!Data1.isDirty() || (Data1.currentIsNew() && tbCode->text().isEmpty()))
        return;
    const int remembered = lstCode->currentRow();
    if (!storeMeet().ok())
        return; // the list still shows what is stored
    {
        const QSignalBlocker quiet(lstCode);
        lstCode->clear();
        lstCode->addItems(Data1.codes());
    }
    if (newMeet_) {
        newMeet_ = false;
        lstCode->setCurrentRow(lstCode->count() - 1);
    } else {
        lstCode->setCurrentRow(remembered);
    }
}

void frmLimieten::storeTypedDate(int index) {
    const QString name = index == 1 ? QStringLiteral("datum1") : QStringLiteral("datum2");
    const QString typed = tbDatum[index]->text().trimmed();
    const QString shown = dateForDisplay(Data1.field(name));
    if (!Data1.hasCurrent() || typed == shown)
        return;
    if (typed.isEmpty()) {
        Data1.setField(name, QVariant(QMetaType::fromType<QString>()));
        return;
    }
    const QDate date = parseTypedDate(typed);
    if (!date.isValid()) {
        Ui::current().messageBox(
            QStringLiteral("\"") + typed +
                QStringLiteral("\" is geen datum. Schrijf dag-maand-jaar, bijvoorbeeld 5-3-2009."),
            kProgramTitle, Buttons::Ok, Icon::Exclamation);
        tbDatum[index]->setText(shown);
        return;
    }
    Data1.setField(name, date.toString(Qt::ISODate));
    tbDatum[index]->setText(dateForDisplay(date));
}

bool frmLimieten::datesTyped() const {
    for (int i : {1, 2})
        if (tbDatum[i]->text().trimmed() !=
            dateForDisplay(
                Data1.field(i == 1 ? QStringLiteral("datum1") : QStringLiteral("datum2"))))
            return true;
    return false;
}

void frmLimieten::tbDatum_Validate(int Index) {
    const Deferred::Guard busy(deferred_);
    storeTypedDate(Index);
    const QDate from = parseTypedDate(tbDatum[1]->text());
    const QDate to = parseTypedDate(tbDatum[2]->text());
    if (from.isValid() && to.isValid() && from > to)
        Ui::current().messageBox(QStringLiteral("Datum van later dan datum tot"), kProgramTitle,
                                 Buttons::Ok, Icon::Critical);
}

void frmLimieten::cmdNieuw_Click() {
    const Deferred::Guard busy(deferred_);
    if (!storePending())
        return;
    Data1.addNew();
    cbASG_Click(0); // no code yet: the grid hides
    tbCode->setFocus();
    newMeet_ = true;
}

void frmLimieten::cmdDel_Click() {
    const Deferred::Guard busy(deferred_);
    if (!storePending() || !Data1.hasCurrent())
        return;
    const int p = lstCode->currentRow();
    const Answer answer = Ui::current().messageBox(
        QStringLiteral("Wedstrijd ") + tbCode->text() + QLatin1Char('-') + tbWedstrijd->text() +
            QStringLiteral("verwijderen. Weet je het zeker?"),
        QStringLiteral("Verwijder limieten"), Buttons::YesNo, Icon::Question);
    if (answer != Answer::Yes || !Data1.hasCurrent())
        return;
    if (Data1.currentIsNew()) {
        // A meet made with "Nieuw" and never stored has no list entry: the
        // meet selected before it comes back.
        Data1.revert();
        newMeet_ = false;
        lstCode_Click();
        return;
    }
    if (const StoreResult deleted = Data1.deleteCurrent(); !deleted.ok())
        return answerMeet(deleted,
                          QStringLiteral("De wedstrijd ") + tbCode->text() +
                              QStringLiteral(" is niet verwijderd"),
                          false);
    if (p >= 0) {
        const QSignalBlocker quiet(lstCode);
        delete lstCode->takeItem(p);
        lstCode->setCurrentRow(-1);
    }
    if (lstCode->count() == 0) {
        Data1_Reposition();
        cbASG_Click(0);
        return;
    }
    lstCode->setCurrentRow(MaxValue(p - 1, 0).toInt());
}

void frmLimieten::cmdUpDown_Click(int Index) {
    const Deferred::Guard busy(deferred_);
    if (!storePending() || !Data1.hasCurrent() || Data1.currentIsNew())
        return;
    const int step = 1 - 2 * Index;
    if (const StoreResult shifted = Data1.shiftYear(step); !shifted.ok())
        return answerMeet(shifted,
                          QStringLiteral("De datums en geboortejaren van wedstrijd ") +
                              Data1.field(kCode).toString() +
                              QStringLiteral(" zijn niet verschoven"),
                          false);
    showCurrentMeet();
    cbASG_Click(0);
}

void frmLimieten::cbASG_Click(int /*Index*/) {
    const Deferred::Guard busy(deferred_);
    reloadGrid();
}

bool frmLimieten::reloadGrid() {
    LimitRowContext wanted;
    wanted.distance = chosenNumber(cbASG[0]);
    wanted.stroke = strokeCode(cbASG[1]);
    wanted.gender = genderCode(cbASG[2]);
    wanted.code = lstCode->currentItem() ? lstCode->currentItem()->text() : QString();
    // Rows being edited are stored under the meet and filter they were typed
    // in; when that or the new selection cannot be done now, the meet and
    // filter on screen stay.
    if (!showRows({QStringLiteral("limieten"),
                   QStringLiteral("wcode = ? AND afstand = ? AND slag = ? AND geslacht = ?"),
                   {wanted.code, wanted.distance, wanted.stroke, wanted.gender},
                   QStringLiteral("gebjaar1")})) {
        for (int i = 0; i < 3; ++i)
            restoreBox(cbASG[i], shown_[i]);
        if (!Data->isHidden())
            Data->setColumnHidden(7, checkGelijk->isChecked());
        return false;
    }
    filter_ = wanted;
    for (int i = 0; i < 3; ++i)
        shown_[i] = boxState(cbASG[i]);
    const bool complete = !tbCode->text().isEmpty() && !filter_.stroke.isEmpty() &&
                          !filter_.gender.isEmpty() && filter_.distance != 0;
    if (!complete) {
        Data->hide();
        return true;
    }
    Data->showColumns(4,
                      {QStringLiteral(" Geb. jaar van"), QStringLiteral(" Geb. jaar t/m"),
                       QStringLiteral(" Limiet 25m"), QStringLiteral(" Limiet 50m")},
                      1400);
    Data->setColumnHidden(7, checkGelijk->isChecked());
    return true;
}

void frmLimieten::checkGelijk_Click() {
    cbASG_Click(0);
}

void frmLimieten::adoRS_WillChangeRecord(ChangeReason adReason, GridRecord& record,
                                         ChangeStatus& adStatus) {
    // A row belongs to the meet whose limits are on screen, by the code that
    // is stored: a new code typed but not yet stored takes the row with it
    // when it is stored.
    LimitRowContext context = filter_;
    context.sameLimit = checkGelijk->isChecked();
    checkLimitRow(adReason, record, adStatus, deleteConfirmed_, context);
}

void frmLimieten::cmdImport_Click() {
    const Deferred::Guard busy(deferred_);
    if (!storePending())
        return;
    if (runImport(
            connection_,
            {QStringLiteral("Importeer limieten\r\n\r\nAlle huidige limieten van geimporteerde "
                            "wedstrijden worden "
                            "verwijderd!"),
             QStringLiteral("Importeer limieten"),
             QStringLiteral(
                 "(UploadTavrel uitvoer) limieten.csv|limieten.csv|(csv bestand) *.csv|*.csv"),
             importLimits}))
        reloadMeets();
}

// Reads the meets and the grid afresh, after an import or a meet that
// another program changed meanwhile; the current meet stays where it exists.
void frmLimieten::reloadMeets() {
    const Deferred::Guard busy(deferred_);
    const QString code = Data1.hasCurrent() ? Data1.storedField(kCode).toString() : QString();
    if (const StoreResult opened = Data1.open(); !opened.ok())
        return sayNotRefreshed(opened);
    newMeet_ = false;
    {
        const QSignalBlocker quiet(lstCode);
        lstCode->clear();
        lstCode->addItems(Data1.codes());
        const QList<QListWidgetItem*> found = lstCode->findItems(code, Qt::MatchExactly);
        lstCode->setCurrentRow(!found.isEmpty()       ? lstCode->row(found.first())
                               : lstCode->count() > 0 ? 0
                                                      : -1);
    }
    if (lstCode->currentItem()) {
        Data1.findFirst(lstCode->currentItem()->text());
    } else {
        Data1_Reposition();
    }
    reloadGrid();
}

StoreResult frmLimieten::storeMeet() {
    const QString code = Data1.storedField(kCode).toString();
    const StoreResult result = Data1.update();
    if (!result.ok())
        answerMeet(result,
                   code.isEmpty() ? QStringLiteral("De wedstrijd is niet opgeslagen")
                                  : QStringLiteral("De wedstrijd ") + code +
                                        QStringLiteral(" is niet opgeslagen"),
                   true);
    return result;
}

void frmLimieten::answerMeet(const StoreResult& result, const QString& notDone, bool typed) {
    const bool deleting = notDone.endsWith(QLatin1String("verwijderd"));
    sayRefusal(result, {notDone,
                        result.outcome == Outcome::Stale && deleting
                            ? QStringLiteral("de wedstrijd of een van haar limieten")
                            : QStringLiteral("de wedstrijd"),
                        typed, true});
    switch (result.outcome) {
    case Outcome::Busy:
        break; // what was typed stays, for the next try
    case Outcome::Refused:
        // The same values would be refused at every move: the stored meet
        // shows again.
        Data1.revert();
        break;
    default:
        // Changed or gone elsewhere: the list and the meet are read afresh.
        Data1.revert();
        deferred_.post([this] { reloadMeets(); });
        break;
    }
}

// Nothing typed is lost: the grid's rows and the meet's fields are stored.
bool frmLimieten::storePending() {
    if (!Data->commitPending())
        return false;
    for (int i : {1, 2})
        storeTypedDate(i);
    return storeMeet().outcome != Outcome::Busy;
}

bool frmLimieten::undoPending() {
    bool undone = EditorWindow::undoPending();
    const bool wasNew = Data1.currentIsNew();
    if (Data1.revert() || datesTyped()) {
        undone = true;
        newMeet_ = false;
        if (wasNew && lstCode->currentItem())
            Data1.findFirst(lstCode->currentItem()->text());
        showCurrentMeet();
        // The pool length may have set the check box back: the columns follow.
        reloadGrid();
    }
    return undone;
}

} // namespace tavrel
