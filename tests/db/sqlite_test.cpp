#include "common/db/Cursor.h"
#include "common/db/Recordset.h"
#include "common/db/Transaction.h"
#include "support/Databases.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

TEST(Connect, RefusesFilesThatAreNoDatabaseWithOneReport) {
    TempDir dir;
    const QString text =
        dir.write(QStringLiteral("notes.mdb"), "Standard text, no database at all\n");
    const QString empty = dir.write(QStringLiteral("empty.mdb"), "");
    const QString truncatedJet =
        dir.write(QStringLiteral("cut.mdb"), QByteArray("\0\1\0\0Standard Jet DB\0", 20));
    QDir(dir.path()).mkdir(QStringLiteral("folder.mdb"));
    const QString paths[] = {text, empty, truncatedJet, dir.file(QStringLiteral("folder.mdb")),
                             dir.file(QStringLiteral("missing.mdb"))};
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        ScriptedUi ui;
        ui.answer(Answer::Ok);
        Connection c;
        EXPECT_FALSE(ConnectJetDB(path, c));
        EXPECT_FALSE(c.isOpen());
        ASSERT_EQ(ui.messages().size(), 1u);
        EXPECT_TRUE(
            ui.messages()[0].text.startsWith(QStringLiteral("Fout gevonden in: ConnectJetDB\r\n")));
        EXPECT_EQ(ui.messages()[0].title, QStringLiteral("Foutmelding!"));
    }
    EXPECT_EQ(dir.read(QStringLiteral("empty.mdb")), QByteArray())
        << "an empty file is never made a database";
}

TEST(Connect, OpensPathsWithSpacesAndSemicolons) {
    TempDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("Mijn data; 2009"));
    TempDir source;
    const QString made = makeLimitsDatabase(source, true);
    const QString path = dir.file(QStringLiteral("Mijn data; 2009/limieten.mdb"));
    ASSERT_TRUE(QFile::copy(made, path));
    ScriptedUi ui;
    Connection c;
    ASSERT_TRUE(ConnectJetDB(path, c));
    EXPECT_FALSE(c.isReadOnly());
    EXPECT_GT(OpenRecordSet(QStringLiteral("SELECT * FROM wedstrijden"), c).RecordCount(), 0);
}

TEST(Connect, ReportsADatabaseLockedByAnotherProgram) {
    TempDir dir;
    const QString path = makeLimitsDatabase(dir);
    // Another connection holds an exclusive lock, as a program that has the
    // file open for itself would.
    {
        QSqlDatabase other =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(path);
        ASSERT_TRUE(other.open());
        QSqlQuery lock(other);
        ASSERT_TRUE(lock.exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE")));
        ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));

        ScriptedUi ui;
        ui.answer(Answer::Ok);
        Connection c;
        EXPECT_FALSE(ConnectJetDB(path, c));
        ASSERT_EQ(ui.messages().size(), 1u);
        EXPECT_TRUE(
            ui.messages()[0].text.startsWith(QStringLiteral("Fout gevonden in: ConnectJetDB\r\n")));
        EXPECT_TRUE(ui.messages()[0].text.contains(QStringLiteral("door een ander programma")))
            << ui.messages()[0].text.toStdString();
        lock.exec(QStringLiteral("ROLLBACK"));
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
}

// Whether to try again is asked of SQLite's own code, never of the number
// the error report shows: the program's own numbers overlap SQLite's codes.
TEST(Connect, OnlySqlitesOwnCodeSaysTheDatabaseIsBusy) {
    const struct {
        ErrorInfo error;
        bool busy;
    } cases[] = {
        {{0, {}, {}, 5}, true},                             // SQLITE_BUSY
        {{0, {}, {}, 517}, true},                           // SQLITE_BUSY_SNAPSHOT
        {{0, {}, {}, 262}, true},                           // SQLITE_LOCKED_SHAREDCACHE
        {{ErrorNumber::InvalidArgument, {}, {}, 0}, false}, // the program's 5
        {{5, {}, {}, 19}, false},                           // SQLITE_CONSTRAINT
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error.Code);
        EXPECT_EQ(isBusy(c.error), c.busy);
    }
}

TEST(Statements, RefusalsSayWhyInDutchWithoutSql) {
    TempDir dir;
    const QString path = makeLimitsDatabase(dir, true);
    ScriptedUi ui;
    Connection c;
    ASSERT_TRUE(ConnectJetDB(path, c));
    const std::pair<const char*, const char*> cases[] = {
        {"INSERT INTO wedstrijden (code) VALUES ((SELECT code FROM wedstrijden LIMIT 1))",
         "die code bestaat al"},
        {"INSERT INTO wedstrijden (code) VALUES (NULL)", "een verplicht veld is leeg"},
        {"INSERT INTO limieten (wcode) VALUES ('BESTAAT NIET')",
         "het verwijst naar een wedstrijd die niet bestaat"},
    };
    for (const auto& [statement, reason] : cases) {
        SCOPED_TRACE(statement);
        const Result<void> done = c.Execute(QLatin1String(statement), {});
        ASSERT_FALSE(done.ok());
        EXPECT_EQ(done.why(),
                  QString(QStringLiteral("De opdracht is geweigerd: ") + QLatin1String(reason)));
        EXPECT_NE(done.error().Code, 0) << "SQLite's own code comes along";
    }
}

TEST(Recordset, CountsBeforeWalkingAndReadsFieldsByName) {
    TempDir dir;
    const QString path = makeLimitsDatabase(dir, true);
    const qint64 rows =
        sqlRows(path, QStringLiteral("SELECT count(*) FROM limieten")).first().first().toLongLong();
    ScriptedUi ui;
    Connection c;
    ASSERT_TRUE(ConnectJetDB(path, c));
    Recordset rs = OpenRecordSet(
        QStringLiteral("SELECT limieten.*, wedstrijden.datum1, wedstrijden.datum2 "
                       "FROM wedstrijden INNER JOIN limieten ON wedstrijden.code = limieten.wcode"),
        c);
    EXPECT_EQ(rs.RecordCount(), rows);
    EXPECT_EQ(rs.column(QStringLiteral("WCODE")), 0) << "names ignore letter case";
    EXPECT_EQ(rs.column(QStringLiteral("datum2")), 9);
    EXPECT_EQ(rs.column(QStringLiteral("nothing")), -1);
    qint64 walked = 0;
    for (; !rs.atEnd(); rs.MoveNext())
        ++walked;
    EXPECT_EQ(walked, rows);
    EXPECT_FALSE(rs[QStringLiteral("wcode")].isValid()) << "no values past the end";
}

TEST(Recordset, ARefusedQueryIsReportedOnceAndGivesAClosedResult) {
    TempDir dir;
    const QString path = makeLimitsDatabase(dir);
    ScriptedUi ui;
    ui.answer(Answer::Ok).answer(Answer::Ok);
    Connection c;
    ASSERT_TRUE(ConnectJetDB(path, c));
    for (const char* bad : {"SELECT * FROM nergens", "SELECT FROM WHERE"}) {
        Recordset rs = OpenRecordSet(QLatin1String(bad), c);
        EXPECT_FALSE(rs.isOpen());
        EXPECT_TRUE(rs.atEnd());
        rs.MoveNext(); // harmless on a closed result
        EXPECT_FALSE(rs.value(0).isValid());
    }
    ASSERT_EQ(ui.messages().size(), 2u);
    for (const auto& m : ui.messages())
        EXPECT_TRUE(m.text.startsWith(QStringLiteral("Fout gevonden in: OpenRecordSet\r\n")));
}

TEST(Statements, ValuesWithQuotesAreStoredAsTyped) {
    TempDir dir;
    const QString path = makeLimitsDatabase(dir);
    ScriptedUi ui;
    Connection c;
    ASSERT_TRUE(ConnectJetDB(path, c));
    const QString code = QStringLiteral("O'Brien's \"cup\"; DROP TABLE limieten; --");
    ASSERT_TRUE(
        c.Execute(QStringLiteral("INSERT INTO wedstrijden (code, datum1, datum2) VALUES (?, ?, ?)"),
                  {code, QStringLiteral("2009-03-05"), QStringLiteral("2009-03-07")}));
    ASSERT_TRUE(c.Execute(QStringLiteral("INSERT INTO limieten VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                          {code, 100, QStringLiteral("vr"), QStringLiteral("j"), 2000, 2001,
                           QStringLiteral("01'02.03"), kNull}));
    Recordset rs =
        OpenRecordSet(QStringLiteral("SELECT * FROM limieten WHERE wcode = ?"), c, {code});
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs[QStringLiteral("wcode")].toString(), code);
    EXPECT_EQ(rs[QStringLiteral("limiet25")].toString(), QStringLiteral("01'02.03"));
    EXPECT_TRUE(rs[QStringLiteral("limiet50")].isNull());
}

TEST(Statements, JetFormsAreTranslated) {
    EXPECT_EQ(toSqliteDialect(QStringLiteral("DELETE * FROM niveaus")),
              QStringLiteral("DELETE FROM niveaus"));
    EXPECT_EQ(toSqliteDialect(QStringLiteral("  delete  *  from wedstrijden WHERE code=?")),
              QStringLiteral("  delete from wedstrijden WHERE code=?"));
    EXPECT_EQ(toSqliteDialect(QStringLiteral("SELECT * FROM niveaus")),
              QStringLiteral("SELECT * FROM niveaus"));

    TempDir dir;
    const QString path = makeLimitsDatabase(dir, true);
    ScriptedUi ui;
    Connection c;
    ASSERT_TRUE(ConnectJetDB(path, c));
    ASSERT_TRUE(c.Execute(QStringLiteral("DELETE * FROM niveaus")));
    EXPECT_EQ(sqlRows(path, QStringLiteral("SELECT count(*) FROM niveaus")).first().first().toInt(),
              0);
}

TEST(LimitsSchema, ColumnOrderAndCascadesHold) {
    TempDir dir;
    const QString path = makeLimitsDatabase(dir, true);
    auto columns = [&](const char* table) {
        QStringList names;
        for (const auto& row :
             sqlRows(path, QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table))))
            names << row[1].toString();
        return names.join(QLatin1Char(','));
    };
    EXPECT_EQ(columns("limieten"),
              QStringLiteral("wcode,afstand,slag,geslacht,gebjaar1,gebjaar2,limiet25,limiet50"));
    EXPECT_EQ(columns("niveaus"),
              QStringLiteral("afstand,slag,geslacht,badlengte,niveau,leeftijd1,leeftijd2,tijd"));

    ScriptedUi ui;
    Connection c;
    ASSERT_TRUE(ConnectJetDB(path, c));
    auto limitsOf = [&](const char* code) {
        return OpenRecordSet(QStringLiteral("SELECT * FROM limieten WHERE wcode = ?"), c,
                             {QString::fromLatin1(code)})
            .RecordCount();
    };
    ASSERT_GT(limitsOf("DKJ2010"), 0);
    const qint64 kring = limitsOf("KRING2009");
    ASSERT_TRUE(c.Execute(QStringLiteral("UPDATE wedstrijden SET code = ? WHERE code = ?"),
                          {QStringLiteral("KRING2010"), QStringLiteral("KRING2009")}));
    EXPECT_EQ(limitsOf("KRING2010"), kring) << "a renamed meet keeps its limits";
    ASSERT_TRUE(c.Execute(QStringLiteral("DELETE * FROM wedstrijden WHERE code = ?"),
                          {QStringLiteral("DKJ2010")}));
    EXPECT_EQ(limitsOf("DKJ2010"), 0) << "deleting a meet deletes its limits";

    EXPECT_FALSE(c.Execute(QStringLiteral("INSERT INTO limieten (wcode) VALUES (?)"),
                           {QStringLiteral("GEEN")})
                     .ok())
        << "a limit needs its meet";
}

TEST(Transactions, RollBackRestoresEverything) {
    TempDir dir;
    const QString path = makeLimitsDatabase(dir, true);
    const auto before = sqlRows(path, QStringLiteral("SELECT * FROM niveaus"));
    ScriptedUi ui;
    Connection c;
    ASSERT_TRUE(ConnectJetDB(path, c));
    {
        Result<Transaction> transaction = Transaction::begin(c);
        ASSERT_TRUE(transaction.ok());
        ASSERT_TRUE(c.Execute(QStringLiteral("DELETE * FROM niveaus")).ok());
    } // not committed
    c.close();
    EXPECT_EQ(sqlRows(path, QStringLiteral("SELECT * FROM niveaus")), before);
}

} // namespace

namespace {

// A statement that would never end is stopped at the work limit, said in
// Dutch, through a recordset and through the exports' cursor alike.
TEST(Statements, WorkWithoutEndIsStoppedAtTheLimit) {
    TempDir dir;
    const QString path = makeLimitsDatabase(dir);
    const int limit = Connection::workLimitMs();
    Connection::setWorkLimitMs(300);
    const QString forever =
        QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 "
                       "FROM n) SELECT count(*) FROM n");
    {
        ScriptedUi ui;
        ui.answer(Answer::Ok);
        Connection c;
        ASSERT_TRUE(ConnectJetDB(path, c));
        QElapsedTimer clock;
        clock.start();
        Recordset rs = OpenRecordSet(forever, c);
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_FALSE(rs.isOpen());
        EXPECT_TRUE(ui.messages().back().text.contains(QStringLiteral("duurde langer dan")))
            << ui.messages().back().text.toStdString();
        // The connection works on afterwards.
        EXPECT_TRUE(c.Execute(QStringLiteral("DELETE FROM niveaus")));

        ui.answer(Answer::Ok);
        clock.restart();
        Cursor cursor = openCursor(QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL "
                                                  "SELECT x + 1 FROM n) SELECT x FROM n"),
                                   c);
        while (cursor.isOpen() && !cursor.atEnd())
            cursor.moveNext();
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_TRUE(!cursor.isOpen() || !cursor.whole());
    }
    Connection::setWorkLimitMs(limit);
}

} // namespace

namespace {

// A file of a SQLite this program does not know: said as such, not as a number.
TEST(Connect, AnUnknownSqliteFormatIsSaidInDutch) {
    TempDir dir;
    const QString path = makeLimitsDatabase(dir);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(44)); // the schema format number
    file.write(QByteArray("\0\0\0\x09", 4));
    file.close();
    ScriptedUi ui;
    ui.answer(Answer::Ok);
    Connection c;
    EXPECT_FALSE(ConnectJetDB(path, c));
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_TRUE(ui.messages()[0].text.contains(QStringLiteral("nieuwere versie van SQLite")))
        << ui.messages()[0].text.toStdString();
}

} // namespace
