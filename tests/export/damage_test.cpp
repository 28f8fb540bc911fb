// SQLite club files damaged or built to run away, through the run: each is
// refused before a file is written, or gives the whole files; quickly and in
// bounded memory.
#include "DemoDatabases.h"
#include "ExportRun.h"
#include "support/Databases.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

using namespace tavrel;
using namespace tavrel::test;

namespace {

// The peak memory of this test program so far, in MiB (0 where unknown).
long peakMiB() {
#ifdef Q_OS_UNIX
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
#else
    return 0;
#endif
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// The leaf pages of a table, by dbstat.
std::vector<int> leaves(const QString& path, const char* table) {
    std::vector<int> pages;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("stat"));
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT pageno FROM dbstat WHERE name = ? AND pagetype = 'leaf' "
                                 "ORDER BY pageno"));
        q.addBindValue(QLatin1String(table));
        EXPECT_TRUE(q.exec());
        while (q.next())
            pages.push_back(q.value(0).toInt());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("stat"));
    return pages;
}

struct ClubDamage : ::testing::Test {
    TempDir data;
    QString pristine = data.file(QStringLiteral("pristine.db"));
    QByteArray swimmers, times; // as the whole file gives them

    void SetUp() override {
        ASSERT_TRUE(
            demo::writeClubDatabase(pristine, demo::ClubVariant::Tavrel2009, {300, 4000}).ok());
        ExportRun whole(pristine, QStringLiteral("2009"), QString(), {true, false, false});
        whole.press();
        ASSERT_TRUE(whole.ui.programEnded()) << whole.message().toStdString();
        swimmers = whole.file("zwemmers.csv");
        times = whole.file("tijden.csv");
        ASSERT_GT(times.count('\n'), 1000);
    }

    // Runs the club exports on bytes: refused with a message that says so,
    // or ended with both files whole. Never a short file reported as done.
    // A file that does not open at all is said in a box (answered).
    void expectRefusedOrWhole(const QByteArray& bytes, const char* says, bool box = false) {
        const QString club = data.write(QStringLiteral("club.db"), bytes);
        ExportRun run(club, QStringLiteral("2009"), QString(), {true, false, false});
        if (box)
            run.ui.answer(Answer::Ok);
        QElapsedTimer clock;
        clock.start();
        run.press();
        EXPECT_LT(clock.elapsed(), 20000);
        EXPECT_LT(peakMiB(), 300);
        if (run.ui.programEnded()) {
            EXPECT_EQ(run.file("zwemmers.csv"), swimmers);
            EXPECT_EQ(run.file("tijden.csv"), times);
            return;
        }
        const QString said =
            run.message() + (box ? QStringLiteral("\n") + run.ui.prompts().back().text : QString());
        EXPECT_TRUE(said.contains(QLatin1String(says))) << said.toStdString();
        EXPECT_FALSE(said.contains(QLatin1String("SELECT")) ||
                     said.contains(QLatin1String("fout ")))
            << said.toStdString();
        EXPECT_TRUE(run.files().isEmpty()) << "nothing written";
    }
};

TEST_F(ClubDamage, ACutOrZeroedFileIsRefusedOrReadWhole) {
    const QByteArray whole = bytesOf(pristine);
    for (qsizetype cut : {qsizetype(1), qsizetype(512), qsizetype(4095), whole.size() / 5}) {
        SCOPED_TRACE(cut);
        expectRefusedOrWhole(whole.left(whole.size() - cut), "onvolledig", true);
    }
    const std::vector<int> results = leaves(pristine, "RESULTS");
    const std::vector<int> members = leaves(pristine, "MEMBERS");
    ASSERT_GT(results.size(), 4u);
    for (int page : {results.front(), results[results.size() / 2], results.back(), members.front()})
        for (int at : {0, 512, 2048, 3584}) {
            SCOPED_TRACE(testing::Message() << "page " << page << " at " << at);
            QByteArray zeroed = whole;
            zeroed.replace(qsizetype(page - 1) * 4096 + at, 512, QByteArray(512, '\0'));
            expectRefusedOrWhole(zeroed, "beschadigd");
        }
}

// Files built to make the run take forever or grow without bound.
TEST_F(ClubDamage, RunawayFilesAreRefusedQuickly) {
    const struct {
        const char* name;
        const char* says;
        QStringList statements;
    } cases[] = {
        {"a recursive view for MEMBERS",
         "geen tabel maar een view",
         {QStringLiteral("ALTER TABLE MEMBERS RENAME TO OLDMEMBERS"),
          QStringLiteral("CREATE VIEW MEMBERS AS WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL "
                         "SELECT x + 1 FROM n) SELECT x AS MEMBERSID, x AS REGISTRATIONID, "
                         "'a' AS FIRSTNAME, NULL AS NAMEPREFIX, 'b' AS LASTNAME, 1 AS GENDER, "
                         "NULL AS BIRTHDATE, 'T' AS ACTIVE FROM n")}},
        {"every meet twice",
         "de sleutel MEETSID komt in MEETS meer dan eens voor",
         {QStringLiteral("CREATE TABLE TWICE AS SELECT * FROM MEETS"),
          QStringLiteral("INSERT INTO TWICE SELECT * FROM MEETS"),
          QStringLiteral("DROP TABLE MEETS"), QStringLiteral("ALTER TABLE TWICE RENAME TO MEETS")}},
        {"a place of 10 MB",
         "64 KiB",
         {QStringLiteral("UPDATE MEETS SET PLACE = hex(zeroblob(5 * 1024 * 1024)) WHERE "
                         "MEETSID = (SELECT min(MEETSID) FROM MEETS)")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString club = data.file(QStringLiteral("hostile.db"));
        QFile::remove(club);
        ASSERT_TRUE(QFile::copy(pristine, club));
        for (const QString& statement : c.statements)
            sqlExec(club, statement);
        ExportRun run(club, QStringLiteral("2009"), QString(), {true, false, false});
        QElapsedTimer clock;
        clock.start();
        run.press();
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_LT(peakMiB(), 300);
        EXPECT_FALSE(run.ui.programEnded());
        EXPECT_TRUE(run.message().contains(QLatin1String(c.says))) << run.message().toStdString();
        EXPECT_TRUE(run.files().isEmpty());
    }
}

// The same for a Jet club file: a meet's key written twice, as a damaged
// copy may hold it, is refused before the times could multiply.
TEST(JetClubDamage, AKeyThatRepeatsIsRefusedBeforeAnyFile) {
    QFile f(QStringLiteral(TAVREL_TEST_DATA "/jet-club/team2009.mdb"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    // The meets lie on page 41; each row starts with its column count, then MEETSID.
    constexpr int kPage = 4096, kMeetsPage = 41;
    const auto rowStart = [&](int row) {
        return kPage * kMeetsPage +
               (qFromLittleEndian<quint16>(bytes.constData() + kPage * kMeetsPage + 14 + 2 * row) &
                0x1fff);
    };
    ASSERT_EQ(qFromLittleEndian<qint32>(bytes.constData() + rowStart(1) + 2), 2);
    qToLittleEndian<qint32>(1, bytes.data() + rowStart(1) + 2);
    TempDir data;
    ExportRun run(data.write(QStringLiteral("team.mdb"), bytes), QStringLiteral("2009"), QString(),
                  {true, false, false});
    run.press();
    EXPECT_TRUE(run.message().contains(
        QStringLiteral("de sleutel MEETSID komt in MEETS meer dan eens voor")))
        << run.message().toStdString();
    EXPECT_TRUE(run.files().isEmpty());
}

} // namespace
