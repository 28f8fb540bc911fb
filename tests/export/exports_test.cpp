#include "DemoDatabases.h"
#include "ExportRun.h"
#include "app/Main.h"
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
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tavrel;
using namespace tavrel::test;

namespace {

// Members and results covering what the two files must get right: skipped
// members, null prefixes and dates, a text outside ASCII, every odd time.
QString clubFixture(const TempDir& dir, bool v2006) {
    const QString path =
        dir.file(v2006 ? QStringLiteral("club2006.db") : QStringLiteral("club2009.db"));
    const QString sex = v2006 ? QStringLiteral("SEX") : QStringLiteral("GENDER");
    const QString styles = v2006 ? QStringLiteral("STYLES") : QStringLiteral("SWIMSTYLE");
    const QString styleKey = v2006 ? QStringLiteral("STYLESID") : QStringLiteral("SWIMSTYLEID");
    sqlExec(path,
            QStringLiteral("CREATE TABLE MEMBERS (MEMBERSID INTEGER PRIMARY KEY, REGISTRATIONID, "
                           "FIRSTNAME TEXT, NAMEPREFIX TEXT, LASTNAME TEXT, %1 INTEGER, BIRTHDATE "
                           "DATETIME, ACTIVE)")
                .arg(sex));
    sqlExec(path, QStringLiteral(
                      "CREATE TABLE MEETS (MEETSID INTEGER PRIMARY KEY, NAME TEXT, PLACE TEXT, "
                      "MINDATE DATETIME, POOL INTEGER, COURSE INTEGER)"));
    sqlExec(path, QStringLiteral(
                      "CREATE TABLE %1 (%2 INTEGER PRIMARY KEY, DISTANCE INTEGER, STROKE INTEGER)")
                      .arg(styles, styleKey));
    sqlExec(path,
            QStringLiteral(
                "CREATE TABLE RESULTS (RESULTSID INTEGER PRIMARY KEY, MEETSID INTEGER, "
                "MEMBERSID INTEGER, STYLESID INTEGER, TOTALTIME INTEGER, RESULTTYP INTEGER)"));
    const QVariant yes = v2006 ? QVariant(-1) : QVariant(QStringLiteral("T"));
    const QVariant no = v2006 ? QVariant(0) : QVariant(QStringLiteral("F"));
    const QVariant boy = v2006 ? 0 : 1, girl = v2006 ? 1 : 2;
    const QString member = QStringLiteral("INSERT INTO MEMBERS VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    sqlExec(path, member,
            {1, 123456, QStringLiteral("Zoë"), QStringLiteral("van der"), QStringLiteral("Berg"),
             girl, QStringLiteral("2001-05-07"), yes});
    sqlExec(path, member,
            {2, kNull, QStringLiteral("Geen"), kNull, QStringLiteral("Nummer"), boy, kNull, yes});
    sqlExec(path, member,
            {3, QStringLiteral("ONB"), QStringLiteral("Tekst"), kNull, QStringLiteral("Nummer"),
             boy, kNull, yes});
    sqlExec(path, member,
            {4, 654321, QStringLiteral("Piet"), kNull, QStringLiteral("Jansen"), boy, kNull, no});
    sqlExec(path, member,
            {5, 111, QStringLiteral("Ann"), kNull, QStringLiteral("Onbekend"), kNull,
             QStringLiteral("1999-12-31 00:00:00"), kNull});

    const QString meet = QStringLiteral("INSERT INTO MEETS VALUES (?, ?, ?, ?, ?, ?)");
    sqlExec(
        path, meet,
        {1, QStringLiteral("Kring"), QStringLiteral("Leiden"), QStringLiteral("2009-03-05"), 0, 2});
    sqlExec(path, meet, {2, QStringLiteral("Gala"), kNull, kNull, kNull, kNull});
    sqlExec(path, meet,
            {3, QStringLiteral("Later"), QStringLiteral("Utrecht"), QStringLiteral("2010-01-01"), 1,
             1});
    sqlExec(path, meet,
            {4, QStringLiteral("Zomer"), QStringLiteral("Den Haag"), QStringLiteral("2009-06-01"),
             0, 7});

    // Styles: 100 free, 50 butterfly, an unknown stroke over a distance code 10.
    const QString style = QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?)").arg(styles);
    sqlExec(path, style, {1, v2006 ? 2 : 100, v2006 ? 0 : 1});
    sqlExec(path, style, {2, v2006 ? 1 : 50, 4 - (v2006 ? 3 : 0)});
    sqlExec(path, style, {3, v2006 ? 10 : 200, 9});

    const QString result = QStringLiteral("INSERT INTO RESULTS VALUES (?, ?, ?, ?, ?, ?)");
    auto time = [&](qint64 seconds, int tenths, int hundredths) {
        return v2006 ? seconds * 10000 + tenths * 1000 + hundredths * 10
                     : seconds * 1000 + tenths * 100 + hundredths * 10;
    };
    sqlExec(path, result, {1, 1, 1, 1, time(65, 4, 3), 1});
    sqlExec(path, result, {2, 1, 2, 1, time(60, 0, 0), 1}); // member without a number: skipped
    sqlExec(path, result, {3, 2, 4, 2, v2006 ? 4300 : 430, 5});
    sqlExec(path, result, {4, 3, 1, 3, kNull, 9});
    sqlExec(path, result, {5, 4, 5, 2, time(754, 2, 1), 2});
    sqlExec(path, result, {6, 1, 3, 1, time(1, 0, 0), 3}); // member with a text number: skipped
    return path;
}

TEST(ClubExports, WriteTheSwimmersAndTimesFilesByteForByte) {
    for (const bool v2006 : {false, true}) {
        SCOPED_TRACE(v2006 ? "2006" : "2009");
        TempDir data;
        ExportRun run(clubFixture(data, v2006),
                      v2006 ? QStringLiteral("2006") : QStringLiteral("2009"), QString(),
                      {true, false, false});
        run.press();
        EXPECT_EQ(run.files(),
                  (QStringList{QStringLiteral("tijden.csv"), QStringLiteral("zwemmers.csv")}));
        EXPECT_EQ(run.file("zwemmers.csv"),
                  QByteArray("123456;Zo\xEB;van der;Berg;m;2001-05-07;1\r\n"
                             "654321;Piet;;Jansen;j;;0\r\n"
                             "111;Ann;;Onbekend;m;1999-12-31;0\r\n"));
        const QByteArray pool25 = v2006 ? "25" : "25", pool50 = "50", course7 = v2006 ? "25" : "99";
        const QByteArray unknownDistance = v2006 ? "onb." : "200";
        const QByteArray nullPool = v2006 ? "50" : "0";
        const QByteArray shortTime = v2006 ? "00.00.40" : "00.00.43";
        EXPECT_EQ(run.file("tijden.csv"), ";;Gala;" + nullPool + ";vl;50;654321;" + shortTime +
                                              ";dis.;\r\n"
                                              "Leiden;2009-03-05;Kring;" +
                                              pool25 +
                                              ";vr;100;123456;01.05.43;st.est.;\r\n"
                                              "Den Haag;2009-06-01;Zomer;" +
                                              course7 +
                                              ";vl;50;111;12.34.21;split;\r\n"
                                              "Utrecht;2010-01-01;Later;" +
                                              pool50 + ";;" + unknownDistance + ";123456;;;\r\n");
        EXPECT_EQ(run.message(), QStringLiteral("Tijden: 6 records ..."))
            << "the count includes skipped results";
        EXPECT_TRUE(run.ui.programEnded());
    }
}

QString limitsFixture(const TempDir& dir) {
    const QString path = makeLimitsDatabase(dir);
    const QString meet = QStringLiteral("INSERT INTO wedstrijden VALUES (?, ?, ?, ?, ?, ?)");
    sqlExec(path, meet,
            {QStringLiteral("B2010"), QStringLiteral("2010-01-01"), QStringLiteral("2010-12-12"),
             QStringLiteral("Winter"), kNull, 25});
    sqlExec(path, meet,
            {QStringLiteral("A09"), QStringLiteral("2009-03-05"), QStringLiteral("2009-03-07"),
             kNull, kNull, 50});
    sqlExec(path, meet, {QStringLiteral("NUL"), kNull, kNull, kNull, kNull, kNull});
    sqlExec(path, meet,
            {QStringLiteral("LEEG"), QStringLiteral("2009-01-01"), QStringLiteral("2009-01-02"),
             kNull, kNull, 25});
    const QString limit = QStringLiteral("INSERT INTO limieten VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    sqlExec(path, limit,
            {QStringLiteral("B2010"), 100, QStringLiteral("vr"), QStringLiteral("m"), 2000, 2001,
             QStringLiteral("01.02.03"), kNull});
    sqlExec(path, limit,
            {QStringLiteral("A09"), 50, QStringLiteral("vl"), QStringLiteral("j"), 1998, 1999,
             QStringLiteral("00.30.00"), QStringLiteral("00.31.00")});
    sqlExec(path, limit,
            {QStringLiteral("NUL"), 1500, QStringLiteral("ss"), QStringLiteral("j"), 2005, kNull,
             QStringLiteral("20.00.00"), QStringLiteral("")});
    sqlExec(path, limit,
            {QStringLiteral("A09"), 200, QStringLiteral("wi"), QStringLiteral("m"), 1990, 1991,
             QStringLiteral("02.40.00"), QStringLiteral("02.35.00")});
    // A limit of no meet, as an older database may hold.
    sqlExec(path, QStringLiteral("INSERT INTO limieten VALUES ('WEES', 50, 'vr', 'j', 2000, 2000, "
                                 "'00.40.00', '00.40.00')"));
    const QString level = QStringLiteral("INSERT INTO niveaus VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    sqlExec(path, level,
            {100, QStringLiteral("vr"), QStringLiteral("j"), 25, QStringLiteral("A"), 10, 11,
             QStringLiteral("01.02.03")});
    sqlExec(path, level,
            {50, QStringLiteral("rug"), QStringLiteral("m"), 50, QStringLiteral("D "), kNull, 9,
             kNull});
    return path;
}

TEST(LimitsExports, WriteBothFilesByteForByteWithTheCountShown) {
    TempDir data;
    const QString limits = limitsFixture(data);
    {
        ExportRun run(QString(), QString(), limits, {false, true, false});
        run.press();
        EXPECT_EQ(run.files(), QStringList{QStringLiteral("limieten.csv")});
        // Grouped by meet; the limit of no meet is left out; nulls are empty fields.
        EXPECT_EQ(run.file("limieten.csv"),
                  QByteArray("A09;50;vl;j;1998;1999;00.30.00;00.31.00;2009-03-05;2009-03-07\r\n"
                             "A09;200;wi;m;1990;1991;02.40.00;02.35.00;2009-03-05;2009-03-07\r\n"
                             "B2010;100;vr;m;2000;2001;01.02.03;;2010-01-01;2010-12-12\r\n"
                             "NUL;1500;ss;j;2005;;20.00.00;;;\r\n"));
        EXPECT_EQ(run.message(), QStringLiteral("Limieten: 4 records ..."));
    }
    {
        ExportRun run(QString(), QString(), limits, {false, false, true});
        run.press();
        EXPECT_EQ(run.files(), QStringList{QStringLiteral("niveaus.csv")})
            << "only the ticked file";
        EXPECT_EQ(run.file("niveaus.csv"), QByteArray("100;vr;j;25;A;10;11;01.02.03\r\n"
                                                      "50;rug;m;50;D ;;9;\r\n"));
        EXPECT_EQ(run.message(), QStringLiteral("Niveaus: 2 records ..."));
    }
}

TEST(LimitsExports, AnEmptyTableGivesAnEmptyFileAndASecondRunOverwrites) {
    TempDir data;
    const QString limits = makeLimitsDatabase(data);
    ExportRun run(QString(), QString(), limits, {false, true, true});
    run.out.write(QStringLiteral("niveaus.csv"), "old line 1\r\nold line 2\r\n");
    run.press();
    EXPECT_EQ(run.files(),
              (QStringList{QStringLiteral("limieten.csv"), QStringLiteral("niveaus.csv")}));
    EXPECT_EQ(QFileInfo(run.out.file(QStringLiteral("niveaus.csv"))).size(), 0);
    EXPECT_EQ(QFileInfo(run.out.file(QStringLiteral("limieten.csv"))).size(), 0);
    EXPECT_EQ(run.message(), QStringLiteral("Niveaus: 0 records ..."));
}

// An older or foreign limits database that lacks a column: the run ends
// with the table and column named, and the old file stays.
TEST(LimitsExports, ATableWithoutAColumnIsRefusedWithItsName) {
    const struct {
        const char* alter;
        std::array<bool, 3> sets;
        const char* message;
    } cases[] = {
        {"ALTER TABLE limieten RENAME COLUMN gebjaar2 TO tot",
         {false, true, false},
         "Limieten: In %1 ontbreekt de kolom gebjaar2 in de tabel limieten."},
        {"ALTER TABLE niveaus DROP COLUMN tijd",
         {false, false, true},
         "Niveaus: In %1 ontbreekt de kolom tijd in de tabel niveaus."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.alter);
        TempDir data;
        const QString limits = limitsFixture(data);
        sqlExec(limits, QLatin1String(c.alter));
        ExportRun run(QString(), QString(), limits, c.sets);
        run.out.write(QStringLiteral("limieten.csv"), "oud\r\n");
        run.out.write(QStringLiteral("niveaus.csv"), "oud\r\n");
        run.press();
        EXPECT_TRUE(run.message().startsWith(QString::fromLatin1(c.message).arg(limits)))
            << run.message().toStdString();
        EXPECT_EQ(run.file("limieten.csv"), QByteArray("oud\r\n"));
        EXPECT_EQ(run.file("niveaus.csv"), QByteArray("oud\r\n"));
        EXPECT_FALSE(run.ui.programEnded());
    }
}

TEST(Exports, AFolderThatDoesNotExistLeavesAMessageAndNoFile) {
    TempDir data;
    ExportRun run(QString(), QString(), makeLimitsDatabase(data, true), {false, true, true});
    const QString missing = run.out.file(QStringLiteral("weg")) + QDir::separator();
    run.window.tbCSV->setText(missing);
    run.press();
    EXPECT_EQ(run.message(), QStringLiteral("De map ") +
                                 QDir::toNativeSeparators(run.out.file(QStringLiteral("weg"))) +
                                 QStringLiteral(" bestaat niet"));
    EXPECT_FALSE(run.ui.programEnded());
    EXPECT_FALSE(run.ui.waitCursor());
    EXPECT_TRUE(run.files().isEmpty());
}

TEST(Exports, AClubDatabaseDamagedMidTableFailsTheRunAndWritesNoFile) {
    TempDir data;
    const QString club = data.file(QStringLiteral("team2009.db"));
    ASSERT_TRUE(demo::writeClubDatabase(club, demo::ClubVariant::Tavrel2009, {2000, 3000}).ok());
    int leaf = 0;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("dbstat"));
        db.setDatabaseName(club);
        ASSERT_TRUE(db.open());
        QSqlQuery q(QStringLiteral("SELECT pageno FROM dbstat WHERE name = 'MEMBERS' AND "
                                   "pagetype = 'leaf' ORDER BY pageno"),
                    db);
        std::vector<int> leaves;
        while (q.next())
            leaves.push_back(q.value(0).toInt());
        ASSERT_GT(leaves.size(), 4u);
        leaf = leaves[leaves.size() / 2];
    }
    QSqlDatabase::removeDatabase(QStringLiteral("dbstat"));
    // The records of one page in the middle become garbage; the page's
    // header stays, so the count still sees every record.
    QFile file(club);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(qint64(leaf - 1) * 4096 + 2048);
    file.write(QByteArray(2040, '\xff'));
    file.close();

    ExportRun run(club, QStringLiteral("2009"), QString(), {true, false, false});
    run.press();
    EXPECT_EQ(run.message(), QStringLiteral("Zwemmers: Het bestand ") + club +
                                 QStringLiteral(" is beschadigd (tabel MEMBERS). Maak een nieuwe "
                                                "kopie van het bestand, uit het programma waar "
                                                "het vandaan komt, of gebruik een reservekopie."));
    EXPECT_FALSE(run.ui.programEnded());
    EXPECT_TRUE(run.files().isEmpty()) << "no short file put in place";
}

// The Jet twins of the demo databases, written by an independent Jet writer.
TEST(Exports, AJetDatabaseGivesTheFilesOfItsSqliteTwin) {
    auto lines = [](QByteArray bytes) {
        QList<QByteArray> l = bytes.split('\n');
        std::sort(l.begin(), l.end());
        return l;
    };
    struct Case {
        const char* jet;
        demo::ClubVariant variant;
    };
    const Case cases[] = {{"team2006.mdb", demo::ClubVariant::Tavrel2006},
                          {"team2009.mdb", demo::ClubVariant::Tavrel2009},
                          {"team2006-wide.mdb", demo::ClubVariant::Tavrel2006},
                          {"team2009-wide.mdb", demo::ClubVariant::Tavrel2009}};
    TempDir data;
    const QString limitsJet = QStringLiteral(TAVREL_TEST_DATA "/jet-club/limieten.mdb");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jet);
        const QString version = c.variant == demo::ClubVariant::Tavrel2006 ? QStringLiteral("2006")
                                                                           : QStringLiteral("2009");
        ExportRun fromJet(QStringLiteral(TAVREL_TEST_DATA "/jet-club/") + QLatin1String(c.jet),
                          version, limitsJet, {true, true, true});
        fromJet.press();
        ASSERT_TRUE(fromJet.ui.programEnded()) << fromJet.message().toStdString();
        ExportRun fromSqlite(makeClubDatabase(data, c.variant), version,
                             makeLimitsDatabase(data, true), {true, true, true});
        fromSqlite.press();
        ASSERT_TRUE(fromSqlite.ui.programEnded()) << fromSqlite.message().toStdString();
        EXPECT_EQ(fromJet.file("zwemmers.csv"), fromSqlite.file("zwemmers.csv"));
        EXPECT_EQ(fromJet.file("niveaus.csv"), fromSqlite.file("niveaus.csv"));
        // Rows that tie in the query's order may come in another order.
        EXPECT_EQ(lines(fromJet.file("tijden.csv")), lines(fromSqlite.file("tijden.csv")));
        EXPECT_EQ(lines(fromJet.file("limieten.csv")), lines(fromSqlite.file("limieten.csv")));
        EXPECT_FALSE(fromJet.file("tijden.csv").isEmpty());
    }
}

TEST(Exports, AFileOfTheOtherLayoutIsNamedBeforeAnyQuery) {
    TempDir data;
    const QString club = makeClubDatabase(data, demo::ClubVariant::Tavrel2009);
    // A 2009 database exported as 2006: said in plain words, with no
    // report of a refused query.
    ExportRun run(club, QStringLiteral("2006"), QString(), {true, false, false});
    run.press();
    EXPECT_TRUE(run.ui.messages().empty());
    EXPECT_EQ(run.message(),
              QStringLiteral("Dit bestand heeft de indeling van Tavrel 2009; kies Tavrel 2009."));
    EXPECT_FALSE(run.ui.programEnded());
    EXPECT_TRUE(run.files().isEmpty());
}

// The demo databases against files checked once against an independent
// rendering and kept with the tests.
TEST(Exports, DemoDatabasesGiveTheirKnownFiles) {
    const std::tuple<demo::ClubVariant, const char*> variants[] = {
        {demo::ClubVariant::Tavrel2006, "2006"}, {demo::ClubVariant::Tavrel2009, "2009"}};
    for (const auto& [variant, version] : variants) {
        SCOPED_TRACE(version);
        TempDir data;
        ExportRun run(makeClubDatabase(data, variant), QLatin1String(version),
                      makeLimitsDatabase(data, true), {true, true, true});
        run.press();
        const QString expected = QStringLiteral(TAVREL_TEST_DATA "/expected/");
        for (const char* name : {"zwemmers.csv", "tijden.csv", "limieten.csv", "niveaus.csv"}) {
            const bool club = name[0] == 'z' || name[0] == 't';
            QFile file(expected +
                       (club ? QStringLiteral("demo-") + QLatin1String(version)
                             : QStringLiteral("demo-limits")) +
                       QLatin1Char('/') + QLatin1String(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
            EXPECT_TRUE(run.file(name) == file.readAll())
                << name << " differs from " << file.fileName().toStdString();
        }
    }
}

} // namespace
