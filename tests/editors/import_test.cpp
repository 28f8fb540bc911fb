#include "EditorFixture.h"
#include "common/db/Connection.h"
#include "support/PressOk.h"
#include "support/Unchangeable.h"

#include "editors/frmLimieten.h"
#include "editors/frmNiveaus.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

using namespace tavrel;
using namespace tavrel::test;

namespace {

struct Import : EditorFixture {
    void SetUp() override {
        EditorFixture::SetUp();
        const QString meet = QStringLiteral("INSERT INTO wedstrijden VALUES (?, ?, ?, ?, ?, ?)");
        for (const char* code : {"A", "B", "C"})
            sqlExec(limits, meet,
                    {QLatin1String(code), QStringLiteral("2000-01-01"),
                     QStringLiteral("2000-01-02"), QStringLiteral("Naam"),
                     QStringLiteral("Opmerking"), 25});
        const QString limit = QStringLiteral(
            "INSERT INTO limieten VALUES (?, 50, 'vr', 'j', 1990, 1991, '00.40.00', NULL)");
        for (const char* code : {"A", "B", "C"})
            sqlExec(limits, limit, {QLatin1String(code)});
        const QString level = QStringLiteral(
            "INSERT INTO niveaus VALUES (50, 'vr', 'j', 25, 'A', 9, 10, '00.40.00')");
        sqlExec(limits, level);
    }

    QList<QVariantList> everything() const {
        return rows(QStringLiteral("SELECT * FROM wedstrijden ORDER BY code")) +
               sorted(rows(QStringLiteral("SELECT * FROM limieten"))) +
               sorted(rows(QStringLiteral("SELECT * FROM niveaus")));
    }

    // Imports a file through editor index's "Importeer", as a user does. A
    // failing import ends with a message, answered with OK.
    template <typename Editor>
    void importFile(int index, const char* name, const QByteArray& bytes, bool fails) {
        main->cmdLimiet[index]->click();
        auto* e = editor<Editor>();
        ASSERT_NE(e, nullptr);
        ui.answer(Answer::Ok).chooseFile(dir.write(QLatin1String(name), bytes));
        if (fails)
            ui.answer(Answer::Ok);
        e->cmdImport->click();
        e->cmdOK->click();
    }
    void importLimitsFile(const QByteArray& bytes, bool fails = false) {
        importFile<frmLimieten>(0, "limieten.csv", bytes, fails);
    }
    void importLevelsFile(const QByteArray& bytes, bool fails = false) {
        importFile<frmNiveaus>(1, "niveaus.csv", bytes, fails);
    }
};

const QByteArray kTwoMeets = "A;100;vr;m;2000;2001;01.00.00;01.01.00;2010-01-01;2010-12-12\r\n"
                             "A;200;ss;j;1998;1999;02.50.00;;2010-01-01;2010-12-12\r\n"
                             "B;50;vl;j;2002;2003;00.40.00;00.41.00;2009-03-05;2009-03-07\r\n"
                             "B;100;rug;m;2004;2005;01.20.00;01.21.00;2009-03-05;2009-03-07\r\n"
                             "B;400;wi;m;1980;1989;06.00.00;06.10.00;2009-03-05;2009-03-07\r\n";

TEST_F(Import, ReplacesTheNamedMeetsAndLeavesTheOthers) {
    importLimitsFile(kTwoMeets);
    const auto q = ui.messages().front();
    EXPECT_EQ(q.text,
              QStringLiteral(
                  "Importeer limieten\r\n\r\nAlle huidige limieten van geimporteerde wedstrijden "
                  "worden verwijderd!"));
    EXPECT_EQ(q.title, QStringLiteral("Importeer limieten"));
    EXPECT_EQ(q.buttons, Buttons::OkCancel);
    const auto& dialog = ui.prompts()[1];
    EXPECT_EQ(dialog.title, QStringLiteral("Zoek import bestand"));
    EXPECT_EQ(dialog.filter,
              QStringLiteral(
                  "(UploadTavrel uitvoer) limieten.csv|limieten.csv|(csv bestand) *.csv|*.csv"));
    EXPECT_EQ(dialog.text, QString()) << "no file name preset";
    // The windows stay drawn, with a box that says what goes on, gone after.
    EXPECT_EQ(ui.busyText(), QStringLiteral("Importeren uit ") +
                                 dir.file(QStringLiteral("limieten.csv")) + QStringLiteral(" ..."));
    EXPECT_FALSE(ui.busy());
    EXPECT_FALSE(ui.waitCursor());

    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM wedstrijden ORDER BY code")),
              (QList<QVariantList>{{QStringLiteral("A"), QStringLiteral("2010-01-01"),
                                    QStringLiteral("2010-12-12"), kNull, kNull, kNull},
                                   {QStringLiteral("B"), QStringLiteral("2009-03-05"),
                                    QStringLiteral("2009-03-07"), kNull, kNull, kNull},
                                   {QStringLiteral("C"), QStringLiteral("2000-01-01"),
                                    QStringLiteral("2000-01-02"), QStringLiteral("Naam"),
                                    QStringLiteral("Opmerking"), 25}}));
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM limieten WHERE wcode IN ('A', 'B')"))
                  .first()
                  .first(),
              QVariant(5));
    EXPECT_EQ(
        rows(QStringLiteral("SELECT count(*) FROM limieten WHERE wcode = 'C'")).first().first(),
        QVariant(1));
    EXPECT_EQ(
        rows(QStringLiteral("SELECT limiet50 FROM limieten WHERE afstand = 200")).first().first(),
        kNull)
        << "an empty limit time is null again, as the export read it";

    const auto once = everything();
    importLimitsFile(kTwoMeets);
    EXPECT_EQ(everything(), once) << "twice is once";
}

TEST_F(Import, TheEditorShowsWhatTheImportStoredAndKeepsItWhenEdited) {
    main->cmdLimiet[0]->click();
    auto* e = editor<frmLimieten>();
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->tbCode->text(), QStringLiteral("A"));
    ui.answer(Answer::Ok).chooseFile(dir.write(QStringLiteral("limieten.csv"), kTwoMeets));
    e->cmdImport->click();
    EXPECT_EQ(e->tbCode->text(), QStringLiteral("A")) << "the same meet, read afresh";
    EXPECT_EQ(e->tbWedstrijd->text(), QString()) << "the import made meet A anew";
    // A remark typed now, then another meet: only the remark is written.
    e->tbData->selectAll();
    QTest::keyClicks(e->tbData, QStringLiteral("nieuw"));
    e->lstCode->setCurrentRow(2);
    EXPECT_EQ(
        rows(QStringLiteral("SELECT datum1, datum2, opmerking FROM wedstrijden WHERE code = 'A'")),
        (QList<QVariantList>{{QStringLiteral("2010-01-01"), QStringLiteral("2010-12-12"),
                              QStringLiteral("nieuw")}}));
    e->cmdOK->click();
}

TEST_F(Import, AMeetWhoseLinesAreApartKeepsEveryLine) {
    importLimitsFile("A;50;vr;j;2000;2001;00.30.00;00.31.00;2010-01-01;2010-12-12\r\n"
                     "B;50;vr;j;2000;2001;00.30.00;00.31.00;2009-01-01;2009-12-12\r\n"
                     "A;100;vr;j;2000;2001;01.05.00;01.06.00;2011-01-01;2011-12-12\r\n");
    EXPECT_EQ(
        rows(QStringLiteral("SELECT afstand FROM limieten WHERE wcode = 'A' ORDER BY afstand")),
        (QList<QVariantList>{{50}, {100}}));
    EXPECT_EQ(
        rows(QStringLiteral("SELECT datum1 FROM wedstrijden WHERE code = 'A'")).first().first(),
        QVariant(QStringLiteral("2010-01-01")))
        << "the dates of its first line";
}

TEST_F(Import, ABadLineChangesNothingAndIsNamed) {
    const auto before = everything();
    const QByteArray bad[] = {
        "A;50;vr;j;2000;2001;00.30.00;00.31.00;2010-01-01;2010-12-12\r\nB;honderd;vr;j;2000;2001;x;"
        "y;2010-01-01;2010-12-12\r\n",
        "A;50;vr;j;2000;2001;00.30.00;00.31.00;2010-01-01;2010-12-12\r\nB;50;vr;j;40000;2001;x;y;"
        "2010-01-01;2010-12-12\r\n",
        "A;50;vr;j;2000;2001;00.30.00;00.31.00;2010-01-01;2010-12-12\r\nB;50;vr;j\r\n",
        "A;50;vr;j;2000;2001;00.30.00;00.31.00;2010-01-01;2010-12-12\r\nB;50;vr;j;2000;2001;x;y;"
        "morgen;2010-12-12\r\n",
    };
    for (const QByteArray& file : bad) {
        SCOPED_TRACE(file.toStdString());
        importLimitsFile(file, true);
        EXPECT_EQ(everything(), before);
        EXPECT_EQ(ui.messages().back().title, QStringLiteral("Importeer limieten"));
        EXPECT_TRUE(ui.messages().back().text.startsWith(QStringLiteral("Regel 2 ")))
            << ui.messages().back().text.toStdString();
        EXPECT_TRUE(ui.messages().back().text.endsWith(QStringLiteral("Er is niets gewijzigd.")));
    }
}

// Another program holding the database is no fault of the file's first line.
TEST_F(Import, ABusyDatabaseIsSaidAsSuchAndChangesNothing) {
    const auto before = everything();
    for (int index : {0, 1}) {
        SCOPED_TRACE(index);
        main->cmdLimiet[index]->click();
        QWidget* e =
            index == 0 ? static_cast<QWidget*>(editor<frmLimieten>()) : editor<frmNiveaus>();
        ASSERT_NE(e, nullptr);
        Connection other;
        ASSERT_TRUE(ConnectJetDB(limits, other));
        ASSERT_TRUE(other.Execute(QStringLiteral("BEGIN EXCLUSIVE")));
        ui.answer(Answer::Ok)
            .chooseFile(dir.write(QStringLiteral("import.csv"),
                                  index == 0 ? kTwoMeets : "50;vr;j;25;A;9;10;00.40.00\r\n"))
            .answer(Answer::Ok);
        e->findChild<QPushButton*>(QStringLiteral("cmdImport"))->click();
        const QString text = ui.messages().back().text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("Importeren mislukt: de database wordt door "
                                                   "een ander programma gebruikt")))
            << text.toStdString();
        ASSERT_TRUE(other.Execute(QStringLiteral("COMMIT")));
        e->close();
    }
    EXPECT_EQ(everything(), before);
}

TEST_F(Import, FilesFromOtherClubsAreReadAsTheyWereWritten) {
    // Blank lines and extra line ends are no lines; a byte-order mark or
    // valid UTF-8 means UTF-8, anything else Windows-1252.
    const std::pair<QByteArray, const char*> files[] = {
        {"Z\xc3\xa9;50;vr;j;2000;2001;00.30.00;00.31.00;2010-01-01;2010-12-12\r\n  \r\n\r\n",
         "UTF-8"},
        {"\xef\xbb\xbfZ\xc3\xa9;50;vr;j;2000;2001;00.30.00;00.31.00;2010-01-01;2010-12-12\r\n",
         "BOM"},
        {"\r\nZ\xe9;50;vr;j;2000;2001;00.30.00;00.31.00;2010-01-01;2010-12-12\r\n\r\n", "1252"},
    };
    for (const auto& [file, what] : files) {
        SCOPED_TRACE(what);
        importLimitsFile(file);
        EXPECT_EQ(rows(QStringLiteral("SELECT wcode FROM limieten WHERE wcode LIKE 'Z%'")),
                  (QList<QVariantList>{{QStringLiteral("Z\u00e9")}}));
        EXPECT_TRUE(rows(QStringLiteral("SELECT code FROM wedstrijden WHERE code LIKE '%\u00bf%'"))
                        .isEmpty())
            << "no meet named after the byte-order mark";
    }
}

TEST_F(Import, QuotesAreStoredAsTyped) {
    importLimitsFile("O'Brien;50;v'r;j;2000;2001;00'30.00;\"00.31\";2010-01-01;2010-12-12\r\n");
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM limieten WHERE wcode = 'O''Brien'")),
              (QList<QVariantList>{{QStringLiteral("O'Brien"), 50, QStringLiteral("v'r"),
                                    QStringLiteral("j"), 2000, 2001, QStringLiteral("00'30.00"),
                                    QStringLiteral("\"00.31\"")}}));
}

TEST_F(Import, AnUnchangeableFileIsSaidBeforeAnythingIsAsked) {
    const auto before = everything();
    for (const QString& path : {limits, QFileInfo(limits).absolutePath()}) {
        SCOPED_TRACE(path.toStdString());
        Unchangeable guard(path);
        if (!guard.works())
            GTEST_SKIP() << Unchangeable::whyNot();
        main->cmdLimiet[0]->click();
        auto* e = editor<frmLimieten>();
        ASSERT_NE(e, nullptr);
        const auto asked = ui.prompts().size();
        ui.answer(Answer::Ok);
        e->cmdImport->click();
        ASSERT_EQ(ui.prompts().size(), asked + 1) << "one message, no question, no file dialog";
        const QString text = ui.prompts().back().text;
        EXPECT_TRUE(text.contains(QStringLiteral("kan niet worden gewijzigd")) &&
                    text.contains(limits))
            << text.toStdString();
        e->cmdOK->click();
    }
    EXPECT_EQ(everything(), before);
}

TEST_F(Import, CancelChangesNothing) {
    const auto before = everything();
    main->cmdLimiet[0]->click();
    auto* e = editor<frmLimieten>();
    ui.answer(Answer::Cancel);
    e->cmdImport->click();
    EXPECT_EQ(ui.prompts().size(), 1u) << "no file dialog after Cancel";
    ui.answer(Answer::Ok).chooseFile(QString());
    e->cmdImport->click();
    e->cmdOK->click();
    EXPECT_EQ(everything(), before);
}

TEST_F(Import, ExportedLimitsAndLevelsImportBackUnchanged) {
    // A database full of limits and levels, exported by the program itself.
    TempDir demoDir;
    const QString demo = makeLimitsDatabase(demoDir, true);
    // What the grids allow to stay empty: "t/m" years and ages, limit times.
    sqlExec(demo, QStringLiteral("UPDATE limieten SET gebjaar2 = NULL WHERE rowid % 7 = 0"));
    sqlExec(demo, QStringLiteral("UPDATE limieten SET limiet50 = NULL WHERE rowid % 5 = 0"));
    sqlExec(demo, QStringLiteral("UPDATE niveaus SET leeftijd2 = NULL WHERE rowid % 6 = 0"));
    sqlExec(demo, QStringLiteral("UPDATE niveaus SET tijd = NULL WHERE rowid % 11 = 0"));
    const QString nulls = QStringLiteral(
        "SELECT (SELECT count(*) FROM limieten WHERE gebjaar2 IS NULL), (SELECT count(*) FROM "
        "limieten WHERE limiet50 IS NULL), (SELECT count(*) FROM niveaus WHERE leeftijd2 IS "
        "NULL), (SELECT count(*) FROM niveaus WHERE tijd IS NULL)");
    const auto nullsBefore = sqlRows(demo, nulls);
    const auto limitsBefore = sorted(sqlRows(demo, QStringLiteral("SELECT * FROM limieten")));
    const auto levelsBefore = sorted(sqlRows(demo, QStringLiteral("SELECT * FROM niveaus")));
    const auto datesBefore =
        sqlRows(demo, QStringLiteral("SELECT code, datum1, datum2 FROM wedstrijden ORDER BY code"));
    {
        Main exporter;
        exporter.tbDB[1]->setText(demo);
        exporter.checkFTP->setChecked(false);
        exporter.checkCSV->setChecked(true);
        exporter.tbCSV->setText(demoDir.folder());
        exporter.checkUpl[0]->setChecked(false);
        exporter.checkUpl[1]->setChecked(true);
        exporter.checkUpl[2]->setChecked(true);
        pressOk(exporter);
    }
    sqlExec(demo, QStringLiteral("PRAGMA foreign_keys = ON"));
    sqlExec(demo, QStringLiteral("DELETE FROM limieten"));
    sqlExec(demo, QStringLiteral("DELETE FROM niveaus"));
    sqlExec(demo, QStringLiteral("UPDATE wedstrijden SET datum1 = NULL, datum2 = NULL"));

    main->tbDB[1]->setText(demo);
    importLimitsFile(demoDir.read(QStringLiteral("limieten.csv")));
    importLevelsFile(demoDir.read(QStringLiteral("niveaus.csv")));
    EXPECT_EQ(sorted(sqlRows(demo, QStringLiteral("SELECT * FROM limieten"))), limitsBefore);
    EXPECT_EQ(sorted(sqlRows(demo, QStringLiteral("SELECT * FROM niveaus"))), levelsBefore);
    EXPECT_EQ(sqlRows(demo, nulls), nullsBefore) << "nulls come back as nulls, not empty texts";
    EXPECT_NE(nullsBefore.front().front().toInt(), 0);
    EXPECT_EQ(
        sqlRows(demo, QStringLiteral("SELECT code, datum1, datum2 FROM wedstrijden ORDER BY code")),
        datesBefore);
}

TEST_F(Import, LevelsReplaceEveryRowOrNone) {
    importLevelsFile("100;vr;j;25;A;10;11;01.02.03\r\n200;ss;m;50;B;12;13;03.00.00\r\n");
    EXPECT_EQ(ui.messages().front().text,
              QStringLiteral("Importeer niveaus\r\n\r\nAlle huidige niveaus worden verwijderd!"));
    EXPECT_EQ(
        ui.prompts()[1].filter,
        QStringLiteral("(UploadTavrel uitvoer) niveaus.csv|niveaus.csv|(csv bestand) *.csv|*.csv"));
    EXPECT_EQ(sorted(rows(QStringLiteral("SELECT * FROM niveaus"))),
              (QList<QVariantList>{{100, QStringLiteral("vr"), QStringLiteral("j"), 25,
                                    QStringLiteral("A"), 10, 11, QStringLiteral("01.02.03")},
                                   {200, QStringLiteral("ss"), QStringLiteral("m"), 50,
                                    QStringLiteral("B"), 12, 13, QStringLiteral("03.00.00")}}));

    const auto before = everything();
    importLevelsFile("50;vr;j;25;A;9;10;00.40.00\r\n50;vr;j;25;A\r\n", true);
    EXPECT_EQ(everything(), before) << "a short line with a missing number restores every row";
    EXPECT_TRUE(ui.messages().back().text.startsWith(QStringLiteral("Regel 2 ")));

    importLevelsFile("");
    EXPECT_TRUE(rows(QStringLiteral("SELECT * FROM niveaus")).isEmpty())
        << "an empty file empties the table";

    importLevelsFile("50;v'r;j;25;A';9;10;00'40.00\r\n");
    EXPECT_EQ(rows(QStringLiteral("SELECT slag, niveau, tijd FROM niveaus")),
              (QList<QVariantList>{
                  {QStringLiteral("v'r"), QStringLiteral("A'"), QStringLiteral("00'40.00")}}));
}

} // namespace
