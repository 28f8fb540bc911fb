#include "common/db/JetDates.h"
#include "common/db/JetFile.h"
#include "common/db/Recordset.h"
#include "support/Databases.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

QByteArray digest(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

struct Table1Row {
    const char* a;
    const char* b;
    qint64 c, d, e;
    double f;
    const char* g;
    double h;
    qint64 i; // yes/no: -1 or 0
};
const Table1Row kFirst = {"abcdefg", "hijklmnop",  2,   222, 333333333,
                          444.555,   "1974-09-21", 3.5, -1};
const Table1Row kSecond = {"a", "b", 0, 0, 0, 0.0, "1981-12-12", 0.0, 0};

void expectRow(const Recordset& rs, const Table1Row& row) {
    EXPECT_EQ(rs[QStringLiteral("A")], QVariant(QString::fromLatin1(row.a)));
    EXPECT_EQ(rs[QStringLiteral("B")], QVariant(QString::fromLatin1(row.b)));
    EXPECT_EQ(rs[QStringLiteral("C")].toLongLong(), row.c);
    EXPECT_EQ(rs[QStringLiteral("D")].toLongLong(), row.d);
    EXPECT_EQ(rs[QStringLiteral("E")].toLongLong(), row.e);
    EXPECT_DOUBLE_EQ(rs[QStringLiteral("F")].toDouble(), row.f);
    EXPECT_EQ(rs[QStringLiteral("G")].toString(), QString::fromLatin1(row.g));
    EXPECT_DOUBLE_EQ(rs[QStringLiteral("H")].toDouble(), row.h);
    EXPECT_EQ(rs[QStringLiteral("I")].toLongLong(), row.i);
}

class JetSamples : public ::testing::TestWithParam<const char*> {};

TEST_P(JetSamples, Table1HoldsTheKnownValues) {
    ScriptedUi ui;
    Connection c;
    ASSERT_TRUE(ConnectJetDB(jetSample(QString::fromLatin1(GetParam())), c));
    EXPECT_TRUE(c.isReadOnly());
    Recordset rs = OpenRecordSet(QStringLiteral("SELECT * FROM table1"), c);
    ASSERT_TRUE(rs.isOpen());
    EXPECT_EQ(rs.RecordCount(), 2) << "exact before walking";
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(rs.column(QString(QChar(u'A' + i))), i) << "the columns in the file's order";
    // The Jet 3 file keeps its rows in the other order.
    const bool reversed = QByteArray(GetParam()).startsWith("V1997");
    expectRow(rs, reversed ? kSecond : kFirst);
    rs.MoveNext();
    expectRow(rs, reversed ? kFirst : kSecond);
    rs.MoveNext();
    EXPECT_TRUE(rs.atEnd());

    for (const char* empty : {"Table2", "Table3", "Table4"}) {
        Recordset none = OpenRecordSet(QStringLiteral("SELECT * FROM ") + QLatin1String(empty), c);
        EXPECT_TRUE(none.isOpen()) << empty;
        EXPECT_EQ(none.RecordCount(), 0) << empty;
        EXPECT_TRUE(none.atEnd()) << empty;
    }
    EXPECT_TRUE(ui.prompts().empty());
}

INSTANTIATE_TEST_SUITE_P(AllFormats, JetSamples,
                         ::testing::Values("V1997-test.mdb", "V2000-test.mdb", "V2003-test.mdb"));

TEST(JetFile, ReadsMemoAndNumericColumns) {
    ScriptedUi ui;
    Connection c;
    ASSERT_TRUE(ConnectJetDB(jetSample(QStringLiteral("V2003-numeric.mdb")), c));
    Recordset rs = OpenRecordSet(QStringLiteral("SELECT * FROM test"), c);
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs[QStringLiteral("col1")], QVariant(QStringLiteral("some data")));
    const std::pair<const char*, int> numbers[] = {{"col2", 1}, {"col3", 0},  {"col4", 0},
                                                   {"col5", 4}, {"col6", -1}, {"col7", 1}};
    for (const auto& [column, value] : numbers)
        EXPECT_EQ(rs[QLatin1String(column)].toInt(), value) << column;
}

TEST(JetFile, AnEmptyDatabaseOpensAndRefusesQueriesOnMissingTables) {
    ScriptedUi ui;
    ui.answer(Answer::Ok);
    Connection c;
    ASSERT_TRUE(ConnectJetDB(jetSample(QStringLiteral("V2003-empty.mdb")), c));
    Recordset rs = OpenRecordSet(QStringLiteral("SELECT * FROM MEMBERS"), c);
    EXPECT_FALSE(rs.isOpen());
    EXPECT_TRUE(rs.atEnd());
    EXPECT_EQ(rs.RecordCount(), 0);
    ASSERT_EQ(ui.messages().size(), 1u) << "reported once";
    EXPECT_TRUE(
        ui.messages()[0].text.startsWith(QStringLiteral("Fout gevonden in: OpenRecordSet\r\n")));
}

TEST(JetFile, RefusesEveryChangeAndLeavesTheFileAsItWas) {
    TempDir dir;
    const QString copy = copyJetSample(dir, QStringLiteral("V2003-test.mdb"));
    const QByteArray before = digest(copy);
    ScriptedUi ui;
    Connection c;
    ASSERT_TRUE(ConnectJetDB(copy, c));
    const QString statements[] = {
        QStringLiteral("DELETE * FROM Table1"),
        QStringLiteral("INSERT INTO Table1 (A) VALUES (?)"),
        QStringLiteral("UPDATE Table1 SET B = ?"),
        QStringLiteral("CREATE TABLE extra (x TEXT)"),
    };
    for (const QString& s : statements) {
        const QVariantList values =
            s.contains(QLatin1Char('?')) ? QVariantList{QStringLiteral("x")} : QVariantList{};
        const Result<void> done = c.Execute(s, values);
        ASSERT_FALSE(done.ok()) << s.toStdString();
        const ErrorInfo& error = done.error();
        EXPECT_EQ(error.Number, ErrorNumber::ReadOnlyDatabase) << s.toStdString();
        EXPECT_TRUE(error.Description.contains(copy)) << error.Description.toStdString();
        EXPECT_TRUE(error.Description.contains(QStringLiteral("alleen gelezen")))
            << error.Description.toStdString();
    }
    EXPECT_EQ(OpenRecordSet(QStringLiteral("SELECT * FROM Table1"), c).RecordCount(), 2);
    c.close();
    EXPECT_EQ(digest(copy), before);
}

TEST(JetFile, DatesCountDaysFrom1899December30) {
    EXPECT_EQ(jetDateText(0), QStringLiteral("1899-12-30"));
    EXPECT_EQ(jetDateText(39877), QStringLiteral("2009-03-05"));
    EXPECT_EQ(jetDateText(39877.5), QStringLiteral("2009-03-05 12:00:00"));
    EXPECT_EQ(jetDateText(-1.25), QStringLiteral("1899-12-29 06:00:00")) << "before 1900";
    EXPECT_EQ(jetDateText(-36522), QStringLiteral("1800-01-01"));
    EXPECT_EQ(jetDateText(39877.999999999), QStringLiteral("2009-03-06"))
        << "rounds into the next day";
}

} // namespace

namespace {

TEST(JetFile, AWrongOrDamagedFileIsNamedInPlainDutch) {
    TempDir dir;
    QByteArray sample;
    {
        QFile f(QStringLiteral(TAVREL_TEST_DATA "/jet-club/team2009.mdb"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        sample = f.readAll();
    }
    QByteArray ace = sample;
    ace.replace(4, 15, "Standard ACE DB");
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* says;
    };
    const Case cases[] = {
        {"deels.mdb", sample.left(sample.size() * 8 / 10), "is beschadigd of onvolledig"},
        {"head.mdb", sample.left(3000), "is beschadigd of onvolledig"},
        {"nieuw.accdb", ace, "(.accdb)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedUi ui;
        ui.answer(Answer::Ok);
        Connection connection;
        const QString path = dir.write(QLatin1String(c.name), c.bytes);
        // A cut file may still open: then reading its tables fails.
        if (ConnectJetDB(path, connection)) {
            OpenRecordSet(QStringLiteral("SELECT * FROM RESULTS"), connection);
        }
        ASSERT_FALSE(ui.messages().empty());
        const QString text = ui.messages().back().text;
        EXPECT_TRUE(text.contains(QLatin1String(c.says))) << text.toStdString();
        EXPECT_FALSE(text.contains(QLatin1String("SELECT"))) << text.toStdString();
    }
}

TEST(JetFile, AMissingTableOrColumnIsNamed) {
    const std::pair<const char*, const char*> cases[] = {
        {"SELECT * FROM MEMBERS", "ontbreekt de tabel MEMBERS. Misschien is dit geen Tavrel- of "
                                  "limietendatabase."},
        {"SELECT GENDER FROM Table1", "ontbreekt de kolom GENDER. Misschien is de verkeerde versie "
                                      "gekozen"},
    };
    for (const auto& [query, says] : cases) {
        SCOPED_TRACE(query);
        ScriptedUi ui;
        ui.answer(Answer::Ok);
        Connection c;
        ASSERT_TRUE(ConnectJetDB(jetSample(QStringLiteral("V2003-test.mdb")), c));
        EXPECT_FALSE(OpenRecordSet(QLatin1String(query), c).isOpen());
        ASSERT_EQ(ui.messages().size(), 1u);
        EXPECT_TRUE(ui.messages()[0].text.contains(QLatin1String(says)))
            << ui.messages()[0].text.toStdString();
    }
}

} // namespace

namespace {

TEST(JetFile, CopiesOnlyTheColumnsStatementsReadAndMoreWhenNeeded) {
    ScriptedUi ui;
    Connection c;
    ASSERT_TRUE(ConnectJetDB(jetSample(QStringLiteral("V2003-test.mdb")), c));
    auto copied = [&c] {
        QStringList names;
        QSqlQuery q(QStringLiteral("PRAGMA table_info(Table1)"), c.database());
        while (q.next())
            names << q.value(1).toString();
        return names;
    };
    // A count needs no column: the first keeps the table in being.
    const std::pair<const char*, QStringList> steps[] = {
        {"SELECT COUNT(*) FROM Table1", {QStringLiteral("A")}},
        {"SELECT [C] FROM Table1 ORDER BY B", {QStringLiteral("B"), QStringLiteral("C")}},
        {"SELECT t.* FROM Table1 AS t",
         {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"),
          QStringLiteral("E"), QStringLiteral("F"), QStringLiteral("G"), QStringLiteral("H"),
          QStringLiteral("I")}},
    };
    for (const auto& [statement, columns] : steps) {
        SCOPED_TRACE(statement);
        Recordset rs = OpenRecordSet(QLatin1String(statement), c);
        ASSERT_TRUE(rs.isOpen());
        EXPECT_TRUE(rs.whole().ok());
        EXPECT_EQ(copied(), columns);
    }
}

} // namespace

namespace {

// The meets of the Jet club file lie on one data page; each row starts with
// its column count, then MEETSID, and ends with its null mask.
constexpr int kPage = 4096, kMeetsPage = 41;

int rowStart(const QByteArray& file, int row) {
    const int at = kPage * kMeetsPage + 14 + 2 * row;
    return kPage * kMeetsPage + (qFromLittleEndian<quint16>(file.constData() + at) & 0x1fff);
}

TEST(JetFile, AKeyThatRepeatsOrIsNullStillCopiesEveryRow) {
    QByteArray sample;
    {
        QFile f(QStringLiteral(TAVREL_TEST_DATA "/jet-club/team2009.mdb"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        sample = f.readAll();
    }
    // The page really holds the meets, in order: 1, 2, ...
    ASSERT_EQ(qFromLittleEndian<qint32>(sample.constData() + rowStart(sample, 1) + 2), 2);
    QByteArray repeated = sample;
    qToLittleEndian<qint32>(1, repeated.data() + rowStart(repeated, 1) + 2);
    QByteArray null = sample;
    null[rowStart(null, 0) - 1] = char(null[rowStart(null, 0) - 1] & ~1); // the second row's end

    const struct {
        const char* name;
        QByteArray bytes;
        const char* ids; // MEETSID of the first three rows
    } cases[] = {{"repeated.mdb", repeated, "1,1,3"}, {"null.mdb", null, "1,,3"}};
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedUi ui;
        Connection connection;
        ASSERT_TRUE(ConnectJetDB(dir.write(QLatin1String(c.name), c.bytes), connection));
        Recordset rs = OpenRecordSet(QStringLiteral("SELECT MEETSID, NAME FROM MEETS"), connection);
        ASSERT_TRUE(rs.isOpen());
        EXPECT_EQ(rs.RecordCount(), 24);
        QStringList ids;
        for (int i = 0; i < 3 && !rs.atEnd(); ++i, rs.MoveNext())
            ids << rs[QStringLiteral("MEETSID")].toString();
        EXPECT_EQ(ids.join(QLatin1Char(',')), QLatin1String(c.ids));
        // The join on the key still finds the results of the unchanged meets.
        Recordset joined =
            OpenRecordSet(QStringLiteral("SELECT COUNT(*) AS n FROM MEETS INNER JOIN RESULTS ON "
                                         "MEETS.MEETSID = RESULTS.MEETSID WHERE MEETS.MEETSID = 3"),
                          connection);
        ASSERT_TRUE(joined.isOpen());
        EXPECT_GT(joined[QStringLiteral("n")].toLongLong(), 0);
        EXPECT_TRUE(ui.messages().empty());
    }
}

} // namespace

namespace {

// A club's folder may carry a member's name from any language: outside the
// Windows ANSI code page the file still opens, by its wide name there.
TEST(JetFile, OpensUnderANameOutsideTheAnsiCodePage) {
    TempDir dir;
    const QString folder = dir.file(QStringLiteral("Łódź Ağaoğlu ΔΣ"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString copy = folder + QStringLiteral("/team ő.mdb");
    ASSERT_TRUE(QFile::copy(jetSample(QStringLiteral("V2003-test.mdb")), copy));
    ScriptedUi ui;
    Connection c;
    ASSERT_TRUE(ConnectJetDB(QDir::toNativeSeparators(copy), c));
    EXPECT_GT(OpenRecordSet(QStringLiteral("SELECT * FROM table1"), c).RecordCount(), 0);
}

} // namespace
