#include "common/db/Cursor.h"
#include "support/Databases.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

// The count a cursor gives when it opens is the number of rows its walk
// then sees, whether a sort ran (counted in the same pass) or not (counted
// apart), and a value as the driver would give it.
TEST(Cursor, CountsWhatItWalksWithAndWithoutASort) {
    TempDir dir;
    const QString db = makeLimitsDatabase(dir, true);
    sqlExec(db, QStringLiteral("CREATE INDEX by_year ON limieten (gebjaar1)"));
    const QString queries[] = {
        QStringLiteral("SELECT * FROM limieten ORDER BY limiet25"),           // a sort
        QStringLiteral("SELECT * FROM limieten ORDER BY gebjaar1"),           // the index's order
        QStringLiteral("SELECT * FROM limieten"),                             // no order
        QStringLiteral("SELECT * FROM limieten ORDER BY gebjaar1, limiet25"), // sorted in blocks
        QStringLiteral("SELECT wcode, limiet25 FROM limieten WHERE afstand = ? ORDER BY limiet25"),
        QStringLiteral("SELECT * FROM limieten WHERE afstand = ? ORDER BY limiet25;"), // none
        QStringLiteral("SELECT DISTINCT slag FROM limieten ORDER BY slag"),
    };
    const QVariantList values[] = {{}, {}, {}, {}, {100}, {-7}, {}};
    ScriptedUi ui;
    Connection c;
    ASSERT_TRUE(ConnectJetDB(db, c));
    for (size_t i = 0; i < std::size(queries); ++i) {
        SCOPED_TRACE(queries[i].toStdString());
        QString counted = queries[i];
        counted.remove(QLatin1Char(';'));
        const qint64 expected =
            sqlRows(db, countStatement(counted), values[i]).first().first().toLongLong();
        Cursor rows = openCursor(queries[i], c, values[i]);
        ASSERT_TRUE(rows.isOpen());
        EXPECT_EQ(rows.recordCount(), expected);
        qint64 walked = 0;
        for (; !rows.atEnd(); rows.moveNext())
            ++walked;
        EXPECT_EQ(walked, expected);
        EXPECT_TRUE(rows.whole().ok()) << rows.whole().why().toStdString();
        EXPECT_GT(expected, i == 5 ? -1 : 0);
    }
    Cursor typed = openCursor(QStringLiteral("SELECT wcode, afstand, limiet50 FROM limieten "
                                             "WHERE limiet50 IS NULL ORDER BY wcode"),
                              c);
    ASSERT_FALSE(typed.atEnd());
    EXPECT_EQ(typed.column(QStringLiteral("AFSTAND")), 2) << "after the counting column";
    EXPECT_EQ(typed.type(2), SQLITE_INTEGER);
    EXPECT_EQ(typed.value(1).typeId(), QMetaType::QString);
    EXPECT_TRUE(typed.value(3).isNull() && typed.value(3).typeId() == QMetaType::QString);
}

TEST(Cursor, ARefusedQueryIsReportedOnceInDutch) {
    TempDir dir;
    const QString db = makeLimitsDatabase(dir);
    ScriptedUi ui;
    Connection c;
    ASSERT_TRUE(ConnectJetDB(db, c));
    ui.answer(Answer::Ok);
    const Cursor rows = openCursor(QStringLiteral("SELECT nergens FROM limieten ORDER BY 1"), c);
    EXPECT_FALSE(rows.isOpen());
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_TRUE(ui.messages()[0].text.contains(QStringLiteral("OpenRecordSet")));
    EXPECT_FALSE(ui.messages()[0].text.contains(QStringLiteral("no such")))
        << ui.messages()[0].text.toStdString();
}

} // namespace
