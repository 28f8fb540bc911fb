#include "editors/LimitsStore.h"

#include "common/db/Connection.h"
#include "support/Databases.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"
#include "support/Unchangeable.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tavrel;
using namespace tavrel::test;

namespace {

const QStringList kLimitColumns = {QStringLiteral("wcode"),    QStringLiteral("afstand"),
                                   QStringLiteral("slag"),     QStringLiteral("geslacht"),
                                   QStringLiteral("gebjaar1"), QStringLiteral("gebjaar2"),
                                   QStringLiteral("limiet25"), QStringLiteral("limiet50")};
const QStringList kLevelColumns = {QStringLiteral("afstand"),   QStringLiteral("slag"),
                                   QStringLiteral("geslacht"),  QStringLiteral("badlengte"),
                                   QStringLiteral("niveau"),    QStringLiteral("leeftijd1"),
                                   QStringLiteral("leeftijd2"), QStringLiteral("tijd")};

// This copy of the program's store, and another program on the same file.
struct LimitsStoreTest : ::testing::Test {
    ScriptedUi ui;
    TempDir dir;
    QString path = makeLimitsDatabase(dir);
    Connection mine, other;
    std::unique_ptr<LimitsStore> store;

    void SetUp() override {
        sqlExec(path, QStringLiteral("INSERT INTO wedstrijden VALUES "
                                     "('A1', '2008-02-29', '2010-12-12', 'Jeugd', NULL, 50), "
                                     "('B1', '2009-03-05', '2009-03-07', 'Kring', 'x', 25)"));
        sqlExec(path, QStringLiteral("INSERT INTO limieten VALUES "
                                     "('A1', 100, 'vr', 'm', 2000, 2001, '01.05.00', NULL), "
                                     "('A1', 100, 'vr', 'm', 2002, 2003, '01.10.00', NULL), "
                                     "('B1', 100, 'vr', 'm', 2000, 2001, '01.00.00', NULL)"));
        sqlExec(path, QStringLiteral("INSERT INTO niveaus VALUES "
                                     "(100, 'vr', 'j', 25, 'A', 10, 11, '01.10.00')"));
        ASSERT_TRUE(ConnectJetDB(path, mine));
        ASSERT_TRUE(ConnectJetDB(path, other));
        store = std::make_unique<LimitsStore>(mine);
    }
    void byOther(const QString& statement) { ASSERT_TRUE(other.Execute(statement)); }
    QList<QVariantList> all() {
        return sqlRows(path, QStringLiteral("SELECT * FROM wedstrijden ORDER BY code")) +
               sqlRows(path, QStringLiteral("SELECT * FROM limieten ORDER BY wcode, gebjaar1")) +
               sqlRows(path, QStringLiteral("SELECT * FROM niveaus ORDER BY leeftijd1"));
    }
    StoredRow limitRow(int gebjaar1) {
        LoadedRows loaded = store->loadRows({QStringLiteral("limieten"),
                                             QStringLiteral("wcode = 'A1' AND gebjaar1 = ?"),
                                             {gebjaar1},
                                             QStringLiteral("rowid")});
        EXPECT_EQ(loaded.rows.size(), 1u);
        return loaded.rows.empty() ? StoredRow{} : loaded.rows.front();
    }
    std::vector<QVariantList> meets() {
        std::vector<QVariantList> list;
        EXPECT_TRUE(store->loadMeets(list).ok());
        return list;
    }
};

// What this copy of the program loaded before another program changed the file.
struct Loaded {
    QVariantList meet; // A1
    StoredRow row;     // A1's limit for 2000
};
using Change = StoreResult (*)(LimitsStore&, const Loaded&);

StoreResult updateLimit(LimitsStore& s, const Loaded& l) {
    QVariantList values = l.row.values;
    values[6] = QStringLiteral("09.99.99");
    return s.updateRow(QStringLiteral("limieten"), kLimitColumns, l.row.rowid, l.row.values,
                       values);
}
StoreResult deleteLimit(LimitsStore& s, const Loaded& l) {
    return s.deleteRow(QStringLiteral("limieten"), kLimitColumns, l.row.rowid, l.row.values);
}
StoreResult insertLimit(LimitsStore& s, const Loaded&) {
    QVariantList values = {QStringLiteral("A1"),       200,  QStringLiteral("vr"),
                           QStringLiteral("m"),        1990, 1991,
                           QStringLiteral("02.00.00"), kNull};
    qint64 rowid = -1;
    return s.insertRow(QStringLiteral("limieten"), kLimitColumns, values, &rowid);
}
StoreResult updateMeet(LimitsStore& s, const Loaded& l) {
    QVariantList values = l.meet;
    values[3] = QStringLiteral("Jeugd 2010");
    return s.updateMeet(l.meet, values);
}
StoreResult deleteMeet(LimitsStore& s, const Loaded& l) {
    return s.deleteMeet(l.meet);
}
StoreResult shiftMeet(LimitsStore& s, const Loaded& l) {
    QVariantList shifted;
    return s.shiftYear(l.meet, 1, shifted);
}

// Each change of a row or meet that another program changed meanwhile is
// refused as what it is, and nothing of this copy's change is kept.
TEST_F(LimitsStoreTest, ChangesMadeElsewhereMeanwhileAreRefusedAsWhatTheyAre) {
    const struct {
        const char* meanwhile; // by the other program
        Change change;
        Outcome expected;
    } cases[] = {
        {"UPDATE limieten SET limiet50 = '1' WHERE gebjaar1 = 2000", updateLimit, Outcome::Stale},
        {"DELETE FROM limieten WHERE gebjaar1 = 2000", updateLimit, Outcome::Gone},
        {"UPDATE limieten SET limiet50 = '1' WHERE gebjaar1 = 2000", deleteLimit, Outcome::Stale},
        {"DELETE FROM limieten WHERE gebjaar1 = 2000", deleteLimit, Outcome::Gone},
        {"DELETE FROM wedstrijden WHERE code = 'A1'", insertLimit, Outcome::MeetGone},
        {"DELETE FROM wedstrijden WHERE code = 'A1'", updateLimit, Outcome::MeetGone},
        {"DELETE FROM wedstrijden WHERE code = 'A1'", deleteLimit, Outcome::MeetGone},
        {"UPDATE wedstrijden SET opmerking = 'van A' WHERE code = 'A1'", updateMeet,
         Outcome::Stale},
        {"UPDATE wedstrijden SET code = 'A2' WHERE code = 'A1'", updateMeet, Outcome::Gone},
        {"DELETE FROM wedstrijden WHERE code = 'A1'", updateMeet, Outcome::Gone},
        {"UPDATE wedstrijden SET opmerking = 'van A' WHERE code = 'A1'", deleteMeet,
         Outcome::Stale},
        {"INSERT INTO limieten VALUES ('A1', 50, 'vl', 'j', 1990, 1999, '00.30.00', NULL)",
         deleteMeet, Outcome::Stale},
        {"UPDATE limieten SET limiet25 = '01.04.00' WHERE wcode = 'A1' AND gebjaar1 = 2002",
         deleteMeet, Outcome::Stale},
        {"DELETE FROM wedstrijden WHERE code = 'A1'", deleteMeet, Outcome::Gone},
        {"UPDATE wedstrijden SET datum1 = '2008-03-01' WHERE code = 'A1'", shiftMeet,
         Outcome::Stale},
        {"UPDATE wedstrijden SET code = 'A2' WHERE code = 'A1'", shiftMeet, Outcome::Gone},
    };
    const QString pristine = dir.file(QStringLiteral("pristine.db"));
    mine.close();
    other.close();
    ASSERT_TRUE(QFile::copy(path, pristine));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.meanwhile);
        mine.close();
        other.close();
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(pristine, path));
        ASSERT_TRUE(ConnectJetDB(path, mine));
        ASSERT_TRUE(ConnectJetDB(path, other));
        store = std::make_unique<LimitsStore>(mine);
        const Loaded loaded{meets().front(), limitRow(2000)};
        byOther(QLatin1String(c.meanwhile));
        const auto before = all();
        const StoreResult result = c.change(*store, loaded);
        EXPECT_EQ(int(result.outcome), int(c.expected)) << result.error.Description.toStdString();
        EXPECT_EQ(all(), before) << "nothing of this copy's change is kept";
    }
}

// Without anyone else, each change goes through, and this copy's own
// changes to a meet's limits never make the meet look changed.
TEST_F(LimitsStoreTest, OwnChangesGoThroughAndKeepTheMeetDeletable) {
    Loaded loaded{meets().front(), limitRow(2000)};
    ASSERT_TRUE(updateLimit(*store, loaded).ok());
    loaded.row = limitRow(2000);
    EXPECT_EQ(loaded.row.values[6], QVariant(QStringLiteral("09.99.99")));
    ASSERT_TRUE(insertLimit(*store, loaded).ok());
    ASSERT_TRUE(deleteLimit(*store, loaded).ok());
    QVariantList shifted;
    ASSERT_TRUE(store->shiftYear(loaded.meet, -1, shifted).ok());
    EXPECT_EQ(shifted[1], QVariant(QStringLiteral("2007-02-28")));
    QVariantList renamed = shifted;
    renamed[0] = QStringLiteral("A9");
    ASSERT_TRUE(store->updateMeet(shifted, renamed).ok());
    EXPECT_EQ(sqlRows(path, QStringLiteral("SELECT gebjaar1 FROM limieten WHERE wcode = 'A9' "
                                           "ORDER BY gebjaar1")),
              (QList<QVariantList>{{1989}, {2001}}))
        << "the limits followed the shift and the new code";
    ASSERT_TRUE(store->deleteMeet(renamed).ok());
    EXPECT_TRUE(sqlRows(path, QStringLiteral("SELECT * FROM limieten WHERE wcode IN ('A1', 'A9')"))
                    .isEmpty());
    const QVariantList fresh = {QStringLiteral("N1"), kNull, kNull, kNull, kNull, 25};
    ASSERT_TRUE(store->insertMeet(fresh).ok());
    ASSERT_TRUE(store->deleteMeet(fresh).ok()) << "a meet made here is deletable at once";
}

TEST_F(LimitsStoreTest, ABusyDatabaseRefusesForNowAndTakesTheSameChangeLater) {
    const Loaded loaded{meets().front(), limitRow(2000)};
    const auto before = all();
    ASSERT_TRUE(other.Execute(QStringLiteral("BEGIN EXCLUSIVE")));
    const StoreResult busy = updateLimit(*store, loaded);
    EXPECT_EQ(int(busy.outcome), int(Outcome::Busy)) << busy.error.Description.toStdString();
    const LoadedRows read = store->loadRows(
        {QStringLiteral("niveaus"), QStringLiteral("1"), {}, QStringLiteral("rowid")});
    EXPECT_EQ(int(read.result.outcome), int(Outcome::Busy));
    ASSERT_TRUE(other.Execute(QStringLiteral("COMMIT")));
    EXPECT_EQ(all(), before);
    EXPECT_TRUE(updateLimit(*store, loaded).ok());
}

TEST_F(LimitsStoreTest, AShiftThatFailsHalfwayChangesNothing) {
    byOther(QStringLiteral("CREATE TRIGGER nee BEFORE UPDATE ON limieten WHEN NEW.gebjaar1 = 2003 "
                           "BEGIN SELECT RAISE(ABORT, 'nee'); END"));
    const auto before = all();
    QVariantList shifted;
    const StoreResult result = store->shiftYear(meets().front(), 1, shifted);
    EXPECT_EQ(int(result.outcome), int(Outcome::Refused));
    EXPECT_EQ(all(), before) << "not the dates, not the first birth years";
}

TEST_F(LimitsStoreTest, AMissingColumnIsNamedWithItsTableWhateverTheLetterCase) {
    EXPECT_TRUE(store
                    ->checkColumns({QStringLiteral("wedstrijden"), QStringLiteral("limieten"),
                                    QStringLiteral("niveaus")})
                    .ok());
    byOther(QStringLiteral("ALTER TABLE niveaus RENAME COLUMN leeftijd1 TO Leeftijd1"));
    byOther(QStringLiteral("ALTER TABLE limieten RENAME COLUMN gebjaar1 TO geboortejaar"));
    mine.close();
    ASSERT_TRUE(ConnectJetDB(path, mine));
    EXPECT_TRUE(store->checkColumns({QStringLiteral("niveaus")}).ok());
    const QString missing = store->checkColumns({QStringLiteral("limieten")}).why();
    EXPECT_TRUE(
        missing.contains(QStringLiteral("ontbreekt de kolom gebjaar1 in de tabel limieten")))
        << missing.toStdString();
}

TEST_F(LimitsStoreTest, AFileThatCannotBeChangedRefusesEveryChangeInDutch) {
    const Loaded loaded{meets().front(), limitRow(2000)};
    const auto before = all();
    mine.close();
    Unchangeable guard(path);
    if (!guard.works())
        GTEST_SKIP() << Unchangeable::whyNot();
    ASSERT_TRUE(ConnectJetDB(path, mine));
    for (Change change :
         {updateLimit, deleteLimit, insertLimit, updateMeet, deleteMeet, shiftMeet}) {
        const StoreResult result = change(*store, loaded);
        EXPECT_EQ(int(result.outcome), int(Outcome::Refused));
        EXPECT_TRUE(result.error.Description.contains(QStringLiteral("kan niet worden gewijzigd")))
            << result.error.Description.toStdString();
    }
    EXPECT_EQ(all(), before);
}

} // namespace
