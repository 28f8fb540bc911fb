// The times file comes in the order of its statement's ORDER BY on the meet
// date, which the export carries out itself: SQLite's comparison of every
// type and collation, ties in the order the results are stored, and the
// same order where there are too many dates to rank and the statement sorts.
#include "common/db/Connection.h"
#include "export/CsvFile.h"
#include "export/Exports.h"
#include "export/OrderedLines.h"
#include "support/Databases.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace tavrel;
using namespace tavrel::test;

namespace {

class Quiet final : public MessageArea {
public:
    void showMessage(const QString&) override {}
    void showProgress(const RunProgress&) override {}
};

// A club of the 2009 layout: meets made by the given statement and results
// that belong to the given meets, stored in that order, each of a member of
// its own numbered from 1001 up, so that a line tells which result it is.
QString club(const TempDir& dir, const QString& dateType, const QString& meets,
             const std::vector<int>& resultMeets) {
    const QString path = dir.file(QStringLiteral("club.db"));
    sqlExec(path, QStringLiteral("CREATE TABLE MEMBERS (MEMBERSID INTEGER PRIMARY KEY, "
                                 "REGISTRATIONID INTEGER, FIRSTNAME, NAMEPREFIX, LASTNAME, GENDER, "
                                 "BIRTHDATE, ACTIVE)"));
    sqlExec(path, QStringLiteral("CREATE TABLE MEETS (MEETSID INTEGER PRIMARY KEY, NAME, PLACE, "
                                 "MINDATE %1, COURSE)")
                      .arg(dateType));
    sqlExec(path, QStringLiteral("CREATE TABLE SWIMSTYLE (SWIMSTYLEID INTEGER PRIMARY KEY, "
                                 "DISTANCE, STROKE)"));
    sqlExec(path, QStringLiteral("CREATE TABLE RESULTS (RESULTSID INTEGER PRIMARY KEY, MEETSID, "
                                 "MEMBERSID, STYLESID, TOTALTIME, RESULTTYP)"));
    sqlExec(path, QStringLiteral("INSERT INTO SWIMSTYLE VALUES (1, 100, 1)"));
    sqlExec(path, meets);
    QStringList rows;
    for (size_t r = 0; r < resultMeets.size(); ++r)
        rows << QStringLiteral("(%1, %2)").arg(r + 1).arg(resultMeets[r]);
    sqlExec(path, QStringLiteral("WITH stored(id, meet) AS (VALUES %1) INSERT INTO MEMBERS "
                                 "SELECT id, 1000 + id, 'A', '', 'B', 1, '2000-01-01', 'T' FROM "
                                 "stored")
                      .arg(rows.join(QLatin1Char(','))));
    sqlExec(path, QStringLiteral("WITH stored(id, meet) AS (VALUES %1) INSERT INTO RESULTS "
                                 "SELECT id, meet, id, 1, 60000, 1 FROM stored")
                      .arg(rows.join(QLatin1Char(','))));
    return path;
}

// The members' numbers in the order the statement's own sort gives.
QStringList sortedBySqlite(const QString& path) {
    QStringList numbers;
    for (const QVariantList& row :
         sqlRows(path,
                 QStringLiteral("SELECT MEMBERS.REGISTRATIONID FROM SWIMSTYLE INNER JOIN (MEMBERS "
                                "INNER JOIN (MEETS INNER JOIN RESULTS ON MEETS.MEETSID = "
                                "RESULTS.MEETSID) ON MEMBERS.MEMBERSID = RESULTS.MEMBERSID) ON "
                                "SWIMSTYLE.SWIMSTYLEID = RESULTS.STYLESID ORDER BY MEETS.MINDATE")))
        numbers << row[0].toString();
    return numbers;
}

// The members' numbers in the order of the times file.
QStringList inTimesFile(const QString& path, const TempDir& out) {
    ScriptedUi ui;
    Quiet quiet;
    RunInput input;
    input.version = QStringLiteral("2009");
    Connection connection;
    EXPECT_TRUE(ConnectJetDB(path, connection));
    PhaseContext context{input, out.folder(), &connection, quiet};
    const auto times = makeTimesExport();
    EXPECT_TRUE(times->check(context).ok() && times->run(context));
    QStringList numbers;
    for (const QByteArray& line : out.read(QStringLiteral("tijden.csv")).split('\n'))
        if (!line.isEmpty())
            numbers << QString::fromLatin1(line.split(';').value(6));
    return numbers;
}

TEST(TimesOrder, IsThatOfTheStatementsSortForEveryKindOfDate) {
    std::vector<int> many(5000); // more dates than are ranked: the statement sorts
    for (int m = 0; m < 5000; ++m)
        many[size_t(m)] = 5000 - m;
    many.push_back(2); // a tie with the result of meet 2, stored after it
    const struct {
        const char* what;
        QString type;
        QString meets;
        std::vector<int> results;
    } cases[] = {
        {"meets of one date whose results are stored mixed",
         QStringLiteral("DATETIME"),
         QStringLiteral("INSERT INTO MEETS VALUES (1, 'W', 'P', '2009-03-05', 1), "
                        "(2, 'W', 'Q', '2009-03-05', 1), (3, 'W', 'P', '2008-01-01', 1)"),
         {1, 2, 3, 1, 2, 3, 2, 1}},
        {"numbers, texts, a null and a blob, with 1 and 1.0 equal",
         QString(),
         QStringLiteral("INSERT INTO MEETS VALUES (1, 'W', 'P', '2009-03-05', 1), "
                        "(2, 'W', 'P', 20090305, 1), (3, 'W', 'P', 1.0, 1), (4, 'W', 'P', 1, 1), "
                        "(5, 'W', 'P', NULL, 1), (6, 'W', 'P', x'01', 1), (7, 'W', 'P', '1', 1)"),
         {6, 1, 3, 2, 4, 5, 7, 4, 3}},
        {"texts equal but for their case, by the column's collation",
         QStringLiteral("TEXT COLLATE NOCASE"),
         QStringLiteral("INSERT INTO MEETS VALUES (1, 'W', 'P', 'b', 1), (2, 'W', 'P', 'A', 1), "
                        "(3, 'W', 'P', 'a', 1), (4, 'W', 'P', 'B', 1)"),
         {1, 2, 3, 4, 3, 2, 1}},
        {"more dates than are ranked", QStringLiteral("TEXT"),
         QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                        "5000) INSERT INTO MEETS SELECT i, 'W', 'P', printf('2000-%05d', 5001 - "
                        "i), 1 FROM n"),
         many},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir data, out;
        const QString path = club(data, c.type, c.meets, c.results);
        EXPECT_EQ(inTimesFile(path, out), sortedBySqlite(path));
    }
}

// Lines filed by rank leave by rank in the order they came, whether they
// stayed in memory or went through the temporary file, which leaves no
// trace in the folder.
TEST(OrderedLines, GivesTheStableOrderOfTheRanksInMemoryAndThroughItsFile) {
    std::mt19937 random(7);
    std::vector<std::pair<int, std::string>> lines;
    for (int i = 0; i < 3000; ++i)
        lines.emplace_back(int(random() % 17),
                           std::string(random() % 40, char('a' + i % 26)) + std::to_string(i));
    auto sorted = lines;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QByteArray expected;
    for (const auto& [rank, text] : sorted)
        expected += QByteArray::fromStdString(text) + "\r\n";
    for (const qsizetype bound : {qsizetype(1) << 20, qsizetype(100), qsizetype(1)}) {
        SCOPED_TRACE(bound);
        TempDir out;
        const QString target = out.file(QStringLiteral("tijden.csv"));
        CsvFile file(target);
        ASSERT_TRUE(file.open().ok());
        {
            OrderedLines ordered(17, target, bound);
            for (const auto& [rank, text] : lines) {
                std::string& held = ordered.pending(rank);
                const size_t start = held.size();
                held += text;
                ASSERT_TRUE(ordered.endLine(rank, start).ok());
            }
#ifndef Q_OS_WIN
            EXPECT_TRUE(QDir(out.path())
                            .entryList({QStringLiteral("*.volgorde")}, QDir::Files | QDir::Hidden)
                            .isEmpty())
                << "the lines filed in the temporary file have no name";
#endif
            ASSERT_TRUE(ordered.writeTo(file).ok());
        }
        ASSERT_TRUE(file.commit().ok());
        EXPECT_EQ(out.read(QStringLiteral("tijden.csv")), expected);
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("tijden.csv")});
    }
}

} // namespace
