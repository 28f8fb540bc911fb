#include "Main.h"

#include "DatabaseChoice.h"
#include "LastRun.h"
#include "MessageColour.h"
#include "RunLock.h"
#include "StartupSettings.h"
#include "Version.h"
#include "WavePicture.h"
#include "common/BrowseFolder.h"
#include "common/Files.h"
#include "common/Registry.h"
#include "common/Ui.h"
#include "editors/EditorControls.h"
#include "editors/frmLimieten.h"
#include "editors/frmNiveaus.h"
#include "upload/LogCheck.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTextBlock>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace tavrel {

namespace {

// Every character of the password shows as "*", not as the style's own dot.
class StarPasswordStyle final : public QProxyStyle {
public:
    explicit StarPasswordStyle(QObject* owner) { setParent(owner); }
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        return hint == SH_LineEdit_PasswordCharacter
                   ? int('*')
                   : QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

void makeBold(QWidget* w, int extraPoints = 0) {
    QFont f = w->font();
    f.setBold(true);
    if (extraPoints)
        f.setPointSize(f.pointSize() + extraPoints);
    w->setFont(f);
}

} // namespace

Main::Main(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(kProgramTitle);
    buildControls();
    arrangeControls();
    connectHandlers();
    Form_Load();
    fitScreen();
}

// Controls are made in reading order, which is also the order the Tab key walks.
void Main::buildControls() {
    Label1 = named(new QLabel(QStringLiteral("Tavrel Upload Programma")), QStringLiteral("Label1"));
    makeBold(Label1, 4);
    Picture1 = named(new QLabel, QStringLiteral("Picture1"));
    Picture1->setPixmap(QPixmap::fromImage(wavePicture()));
    setWindowIcon(Picture1->pixmap());

    const std::array<QString, 2> dbCaptions = {QStringLiteral("Tavrel datafile:"),
                                               QStringLiteral("Limieten en niveaus datafile:")};
    for (int i = 0; i < 2; ++i) {
        LabelDB[i] = named(new QLabel(dbCaptions[i]), indexed("LabelDB", i));
        tbDB[i] = named(new QLineEdit, indexed("tbDB", i));
        LabelDB[i]->setBuddy(tbDB[i]);
        // cmdBrowse(0) belongs to tbDB(0) and cmdBrowse(2) to tbDB(1).
        const int browse = i == 0 ? 0 : 2;
        cmdBrowse[browse] =
            named(new QPushButton(QStringLiteral("Zoek...")), indexed("cmdBrowse", browse));
        // Three buttons read "Zoek...": a screen reader names what each finds.
        cmdBrowse[browse]->setAccessibleName(
            i == 0 ? QStringLiteral("Zoek Tavrel datafile")
                   : QStringLiteral("Zoek limieten en niveaus datafile"));
        if (i == 0) {
            Frame2 = named(new QGroupBox, QStringLiteral("Frame2"));
            Frame2->setFlat(true);
            OptVersie[0] =
                named(new QRadioButton(QStringLiteral("Tavrel 2006")), indexed("OptVersie", 0));
            OptVersie[1] =
                named(new QRadioButton(QStringLiteral("Tavrel 2009")), indexed("OptVersie", 1));
        }
    }

    checkFTP =
        named(new QCheckBox(QStringLiteral("Upload naar webdomein")), QStringLiteral("checkFTP"));
    makeBold(checkFTP);
    checkFTP->setChecked(true);
    const std::array<QString, 4> accountCaptions = {
        QStringLiteral("Domein (b.v. ") + kExampleDomain + QStringLiteral("):"),
        QStringLiteral("Folder (b.v. httpdocs):"), QStringLiteral("Gebruikersnaam:"),
        QStringLiteral("Wachtwoord:")};
    for (int i = 0; i < 4; ++i) {
        Label[i] = named(new QLabel(accountCaptions[i]), indexed("Label", i));
        Tbox[i] = named(new QLineEdit, indexed("Tbox", i));
        Label[i]->setBuddy(Tbox[i]);
    }
    Tbox[3]->setEchoMode(QLineEdit::Password);
    Tbox[3]->setStyle(new StarPasswordStyle(Tbox[3]));

    Frame1 = named(new QGroupBox(QStringLiteral("Te uploaden gegevens")), QStringLiteral("Frame1"));
    const std::array<QString, 3> dataSets = {QStringLiteral("zwemmers en tijden"),
                                             QStringLiteral("limieten"), QStringLiteral("niveaus")};
    for (int i = 0; i < 3; ++i)
        checkUpl[i] = named(new QCheckBox(dataSets[i]), indexed("checkUpl", i));
    checkUpl[0]->setChecked(true);

    checkCSV =
        named(new QCheckBox(QStringLiteral("Bewaar CSV bestanden in")), QStringLiteral("checkCSV"));
    makeBold(checkCSV);
    tbCSV = named(new QLineEdit, QStringLiteral("tbCSV"));
    tbCSV->setAccessibleName(QStringLiteral("CSV-map"));
    tbCSV->setEnabled(false);
    cmdBrowse[1] = named(new QPushButton(QStringLiteral("Zoek...")), indexed("cmdBrowse", 1));
    cmdBrowse[1]->setAccessibleName(QStringLiteral("Zoek CSV-map"));
    cmdBrowse[1]->setEnabled(false);

    cmdOK = named(new QPushButton(QStringLiteral("OK")), QStringLiteral("cmdOK"));
    cmdCancel = named(new QPushButton(QStringLiteral("Sluiten")), QStringLiteral("cmdCancel"));
    cmdLimiet[0] =
        named(new QPushButton(QStringLiteral("Bewerk limieten")), indexed("cmdLimiet", 0));
    cmdLimiet[1] =
        named(new QPushButton(QStringLiteral("Bewerk niveaus")), indexed("cmdLimiet", 1));

    Message = named(new QPlainTextEdit, QStringLiteral("Message"));
    Message->setAccessibleName(QStringLiteral("Meldingen"));
    Message->setReadOnly(true);
    // Out of the Tab order; a click still selects text to copy.
    Message->setFocusPolicy(Qt::ClickFocus);
    Message->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Room for two lines on a small screen; a long transcript scrolls, and a
    // larger window gives the area the rest.
    Message->setMinimumHeight(Message->fontMetrics().lineSpacing() * 2 + 12);
    colourMessage();

    lblVoortgang = named(new QLabel, QStringLiteral("lblVoortgang"));
    prgVoortgang = named(new QProgressBar, QStringLiteral("prgVoortgang"));
    prgVoortgang->setAccessibleName(QStringLiteral("Voortgang"));
    prgVoortgang->setRange(0, 1000);
    prgVoortgang->setTextVisible(false);
    // Shown in the credit line's place while a run works.
    lblVoortgang->hide();
    prgVoortgang->hide();

    Label2 = named(new QLabel(QStringLiteral("\u00a9 2026 UploadTavrel-ontwikkelaars")),
                   QStringLiteral("Label2"));
    lblVersie = named(new QLabel(QStringLiteral("Versie")), QStringLiteral("lblVersie"));
}

void Main::arrangeControls() {
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    int row = 0;

    auto* title = new QHBoxLayout;
    title->addWidget(Label1);
    title->addStretch();
    title->addWidget(Picture1);
    grid->addLayout(title, row++, 0, 1, 3);

    auto* versions = new QHBoxLayout(Frame2);
    versions->setContentsMargins(6, 0, 6, 0);
    versions->addWidget(OptVersie[0]);
    versions->addWidget(OptVersie[1]);
    versions->addStretch();

    grid->addWidget(LabelDB[0], row, 0);
    grid->addWidget(tbDB[0], row, 1);
    grid->addWidget(cmdBrowse[0], row++, 2);
    grid->addWidget(Frame2, row++, 1);
    grid->addWidget(LabelDB[1], row, 0);
    grid->addWidget(tbDB[1], row, 1);
    grid->addWidget(cmdBrowse[2], row++, 2);

    grid->addWidget(checkFTP, row++, 0, 1, 3);
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(Label[i], row, 0);
        grid->addWidget(Tbox[i], row++, 1);
    }

    auto* dataSets = new QHBoxLayout(Frame1);
    dataSets->setContentsMargins(6, 2, 6, 2);
    for (QCheckBox* box : checkUpl)
        dataSets->addWidget(box);
    dataSets->addStretch();
    grid->addWidget(Frame1, row++, 0, 1, 3);

    grid->addWidget(checkCSV, row++, 0, 1, 3);
    grid->addWidget(tbCSV, row, 0, 1, 2);
    grid->addWidget(cmdBrowse[1], row++, 2);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    for (QPushButton* b : {cmdOK, cmdCancel, cmdLimiet[0], cmdLimiet[1]}) {
        b->setAutoDefault(false); // Enter never starts a run by accident
        buttons->addWidget(b);
    }
    grid->addLayout(buttons, row++, 0, 1, 3);
    grid->setRowStretch(row, 1);
    grid->addWidget(Message, row++, 0, 1, 3);

    auto* footer = new QHBoxLayout;
    footer->addWidget(Label2);
    footer->addWidget(lblVoortgang, 1);
    footer->addWidget(prgVoortgang, 1);
    footer->addStretch();
    footer->addWidget(lblVersie);
    // As tall with the progress bar as without: nothing moves when a run starts.
    grid->setRowMinimumHeight(row, prgVoortgang->sizeHint().height());
    grid->addLayout(footer, row++, 0, 1, 3);

    // Compact, so the window fits a 1024x600 screen, and 1366x768 at 150 %.
    grid->setVerticalSpacing(3);
    grid->setContentsMargins(9, 6, 9, 6);
    setLayout(grid);
    setMinimumWidth(640);
}

void Main::fitScreen() {
    // The title bar is not known before the window is shown: room for one.
    const QRect room = screen()->availableGeometry();
    const int titleBar = fontMetrics().height() * 2;
    const QSize most(room.width() - 8, room.height() - titleBar);
    resize(sizeHint().boundedTo(most).expandedTo(minimumSizeHint()));
}

void Main::connectHandlers() {
    // Every change of state counts, whether it came from the mouse, the
    // keyboard or an assistive tool's toggle action (which emits no click).
    connect(checkFTP, &QCheckBox::toggled, this, &Main::checkFTP_Click);
    connect(checkCSV, &QCheckBox::toggled, this, &Main::checkCSV_Click);
    for (int i = 0; i < int(cmdBrowse.size()); ++i)
        connect(cmdBrowse[i], &QPushButton::clicked, this, [this, i] { cmdBrowse_Click(i); });
    for (int i = 0; i < int(cmdLimiet.size()); ++i)
        connect(cmdLimiet[i], &QPushButton::clicked, this, [this, i] { cmdLimiet_Click(i); });
    connect(cmdCancel, &QPushButton::clicked, this, &Main::cmdCancel_Click);
    connect(cmdOK, &QPushButton::clicked, this, &Main::cmdOK_Click);
    connect(&job_, &RunJob::finished, this, &Main::runFinished);
    // A message about a field goes once the field changes.
    const std::array<std::pair<QLineEdit*, RunField>, 3> paths = {
        {{tbDB[0], RunField::ClubDatabase},
         {tbDB[1], RunField::LimitsDatabase},
         {tbCSV, RunField::CsvFolder}}};
    for (const auto& path : paths)
        connect(path.first, &QLineEdit::textChanged, this,
                [this, field = path.second] { fieldChanged(field); });
    for (QRadioButton* option : OptVersie)
        connect(option, &QRadioButton::toggled, this, [this] { fieldChanged(RunField::Version); });
}

void Main::Form_Load() {
    const StartupSettings s = StartupSettings::read();
    tbDB[0]->setText(s.database);
    // Any other stored value leaves both clear.
    OptVersie[0]->setChecked(s.chosenVersion() == QLatin1String("2006"));
    OptVersie[1]->setChecked(s.chosenVersion() == QLatin1String("2009"));
    tbDB[1]->setText(s.limitsDatabase);
    Tbox[0]->setText(s.domain);
    Tbox[1]->setText(s.ftpFolder);
    Tbox[2]->setText(s.user);
    Tbox[3]->setText(s.password);
    tbCSV->setText(s.csvFolder);
    lblVersie->setText(QStringLiteral("Versie %1.%2.%3")
                           .arg(version::major)
                           .arg(version::minor)
                           .arg(version::revision));
    // What to do first while the club file is not found; otherwise how the
    // last run ended, scheduled ones included, or that one goes on now.
    // What runs that never ended left behind goes now.
    const auto hint = startHint(tbDB[0]->text(), tbDB[1]->text());
    QString lastRun = storedLastRun();
    RunLock lock;
    if (const Result<void> taken = lock.take(); taken)
        (void)lock.removeLeftovers();
    else
        lastRun = taken.why();
    if (hint && (hint->field == RunField::ClubDatabase || lastRun.isEmpty()))
        showNote(*hint);
    else
        Message->setPlainText(lastRun);
}

void Main::showNote(const FieldNote& note) {
    showMessage(note.text);
    messageAbout_ = note.field;
}

void Main::fieldChanged(RunField field) {
    if (messageAbout_ != field)
        return;
    messageAbout_.reset();
    Message->clear();
    // The next thing to do, once the club file is there.
    if (field == RunField::ClubDatabase)
        if (const auto hint = startHint(tbDB[0]->text(), tbDB[1]->text());
            hint && hint->field != RunField::ClubDatabase)
            showNote(*hint);
}

void Main::colourMessage() {
    QPalette palette = Message->palette();
    const QColor background = QApplication::palette().color(QPalette::Button);
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Text, readableRed(background));
    Message->setPalette(palette);
}

void Main::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && Message)
        colourMessage();
}

void Main::checkFTP_Click() {
    for (int i = 0; i < int(Label.size()); ++i) {
        Label[i]->setEnabled(checkFTP->isChecked());
        Tbox[i]->setEnabled(checkFTP->isChecked());
    }
}

void Main::checkCSV_Click() {
    tbCSV->setEnabled(checkCSV->isChecked());
    cmdBrowse[1]->setEnabled(checkCSV->isChecked());
}

void Main::cmdBrowse_Click(int Index) {
    if (Index == 1) {
        const QString folder =
            BrowseForFolder(QStringLiteral("Zoek folder voor opslag csv bestanden"), tbCSV->text());
        if (!folder.isEmpty())
            tbCSV->setText(folder + folderSeparator());
        return;
    }
    const int i = Index == 0 ? 0 : 1;
    const QString title = Index == 0 ? QStringLiteral("Zoek Tavrel database")
                                     : QStringLiteral("Zoek limieten en niveaus database");
    const QString file = Ui::current().openFile(
        title, kDatabaseFileFilter, databaseDialogStart(tbDB[i]->text(), tbDB[1 - i]->text()));
    if (file.isEmpty())
        return;
    tbDB[i]->setText(file);
    // The layout is named now, not after a run has begun.
    if (i == 0)
        if (const auto note = chosenClubDatabaseNote(file, runInput().version))
            showNote(*note);
}

void Main::cmdLimiet_Click(int Index) {
    // Each opening runs the editor's load step afresh; only an editor that
    // opened is shown, and the main window hides until it closes. A failed
    // load has left its message in Message. The editor is a window of its
    // own that the main window owns, so it never outlives it.
    EditorWindow* editor = Index == 0 ? static_cast<EditorWindow*>(new frmLimieten(*this, this))
                                      : new frmNiveaus(*this, this);
    if (!editor->Form_Load()) {
        delete editor;
        return;
    }
    editor->show();
    hide();
}

QString Main::limitsDatabasePath() const {
    return tbDB[1]->text();
}

void Main::setLimitsDatabasePath(const QString& path) {
    tbDB[1]->setText(path);
    WriteRegValue(settingName(QStringLiteral("Limieten Database")), path, QStringLiteral("REG_SZ"));
}

void Main::focusLimitsDatabase() {
    tbDB[1]->setFocus();
}

void Main::editorClosed() {
    show();
}

void Main::cmdCancel_Click() {
    if (job_.running()) {
        stopRunToEnd();
        return;
    }
    Ui::current().endProgram();
}

void Main::closeEvent(QCloseEvent* event) {
    if (job_.running()) {
        event->ignore();
        stopRunToEnd();
        return;
    }
    event->accept();
    cmdCancel_Click();
}

bool Main::stopRunToEnd() {
    if (Ui::current().messageBox(QStringLiteral("De upload stoppen?"), kProgramTitle,
                                 Buttons::YesNo, Icon::Question) != Answer::Yes)
        return false;
    if (!job_.running()) { // it ended while the question was open
        Ui::current().endProgram();
        return true;
    }
    endAfterRun_ = true;
    job_.stop();
    return true;
}

RunInput Main::runInput() const {
    RunInput in;
    in.version = OptVersie[0]->isChecked()   ? QStringLiteral("2006")
                 : OptVersie[1]->isChecked() ? QStringLiteral("2009")
                                             : QString();
    in.clubDatabase = tbDB[0]->text();
    in.limitsDatabase = tbDB[1]->text();
    in.upload = checkFTP->isChecked();
    if (in.upload) {
        in.domain = Tbox[0]->text();
        in.ftpFolder = Tbox[1]->text();
        in.user = Tbox[2]->text();
        in.password = Tbox[3]->text();
    }
    in.keepCsv = checkCSV->isChecked();
    in.csvFolder = tbCSV->text();
    for (size_t i = 0; i < checkUpl.size(); ++i)
        in.dataSets[i] = checkUpl[i]->isChecked();
    return in;
}

void Main::cmdOK_Click() {
    // While a run works, OK reads "Stoppen".
    if (job_.running()) {
        job_.stop();
        cmdOK->setEnabled(false);
        lblVoortgang->setText(QStringLiteral("Stoppen ..."));
        return;
    }
    setRunning(true);
    job_.start(runInput());
}

void Main::setRunning(bool running) {
    // Nothing but "Stoppen" and "Sluiten" can be used while a run works.
    const QList<QWidget*> inputs = {tbDB[0],      tbDB[1], cmdBrowse[0], cmdBrowse[1],
                                    cmdBrowse[2], Frame2,  checkFTP,     Tbox[0],
                                    Tbox[1],      Tbox[2], Tbox[3],      Frame1,
                                    checkCSV,     tbCSV,   cmdLimiet[0], cmdLimiet[1]};
    for (QWidget* w : inputs)
        w->setEnabled(!running);
    if (!running) {
        checkFTP_Click();
        checkCSV_Click();
    }
    cmdOK->setText(running ? QStringLiteral("Stoppen") : QStringLiteral("OK"));
    cmdOK->setEnabled(true);
    lblVoortgang->clear();
    prgVoortgang->setRange(0, 0); // busy until the first count is known
    Label2->setVisible(!running);
    lblVoortgang->setVisible(running);
    prgVoortgang->setVisible(running);
    if (running)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void Main::runFinished(UploadRun::Outcome outcome) {
    setRunning(false);
    if (focusAfterRun_)
        focus(*std::exchange(focusAfterRun_, std::nullopt));
    if (outcome == UploadRun::Outcome::Finished || endAfterRun_)
        Ui::current().endProgram();
}

void Main::showProgress(const RunProgress& progress) {
    if (!job_.running() || !cmdOK->isEnabled())
        return; // stopping: "Stoppen ..." stays
    lblVoortgang->setText(progress.text);
    if (progress.total > 0) {
        prgVoortgang->setRange(0, 1000);
        prgVoortgang->setValue(int(progress.done * 1000 / progress.total));
    }
}

void Main::showMessage(const QString& text) {
    messageAbout_.reset();
    const QString shown = QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    Message->setPlainText(shown);
    // A failed upload shows its whole transcript: bring the line that says
    // why into view, just below the line before it.
    const int reason = failureLine(shown);
    if (reason < 0) {
        // A transcript that grows while the upload works shows its last lines.
        if (job_.running())
            Message->moveCursor(QTextCursor::End);
        return;
    }
    Message->moveCursor(QTextCursor::End);
    Message->ensureCursorVisible();
    QTextCursor cursor(Message->document()->findBlockByNumber(std::max(0, reason - 1)));
    Message->setTextCursor(cursor);
    Message->ensureCursorVisible();
}

void Main::focus(RunField field) {
    messageAbout_ = field; // the message just shown is about this field
    if (job_.running()) {
        focusAfterRun_ = field;
        return;
    }
    switch (field) {
    case RunField::Version:
        OptVersie[0]->setFocus();
        break;
    case RunField::ClubDatabase:
        tbDB[0]->setFocus();
        break;
    case RunField::LimitsDatabase:
        tbDB[1]->setFocus();
        break;
    case RunField::CsvFolder:
        tbCSV->setFocus();
        break;
    }
}

} // namespace tavrel
