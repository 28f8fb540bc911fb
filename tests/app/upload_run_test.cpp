#include "app/Main.h"
#include "common/Files.h"
#include "common/Registry.h"
#include "common/db/Connection.h"
#include "support/Databases.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

// Stands in for an export or the upload: writes its files where the run says
// and records what it was given.
class RecordingPhase : public Phase {
public:
    RecordingPhase(std::vector<QString>& log, QString name, QStringList files, bool succeed = true)
        : log_(log)
        , name_(std::move(name))
        , files_(std::move(files))
        , succeed_(succeed) {}
    bool run(PhaseContext& context) override {
        log_.push_back(
            name_ + QLatin1Char('@') +
            (context.connection ? QFileInfo(context.connection->path()).fileName() : QString()));
        for (const QString& f : files_) {
            QFile file(context.outputFolder + f);
            file.open(QIODevice::WriteOnly);
            file.write("x");
        }
        if (!succeed_)
            context.message.showMessage(name_ + QStringLiteral(" mislukt"));
        return succeed_;
    }

private:
    std::vector<QString>& log_;
    QString name_;
    QStringList files_;
    bool succeed_;
};

struct RunFixture : ::testing::Test {
    TempDir data, temp, csv, current;
    QString club, limits;
    std::vector<QString> log;
    ScriptedUi ui;
    std::unique_ptr<Main> window;
    QString previousCurrent = QDir::currentPath();

    void SetUp() override {
        club = makeClubDatabase(data, demo::ClubVariant::Tavrel2009);
        limits = makeLimitsDatabase(data, true);
        qputenv("TEMP", temp.path().toLocal8Bit());
        QDir::setCurrent(current.path());
        window = std::make_unique<Main>();
        window->tbDB[0]->setText(club);
        window->tbDB[1]->setText(limits);
        window->tbCSV->setText(csv.folder());
        window->OptVersie[1]->setChecked(true);
        usePhases(true);
    }
    void TearDown() override { QDir::setCurrent(previousCurrent); }

    void usePhases(bool uploadSucceeds) {
        RunPhases p;
        p.swimmers = std::make_unique<RecordingPhase>(log, QStringLiteral("zwemmers"),
                                                      QStringList{QStringLiteral("zwemmers.csv")});
        p.times = std::make_unique<RecordingPhase>(log, QStringLiteral("tijden"),
                                                   QStringList{QStringLiteral("tijden.csv")});
        p.limits = std::make_unique<RecordingPhase>(log, QStringLiteral("limieten"),
                                                    QStringList{QStringLiteral("limieten.csv")});
        p.levels = std::make_unique<RecordingPhase>(log, QStringLiteral("niveaus"),
                                                    QStringList{QStringLiteral("niveaus.csv")});
        p.upload = std::make_unique<RecordingPhase>(
            log, QStringLiteral("upload"),
            QStringList{QStringLiteral("ftp_send.ftp"), QStringLiteral("ftp_send.ftp.log")},
            uploadSucceeds);
        window->phases = std::move(p);
    }
    void tick(bool ftp, bool keepCsv, std::array<bool, 3> sets) {
        window->checkFTP->setChecked(ftp);
        window->checkCSV->setChecked(keepCsv);
        for (size_t i = 0; i < 3; ++i)
            window->checkUpl[i]->setChecked(sets[i]);
    }
    static QStringList filesIn(const TempDir& dir) {
        return QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    }
    static QString keptLog() {
        return QDir(logFolder()).filePath(QStringLiteral("ftp_send.ftp.log"));
    }
    static QVariant setting(const char* name) {
        return ReadRegValue(settingName(QLatin1String(name)));
    }
};

TEST_F(RunFixture, WritesEachFileWhereItsBoxesSay) {
    struct Case {
        bool ftp, keepCsv;
        const TempDir* folder;
        QStringList after;
    };
    const QStringList all = {QStringLiteral("limieten.csv"), QStringLiteral("niveaus.csv"),
                             QStringLiteral("tijden.csv"), QStringLiteral("zwemmers.csv")};
    const Case cases[] = {
        {true, false, &temp, {}}, // the run's own folder is gone, its log kept elsewhere
        {true, true, &csv, QStringList{QStringLiteral("ftp_send.ftp.log")} + all},
        {false, true, &csv, all},
        {false, false, &current, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "ftp " << c.ftp << " csv " << c.keepCsv);
        for (const TempDir* d : {&temp, &csv, &current})
            for (const QString& f : filesIn(*d))
                QFile::remove(d->file(f));
        log.clear();
        tick(c.ftp, c.keepCsv, {true, true, true});
        window->cmdOK->click();
        QStringList after = filesIn(*c.folder);
        after.sort();
        EXPECT_EQ(after, c.after);
        std::vector<QString> expected = {
            QStringLiteral("zwemmers@team2009.db"), QStringLiteral("tijden@team2009.db"),
            QStringLiteral("limieten@limieten.db"), QStringLiteral("niveaus@limieten.db")};
        if (c.ftp)
            expected.push_back(QStringLiteral("upload@"));
        EXPECT_EQ(log, expected);
        for (const TempDir* other : {&temp, &csv, &current}) {
            if (other != c.folder) {
                EXPECT_TRUE(filesIn(*other).isEmpty());
            }
        }
        EXPECT_TRUE(QDir(temp.path()).isEmpty()) << "no folder of the run stays in TEMP";
        EXPECT_EQ(QFile::exists(keptLog()), c.ftp && !c.keepCsv);
        QFile::remove(keptLog());
    }
}

TEST_F(RunFixture, TheCsvFolderMeansWhatWasTyped) {
    const QString sep = QDir::separator();
    struct Case {
        QString typed;
        QString message; // empty: the run writes into the csv folder
    };
    // The runs that end the program come last: the seam remembers the end.
    const Case cases[] = {
        // A network folder: on Windows named without its final separator, as
        // every missing folder is; elsewhere it is no path at all.
        {QStringLiteral("\\\\nas\\club\\csv\\"),
#ifdef Q_OS_WIN
         QStringLiteral("De map \\\\nas\\club\\csv bestaat niet")},
#else
         QStringLiteral("De map \\\\nas\\club\\csv\\ bestaat niet")},
#endif
        {csv.file(QStringLiteral("weg")),
         QStringLiteral("De map ") + QDir::toNativeSeparators(csv.file(QStringLiteral("weg"))) +
             QStringLiteral(" bestaat niet")},
        {QString(), QStringLiteral("Er is geen map voor de CSV bestanden opgegeven")},
        {csv.path(), {}},
        {csv.path() + sep, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        SetUp();
        log.clear();
        window->show();
        tick(true, true, {true, true, true});
        window->tbCSV->setText(c.typed);
        window->cmdOK->click();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(ui.programEnded());
            EXPECT_EQ(filesIn(csv).size(), 5) << "four files and the log";
            EXPECT_EQ(setting("CSVdir").toString(), csv.path() + sep) << "stored as the folder";
        } else {
            EXPECT_EQ(window->Message->toPlainText(), c.message);
            EXPECT_FALSE(ui.programEnded());
            EXPECT_EQ(window->focusWidget(), window->tbCSV);
            EXPECT_TRUE(log.empty()) << "no phase ran";
            EXPECT_TRUE(filesIn(current).isEmpty());
        }
        for (const QString& f : filesIn(csv))
            QFile::remove(csv.file(f));
    }
}

TEST_F(RunFixture, AMissingTemporaryFolderEndsTheUploadRunBeforeAnyFile) {
    const QString missing = temp.file(QStringLiteral("weg"));
    qputenv("TEMP", QFile::encodeName(missing));
    tick(true, false, {true, false, false});
    window->cmdOK->click();
    EXPECT_EQ(window->Message->toPlainText(), QStringLiteral("De map ") +
                                                  QDir::toNativeSeparators(missing) +
                                                  QStringLiteral(" bestaat niet"));
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(ui.programEnded());
}

TEST_F(RunFixture, StoresTheAccountOnlyWithUploadAndTheCsvFolderOnlyWithCsv) {
    tick(false, false, {false, true, false});
    window->cmdOK->click();
    for (const char* name : {"Database", "Tavrel", "Limieten Database", "Domain", "FTPfolder",
                             "User", "Password", "CSVdir"})
        EXPECT_FALSE(setting(name).isValid()) << name;

    tick(true, true, {false, true, false});
    window->Tbox[0]->setText(QStringLiteral("ftp.club.example"));
    window->Tbox[1]->setText(QStringLiteral("web docs"));
    window->Tbox[2]->setText(QStringLiteral("club"));
    window->Tbox[3]->setText(QStringLiteral("p@ss word"));
    window->cmdOK->click();
    EXPECT_EQ(setting("Database").toString(), club);
    EXPECT_EQ(setting("Tavrel").toString(), QStringLiteral("2009"));
    EXPECT_EQ(setting("Limieten Database").toString(), limits);
    EXPECT_EQ(setting("Domain").toString(), QStringLiteral("ftp.club.example"));
    EXPECT_EQ(setting("FTPfolder").toString(), QStringLiteral("web docs"));
    EXPECT_EQ(setting("User").toString(), QStringLiteral("club"));
    EXPECT_EQ(setting("Password").toString(), QStringLiteral("p@ss word")) << "as typed";
    EXPECT_EQ(setting("CSVdir").toString(), csv.folder());
}

TEST_F(RunFixture, EndsTheProgramAfterASuccessfulRun) {
    tick(true, false, {true, false, false});
    window->cmdOK->click();
    EXPECT_TRUE(ui.programEnded());
    EXPECT_EQ(ui.yields(), 1) << "one yield after the hourglass";
    EXPECT_TRUE(ui.waitCursor());
}

TEST_F(RunFixture, OnlyLimitsTickedNeedsNoClubDatabase) {
    window->tbDB[0]->setText(data.file(QStringLiteral("missing.mdb")));
    tick(false, true, {false, true, false});
    window->cmdOK->click();
    EXPECT_EQ(log, (std::vector<QString>{QStringLiteral("limieten@limieten.db")}));
    EXPECT_EQ(filesIn(csv), QStringList{QStringLiteral("limieten.csv")});
    EXPECT_TRUE(ui.programEnded());
}

TEST_F(RunFixture, ADatabaseThatFailsItsCheckEndsTheRunEarly) {
    const QString text = data.write(QStringLiteral("tekst.mdb"), "geen database");
    struct Case {
        int field; // tbDB index
        QString path;
        std::array<bool, 3> sets;
        QString message;
        bool report;
    };
    const Case cases[] = {
        {0,
         data.file(QStringLiteral("missing.mdb")),
         {true, true, false},
         QStringLiteral("Database file niet gevonden"),
         false},
        {0, text, {true, false, false}, QStringLiteral("Openen Tavrel database mislukt"), true},
        {1,
         data.file(QStringLiteral("missing.mdb")),
         {true, false, true},
         QStringLiteral("Limieten en niveaus database file niet gevonden"),
         false},
        {1,
         text,
         {false, true, false},
         QStringLiteral("Openen Limieten en niveaus database mislukt"),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        SetUp();
        log.clear();
        window->show();
        window->tbDB[c.field]->setText(c.path);
        tick(true, true, c.sets);
        if (c.report)
            ui.answer(Answer::Ok);
        const size_t promptsBefore = ui.prompts().size();
        window->cmdOK->click();
        EXPECT_EQ(window->Message->toPlainText(), c.message);
        EXPECT_EQ(window->focusWidget(), window->tbDB[c.field]);
        EXPECT_FALSE(ui.programEnded());
        EXPECT_EQ(ui.prompts().size() - promptsBefore, c.report ? 1u : 0u);
        // Only the club phase, when it ran before the failed check, left files.
        const QStringList clubFiles = {QStringLiteral("tijden.csv"),
                                       QStringLiteral("zwemmers.csv")};
        EXPECT_EQ(filesIn(csv), c.field == 1 && c.sets[0] ? clubFiles : QStringList{});
        for (const QString& f : filesIn(csv))
            QFile::remove(csv.file(f));
        EXPECT_EQ(setting("Database").toString(), window->tbDB[0]->text())
            << "settings already stored";
        if (c.field == 1) {
            EXPECT_EQ(log.size(), c.sets[0] ? 2u : 0u) << "the club phase ran before";
        }
    }
}

TEST_F(RunFixture, WithoutAVersionTheClubPhaseDoesNotRun) {
    window = std::make_unique<Main>();
    WriteRegValue(settingName(QStringLiteral("Tavrel")), QStringLiteral("2010"),
                  QStringLiteral("REG_SZ"));
    window = std::make_unique<Main>(); // neither option set
    window->tbDB[0]->setText(club);
    window->tbDB[1]->setText(limits);
    window->tbCSV->setText(csv.folder());
    usePhases(true);
    tick(true, true, {true, true, false});
    window->cmdOK->click();
    EXPECT_TRUE(
        window->Message->toPlainText().contains(QStringLiteral("Tavrel 2006 of Tavrel 2009")));
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(ui.programEnded());
    EXPECT_EQ(setting("Tavrel").toString(), QStringLiteral("2010")) << "no version written";

    tick(true, true, {false, true, false}); // limits need no version
    window->cmdOK->click();
    EXPECT_EQ(log, (std::vector<QString>{QStringLiteral("limieten@limieten.db"),
                                         QStringLiteral("upload@")}));
    EXPECT_TRUE(ui.programEnded());
}

TEST_F(RunFixture, AFailedUploadKeepsTheWindowOpenAndStillCleansUp) {
    usePhases(false);
    tick(true, false, {true, true, true});
    window->cmdOK->click();
    EXPECT_FALSE(ui.programEnded());
    EXPECT_FALSE(ui.waitCursor()) << "the pointer is back to default";
    EXPECT_EQ(window->Message->toPlainText(), QStringLiteral("upload mislukt"));
    EXPECT_TRUE(QDir(temp.path()).isEmpty()) << "script and CSV files removed";
    EXPECT_TRUE(QFile::exists(keptLog()));
}

TEST_F(RunFixture, AFailedExportStopsTheRunBeforeTheUpload) {
    window->phases.times =
        std::make_unique<RecordingPhase>(log, QStringLiteral("tijden"), QStringList{}, false);
    tick(true, true, {true, true, false});
    window->cmdOK->click();
    EXPECT_EQ(log, (std::vector<QString>{QStringLiteral("zwemmers@team2009.db"),
                                         QStringLiteral("tijden@team2009.db")}));
    EXPECT_EQ(window->Message->toPlainText(), QStringLiteral("tijden mislukt"));
    EXPECT_FALSE(ui.programEnded());
    EXPECT_FALSE(ui.waitCursor());
}

// A phase that presses OK again, as a user could while the run yields.
class PressAgain : public Phase {
public:
    explicit PressAgain(Main& w, int& runs)
        : w_(w)
        , runs_(runs) {}
    bool run(PhaseContext&) override {
        ++runs_;
        w_.cmdOK->click();
        return true;
    }

private:
    Main& w_;
    int& runs_;
};

TEST_F(RunFixture, ASecondPressDuringARunDoesNothing) {
    int runs = 0;
    window->phases.limits = std::make_unique<PressAgain>(*window, runs);
    tick(false, true, {false, true, false});
    window->cmdOK->click();
    EXPECT_EQ(runs, 1);
    window->cmdOK->click();
    EXPECT_EQ(runs, 2) << "a later press runs again";
}

TEST_F(RunFixture, NothingTickedWritesAndDeletesNothing) {
    const QString own = current.write(QStringLiteral("zwemmers.csv"), "van een eerdere run");
    tick(false, false, {false, false, false});
    window->cmdOK->click();
    EXPECT_TRUE(QFile::exists(own));
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(ui.programEnded());
}

} // namespace
