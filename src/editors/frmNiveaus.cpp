#include "frmNiveaus.h"

#include "EditorControls.h"
#include "ImportSteps.h"
#include "RecordGrid.h"
#include "common/Files.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavrel {

frmNiveaus::frmNiveaus(EditorHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , host_(host) {
    setObjectName(QStringLiteral("frmNiveaus"));
    setWindowTitle(QStringLiteral("Bewerk niveaus"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    arrangeControls();
    for (int i = 0; i < 5; ++i) {
        connect(cbASG[i], &QComboBox::activated, this, [this, i] { cbASG_Click(i); });
        connect(cbASG[i]->lineEdit(), &QLineEdit::returnPressed, this,
                [this, i] { cbASG_Click(i); });
    }
    connect(cmdImport, &QPushButton::clicked, this, &frmNiveaus::cmdImport_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmNiveaus::cmdOK_Click);
    Data->model().setWillChangeRecord(
        [this](ChangeReason reason, GridRecord& record, ChangeStatus& status) {
            adoRS_WillChangeRecord(reason, record, status);
        });
}

frmNiveaus::~frmNiveaus() = default;

void frmNiveaus::buildControls() {
    const QStringList captions = {QStringLiteral("Afstand"), QStringLiteral("Slag"),
                                  QStringLiteral("Geslacht"), QStringLiteral("Badlengte"),
                                  QStringLiteral("Niveau")};
    const QStringList items[] = {
        distanceItems(),
        strokeItems(),
        genderItems(),
        {QStringLiteral("25"), QStringLiteral("50")},
        {QStringLiteral("A "), QStringLiteral("B "), QStringLiteral("C "), QStringLiteral("D ")}};
    for (int i = 0; i < 5; ++i) {
        lblASG[i] = named(new QLabel(captions[i]), indexed("lblASG", i));
        cbASG[i] = filterBox(items[i], indexed("cbASG", i));
        captionFor(lblASG[i], cbASG[i]);
        // Light yellow with dark red text, as the club knows these boxes.
        QPalette palette = cbASG[i]->palette();
        palette.setColor(QPalette::Base, QColor(0xff, 0xff, 0xe1));
        palette.setColor(QPalette::Text, QColor(0x80, 0x00, 0x00));
        cbASG[i]->setPalette(palette);
    }
    Line2 = named(new QFrame, QStringLiteral("Line2"));
    Line4 = named(new QFrame, QStringLiteral("Line4"));
    for (QFrame* line : {Line2, Line4}) {
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
    }
    Data = named(new RecordGrid, QStringLiteral("Data"));
    Data->setAccessibleName(QStringLiteral("Niveaus"));
    Data->hide();
    cmdImport = named(new QPushButton(QStringLiteral("Importeer")), QStringLiteral("cmdImport"));
    Label1 = named(
        new QLabel(QStringLiteral(
            "Limieten kunnen worden geimporteerd uit een CSV bestand, dat eerder of ergens anders "
            "met dit programma is gemaakt. LET OP dat alle huidige limieten eerst worden "
            "verwijderd.")),
        QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    cmdOK = named(new QPushButton(QStringLiteral("Sluiten")), QStringLiteral("cmdOK"));
    for (QPushButton* b : {cmdImport, cmdOK})
        b->setAutoDefault(false);
}

void frmNiveaus::arrangeControls() {
    auto* filters = new QGridLayout;
    for (int i = 0; i < 5; ++i) {
        filters->addWidget(lblASG[i], 0, i);
        filters->addWidget(cbASG[i], 1, i);
        filters->setColumnStretch(i, 1);
    }
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(cmdImport, 0, Qt::AlignTop);
    bottom->addWidget(Label1, 1);
    bottom->addWidget(cmdOK, 0, Qt::AlignBottom);

    auto* all = new QVBoxLayout(this);
    all->addLayout(filters);
    all->addWidget(Line2);
    all->addWidget(Data, 1);
    all->addStretch(0);
    all->addWidget(Line4);
    all->addLayout(bottom);
    Data->setMinimumSize(twips(3 * 1300 + 900, this), fontMetrics().lineSpacing() * 14);
    setMinimumWidth(twips(8000, this));
}

bool frmNiveaus::Form_Load() {
    const QString path = host_.limitsDatabasePath();
    if (!FileExist(path)) {
        host_.showMessage(QStringLiteral("Database file niet gevonden"));
        host_.focusLimitsDatabase();
        return false;
    }
    if (!ConnectJetDB(path, connection_)) {
        host_.showMessage(QStringLiteral("Openen Limieten en niveaus database mislukt"));
        return false;
    }
    cbASG_Click(0);
    return true;
}

void frmNiveaus::cbASG_Click(int /*Index*/) {
    // Rows being edited are stored under the filter they were typed in.
    Data->commitPending();
    filter_.distance = chosenNumber(cbASG[0]);
    filter_.stroke = strokeCode(cbASG[1]);
    filter_.gender = genderCode(cbASG[2]);
    filter_.pool = chosenNumber(cbASG[3]);
    filter_.level = cbASG[4]->currentText().trimmed(); // chosen or typed
    Data->model().select(
        connection_, QStringLiteral("niveaus"),
        QStringLiteral(
            "afstand = ? AND slag = ? AND geslacht = ? AND badlengte = ? AND niveau = ?"),
        {filter_.distance, filter_.stroke, filter_.gender, filter_.pool, filter_.level},
        QStringLiteral("leeftijd1, niveau"));
    const bool complete = filter_.distance != 0 && !filter_.stroke.isEmpty() &&
                          !filter_.gender.isEmpty() && filter_.pool != 0 &&
                          !filter_.level.isEmpty();
    if (!complete) {
        Data->hide();
        return;
    }
    Data->show();
    for (int c = 0; c < 5; ++c)
        Data->setColumnHidden(c, true);
    const QString captions[] = {QStringLiteral(" Leeftijd van"), QStringLiteral(" Leeftijd t/m"),
                                QStringLiteral(" Tijd")};
    for (int c = 5; c < 8; ++c)
        Data->setUpColumn(c, captions[c - 5], 1300);
}

void frmNiveaus::adoRS_WillChangeRecord(ChangeReason adReason, GridRecord& record,
                                        ChangeStatus& adStatus) {
    checkLevelRow(adReason, record, adStatus, deleteConfirmed_, filter_);
}

void frmNiveaus::cmdImport_Click() {
    Data->commitPending();
    runImport(
        connection_,
        {QStringLiteral("Importeer niveaus\r\n\r\nAlle huidige niveaus worden verwijderd!"),
         QStringLiteral("Importeer niveaus"),
         QStringLiteral("(UploadTavrel uitvoer) niveaus.csv|niveaus.csv|(csv bestand) *.csv|*.csv"),
         importLevels});
}

void frmNiveaus::cmdOK_Click() {
    close();
}

void frmNiveaus::closeEditor() {
    if (closed_)
        return;
    closed_ = true;
    Data->commitPending();
    Data->model().clear();
    connection_.close();
    host_.editorClosed();
}

void frmNiveaus::closeEvent(QCloseEvent* event) {
    closeEditor();
    event->accept();
}

void frmNiveaus::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cmdOK_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tavrel
