// Which layout a club file has, told from its columns before a run reads it.
#include "common/db/Connection.h"
#include "export/ClubLayoutCheck.h"
#include "support/Databases.h"
#include "support/TempDir.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <functional>
#include <list>

using namespace tavrel;
using namespace tavrel::test;

namespace {

QString jet(const char* name) {
    return QStringLiteral(TAVREL_TEST_DATA "/jet-club/") + QLatin1String(name);
}

// A SQLite club file changed by statement, to lose a table or a column.
QString changed(const TempDir& dir, demo::ClubVariant variant, const char* statement) {
    const QString path = makeClubDatabase(dir, variant);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("x"));
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        EXPECT_TRUE(QSqlQuery(db).exec(QLatin1String(statement))) << statement;
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("x"));
    return path;
}

TEST(ClubLayout, IsToldFromTheColumnsOfJetAndSqliteFiles) {
    std::list<TempDir> dirs; // a folder for each file
    auto dir = [&dirs]() -> const TempDir& { return dirs.emplace_back(); };
    struct Case {
        std::function<QString()> file;
        const char* version;
        const char* missing;
    };
    using V = demo::ClubVariant;
    const Case cases[] = {
        {[] { return jet("team2006.mdb"); }, "2006", ""},
        {[] { return jet("team2009.mdb"); }, "2009", ""},
        {[] { return jet("team2006-wide.mdb"); }, "2006", ""},
        {[] { return jet("team2009-wide.mdb"); }, "2009", ""},
        {[&] { return makeClubDatabase(dir(), V::Tavrel2006); }, "2006", ""},
        {[&] { return makeClubDatabase(dir(), V::Tavrel2009); }, "2009", ""},
        // The limits file chosen as the club's.
        {[] { return jet("limieten.mdb"); }, "", "de tabel MEMBERS"},
        // A lack named by the layout the file is nearest to.
        {[&] { return changed(dir(), V::Tavrel2009, "ALTER TABLE MEETS DROP COLUMN COURSE"); }, "",
         "de kolom COURSE in de tabel MEETS"},
        {[&] { return changed(dir(), V::Tavrel2006, "DROP TABLE STYLES"); }, "", "de tabel STYLES"},
        {[&] { return changed(dir(), V::Tavrel2009, "ALTER TABLE MEMBERS RENAME TO MEMBERS_OUD"); },
         "", "de tabel MEMBERS"},
    };
    for (const Case& c : cases) {
        const QString path = c.file();
        SCOPED_TRACE(path.toStdString());
        Connection club;
        const Result<void> opened = club.openQuietly(path);
        ASSERT_TRUE(opened.ok()) << opened.why().toStdString();
        const ClubLayoutFinding found = findClubLayout(club);
        EXPECT_EQ(found.version, QLatin1String(c.version));
        EXPECT_EQ(found.missing, QLatin1String(c.missing));
    }
}

TEST(ClubLayout, AWrongChoiceSaysWhichToChoose) {
    const ClubLayoutFinding v2006{QStringLiteral("2006"), {}};
    const ClubLayoutFinding neither{{}, QStringLiteral("de tabel MEMBERS")};
    EXPECT_TRUE(checkClubLayout(v2006, QStringLiteral("2006")).ok());
    EXPECT_EQ(checkClubLayout(v2006, QStringLiteral("2009")).why(),
              QStringLiteral("Dit bestand heeft de indeling van Tavrel 2006; kies Tavrel 2006."));
    EXPECT_EQ(checkClubLayout(neither, QStringLiteral("2009")).why(),
              QStringLiteral("Dit bestand heeft niet de indeling van Tavrel 2006 of Tavrel 2009: "
                             "de tabel MEMBERS ontbreekt. Kies met Zoek... het "
                             "Tavrel-databasebestand van de club."));
    EXPECT_TRUE(checkClubLayout({}, QStringLiteral("2009")).ok()) << "both layouts' columns";
}

} // namespace
