#include "app/LastRun.h"
#include "app/Main.h"
#include "common/Files.h"
#include "common/Registry.h"
#include "common/db/Connection.h"
#include "support/Databases.h"
#include "support/PressOk.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

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
        {false, false, &current, {}}, // nothing to do: nothing runs
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "ftp " << c.ftp << " csv " << c.keepCsv);
        for (const TempDir* d : {&temp, &csv, &current})
            for (const QString& f : filesIn(*d))
                QFile::remove(d->file(f));
        log.clear();
        tick(c.ftp, c.keepCsv, {true, true, true});
        pressOk(*window);
        QStringList after = filesIn(*c.folder);
        after.sort();
        EXPECT_EQ(after, c.after);
        std::vector<QString> expected = {
            QStringLiteral("zwemmers@team2009.db"), QStringLiteral("tijden@team2009.db"),
            QStringLiteral("limieten@limieten.db"), QStringLiteral("niveaus@limieten.db")};
        if (c.ftp)
            expected.push_back(QStringLiteral("upload@"));
        if (!c.ftp && !c.keepCsv)
            expected.clear();
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
        pressOk(*window);
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
    pressOk(*window);
    EXPECT_EQ(window->Message->toPlainText(), QStringLiteral("De map ") +
                                                  QDir::toNativeSeparators(missing) +
                                                  QStringLiteral(" bestaat niet"));
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(ui.programEnded());
}

TEST_F(RunFixture, StoresTheAccountOnlyWithUploadAndTheCsvFolderOnlyWithCsv) {
    tick(false, false, {false, true, false});
    pressOk(*window);
    for (const char* name : {"Database", "Tavrel", "Limieten Database", "Domain", "FTPfolder",
                             "User", "Password", "CSVdir"})
        EXPECT_FALSE(setting(name).isValid()) << name;

    tick(true, true, {false, true, false});
    window->Tbox[0]->setText(QStringLiteral("ftp.club.example"));
    window->Tbox[1]->setText(QStringLiteral("web docs"));
    window->Tbox[2]->setText(QStringLiteral("club"));
    window->Tbox[3]->setText(QStringLiteral("p@ss word"));
    pressOk(*window);
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
    pressOk(*window);
    EXPECT_TRUE(ui.programEnded());
}

TEST_F(RunFixture, OnlyLimitsTickedNeedsNoClubDatabase) {
    window->tbDB[0]->setText(data.file(QStringLiteral("missing.mdb")));
    tick(false, true, {false, true, false});
    pressOk(*window);
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
        pressOk(*window);
        EXPECT_EQ(window->Message->toPlainText(), c.message);
        EXPECT_EQ(window->focusWidget(), window->tbDB[c.field]);
        EXPECT_FALSE(ui.programEnded());
        EXPECT_EQ(ui.prompts().size() - promptsBefore, c.report ? 1u : 0u);
        // The next start's line gives the report's reason too.
        EXPECT_TRUE(storedLastRun().contains(
            c.message +
            (c.report ? QStringLiteral(": Geen Jet- of SQLite-database: ") : QString())))
            << storedLastRun().toStdString();
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
        // The message is about that field: it goes once the field changes.
        window->tbDB[1 - c.field]->setText(window->tbDB[1 - c.field]->text() + QLatin1Char(' '));
        EXPECT_EQ(window->Message->toPlainText(), c.message) << "another field leaves it";
        window->tbDB[c.field]->setText(c.path + QLatin1Char(' '));
        EXPECT_EQ(window->Message->toPlainText(), QString());
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
    pressOk(*window);
    EXPECT_TRUE(
        window->Message->toPlainText().contains(QStringLiteral("Tavrel 2006 of Tavrel 2009")));
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(ui.programEnded());
    EXPECT_EQ(setting("Tavrel").toString(), QStringLiteral("2010")) << "no version written";

    tick(true, true, {false, true, false}); // limits need no version
    pressOk(*window);
    EXPECT_EQ(log, (std::vector<QString>{QStringLiteral("limieten@limieten.db"),
                                         QStringLiteral("upload@")}));
    EXPECT_TRUE(ui.programEnded());
}

TEST_F(RunFixture, AClubFileOfTheOtherLayoutIsRefusedBeforeAnyFileAndItsMessageGoesWithTheFix) {
    const QString v2006 = makeClubDatabase(data, demo::ClubVariant::Tavrel2006);
    struct Case {
        QString file;
        QWidget* focus;
        const char* message;
    };
    const Case cases[] = {
        {v2006, window->OptVersie[0],
         "Dit bestand heeft de indeling van Tavrel 2006; kies Tavrel 2006."},
        {limits, window->tbDB[0], "de tabel MEMBERS ontbreekt"},
    };
    window->show();
    tick(true, true, {true, true, false});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        window->tbDB[0]->setText(c.file);
        window->OptVersie[1]->setChecked(true);
        pressOk(*window);
        EXPECT_TRUE(window->Message->toPlainText().contains(QLatin1String(c.message)));
        EXPECT_EQ(window->focusWidget(), c.focus);
        EXPECT_TRUE(log.empty()) << "no phase ran";
        EXPECT_TRUE(filesIn(csv).isEmpty());
        EXPECT_FALSE(ui.programEnded());
    }
    // The right choice clears the message, and the run goes.
    window->tbDB[0]->setText(v2006);
    pressOk(*window);
    window->OptVersie[0]->setChecked(true);
    EXPECT_EQ(window->Message->toPlainText(), QString());
    pressOk(*window);
    EXPECT_EQ(log.front(), QStringLiteral("zwemmers@") + QFileInfo(v2006).fileName());
    EXPECT_TRUE(ui.programEnded());
}

TEST_F(RunFixture, AFailedUploadKeepsTheWindowOpenAndStillCleansUp) {
    usePhases(false);
    tick(true, false, {true, true, true});
    pressOk(*window);
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
    pressOk(*window);
    EXPECT_EQ(log, (std::vector<QString>{QStringLiteral("zwemmers@team2009.db"),
                                         QStringLiteral("tijden@team2009.db")}));
    EXPECT_EQ(window->Message->toPlainText(), QStringLiteral("tijden mislukt"));
    EXPECT_FALSE(ui.programEnded());
    EXPECT_FALSE(ui.waitCursor());
}

// A phase that works until it is told to stop, as a long export does.
class UntilStopped : public Phase {
public:
    explicit UntilStopped(std::atomic<bool>& working)
        : working_(working) {}
    bool run(PhaseContext& context) override {
        working_ = true;
        QElapsedTimer waited;
        waited.start();
        while (!context.stopRequested() && waited.elapsed() < 20000)
            QThread::msleep(5);
        working_ = false;
        return false;
    }

private:
    std::atomic<bool>& working_;
};

void waitUntil(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
}

TEST_F(RunFixture, DuringARunOnlyStoppenAndSluitenAnswerAndStoppenSaysWhatWasDone) {
    std::atomic<bool> working = false;
    window->phases.times = std::make_unique<UntilStopped>(working);
    tick(true, false, {true, true, false});
    window->cmdOK->click();
    waitUntil([&] { return working.load(); });
    ASSERT_TRUE(window->runRunning());
    EXPECT_EQ(window->cmdOK->text(), QStringLiteral("Stoppen"));
    for (QWidget* w :
         std::initializer_list<QWidget*>{window->cmdLimiet[0], window->cmdLimiet[1],
                                         window->tbDB[0], window->checkFTP, window->cmdBrowse[0]})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(window->cmdCancel->isEnabled());

    // "Sluiten" asks first; No lets the run go on.
    ui.answer(Answer::No);
    window->cmdCancel->click();
    ASSERT_EQ(ui.prompts().size(), 1u);
    EXPECT_EQ(ui.prompts()[0].text, QStringLiteral("De upload stoppen?"));
    EXPECT_TRUE(window->runRunning());

    window->cmdOK->click();
    waitUntil([&] { return !window->runRunning(); });
    EXPECT_FALSE(ui.programEnded());
    EXPECT_EQ(window->Message->toPlainText(),
              QStringLiteral("Gestopt: zwemmers.csv gemaakt en weer verwijderd, tijden.csv niet "
                             "gemaakt, limieten.csv niet gemaakt; er is niets naar de website "
                             "verzonden."));
    EXPECT_EQ(log, (std::vector<QString>{QStringLiteral("zwemmers@team2009.db")}));
    EXPECT_TRUE(QDir(temp.path()).isEmpty()) << "the run's folder is gone";
    EXPECT_EQ(window->cmdOK->text(), QStringLiteral("OK"));
    EXPECT_TRUE(window->cmdLimiet[0]->isEnabled());
    EXPECT_TRUE(window->Tbox[0]->isEnabled());

    // The next start says how it ended.
    Main next;
    EXPECT_TRUE(next.Message->toPlainText().startsWith(QStringLiteral("Laatste upload: ")));
    EXPECT_TRUE(next.Message->toPlainText().endsWith(QStringLiteral(", gestopt.")));
}

TEST_F(RunFixture, SluitenDuringARunStopsItAndThenEndsTheProgram) {
    std::atomic<bool> working = false;
    window->phases.limits = std::make_unique<UntilStopped>(working);
    tick(false, true, {false, true, false});
    window->show();
    window->cmdOK->click();
    waitUntil([&] { return working.load(); });
    ui.answer(Answer::Yes);
    window->close(); // the close box asks as "Sluiten" does
    EXPECT_TRUE(window->isVisible());
    waitUntil([&] { return !window->runRunning(); });
    EXPECT_TRUE(ui.programEnded());
    EXPECT_TRUE(filesIn(csv).isEmpty()) << "no partial file put in place";
}

TEST_F(RunFixture, TheNextStartShowsHowTheLastRunEnded) {
    const struct {
        bool ftp, csv, uploadSucceeds;
        const char* line; // after the date
    } cases[] = {
        {true, false, true, ", twee bestanden naar www.example.com/httpdocs, geslaagd."},
        {false, true, true, ", twee bestanden bewaard in "},
        {true, false, false, ", mislukt: upload mislukt."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        usePhases(c.uploadSucceeds);
        window->Tbox[0]->setText(QStringLiteral("www.example.com"));
        window->Tbox[1]->setText(QStringLiteral("httpdocs"));
        tick(c.ftp, c.csv, {true, false, false});
        pressOk(*window);
        Main next;
        const QString shown = next.Message->toPlainText();
        EXPECT_TRUE(shown.startsWith(c.ftp ? QStringLiteral("Laatste upload: ")
                                           : QStringLiteral("Laatste export: ")))
            << shown.toStdString();
        EXPECT_TRUE(shown.contains(QLatin1String(c.line))) << shown.toStdString();
    }
}

TEST_F(RunFixture, NothingTickedSaysSoAndDoesNothing) {
    const QString own = current.write(QStringLiteral("zwemmers.csv"), "van een eerdere run");
    tick(false, false, {true, false, false});
    pressOk(*window);
    EXPECT_TRUE(QFile::exists(own));
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(ui.programEnded());
    EXPECT_TRUE(window->Message->toPlainText().startsWith(QStringLiteral("Er is niets te doen")));
}

} // namespace
