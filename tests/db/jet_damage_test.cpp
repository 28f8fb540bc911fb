// Jet club files damaged by hand, with knowledge of the page format: each is
// refused as damaged, naming the table, quickly, and never read in part.
#include "common/db/Connection.h"
#include "common/db/Recordset.h"
#include "common/jet/JetReader.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace tavrel;
using namespace tavrel::test;

namespace {

constexpr int kPage = 4096; // Jet 4

// A Jet 4 file's bytes, with the places the damage goes to.
struct JetBytes {
    QByteArray bytes;

    static JetBytes club() {
        QFile f(QStringLiteral(TAVREL_TEST_DATA "/jet-club/team2009.mdb"));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return {f.readAll()};
    }
    jet::Table table(const char* name) const {
        std::string error;
        auto file = jet::File::fromBytes(bytes.toStdString(), &error);
        jet::Table t;
        EXPECT_TRUE(file && file->table(name, &t, &error)) << error;
        return t;
    }
    int pages() const { return int(bytes.size() / kPage); }
    char* page(int n) { return bytes.data() + qsizetype(n) * kPage; }
    // The data pages that hold the rows of the table defined at definition.
    QList<int> dataPages(quint32 definition) const {
        QList<int> found;
        for (int n = 1; n < pages(); ++n) {
            const char* p = bytes.constData() + qsizetype(n) * kPage;
            if (p[0] == 0x01 && qFromLittleEndian<quint32>(p + 4) == definition)
                found << n;
        }
        return found;
    }
    // The bytes of a row on a page: [begin, end).
    std::pair<int, int> row(int pageNumber, int row) const {
        const char* p = bytes.constData() + qsizetype(pageNumber) * kPage;
        const auto offset = [&](int r) {
            return qFromLittleEndian<quint16>(p + 14 + 2 * r) & 0x1fff;
        };
        return {offset(row), row == 0 ? kPage : offset(row - 1)};
    }
};

// Reads table of the file at path as a run does; "" or what the report said.
QString refusal(const QString& path, const char* table, qint64* took) {
    ScriptedUi ui;
    ui.answer(Answer::Ok);
    QElapsedTimer clock;
    clock.start();
    Connection connection;
    if (ConnectJetDB(path, connection))
        OpenRecordSet(QStringLiteral("SELECT * FROM ") + QLatin1String(table), connection);
    *took = clock.elapsed();
    return ui.messages().empty() ? QString() : ui.messages().back().text;
}

// The refusal of table in a copy of club that damage has changed.
QString damagedRefusal(const JetBytes& club, const std::function<void(JetBytes&)>& damage,
                       const char* table, qint64* took) {
    TempDir dir;
    JetBytes damaged = club;
    damage(damaged);
    return refusal(dir.write(QStringLiteral("club.mdb"), damaged.bytes), table, took);
}

TEST(JetDamage, ATableIsReadWholeOrRefusedNamingIt) {
    const JetBytes club = JetBytes::club();
    const jet::Table results = club.table("RESULTS");
    const jet::Table members = club.table("MEMBERS");
    const jet::Table meets = club.table("MEETS");
    ASSERT_FALSE(club.dataPages(members.definitionPage).isEmpty());
    ASSERT_GT(results.rowCount, 0u);

    struct Case {
        const char* name;
        const char* table; // read, and named in the refusal
        const char* says;
        std::function<void(JetBytes&)> damage;
    };
    const Case cases[] = {
        {"the usage map zeroed", "RESULTS", "rijen zijn leesbaar",
         [&](JetBytes& b) {
             const auto [begin, end] =
                 b.row(int(results.usageRow >> 8), int(results.usageRow & 0xff));
             std::memset(b.page(int(results.usageRow >> 8)) + begin, 0, size_t(end - begin));
         }},
        {"a data page zeroed", "MEMBERS", "hoort niet bij de tabel",
         [&](JetBytes& b) {
             std::memset(b.page(b.dataPages(members.definitionPage).first()), 0, kPage);
         }},
        {"a data page given to another table", "MEMBERS", "hoort niet bij de tabel",
         [&](JetBytes& b) {
             qToLittleEndian<quint32>(meets.definitionPage,
                                      b.page(b.dataPages(members.definitionPage).first()) + 4);
         }},
        {"a data page of another type", "RESULTS", "hoort niet bij de tabel",
         [&](JetBytes& b) { b.page(b.dataPages(results.definitionPage).last())[0] = 0x02; }},
        {"a row deleted behind the count's back", "MEMBERS", "rijen zijn leesbaar",
         [&](JetBytes& b) {
             char* p = b.page(b.dataPages(members.definitionPage).first());
             p[14 + 1] = char(p[14 + 1] | 0x80);
         }},
        {"rows that all point at one row", "MEMBERS", "wijzen naar dezelfde",
         [&](JetBytes& b) {
             const int n = b.dataPages(members.definitionPage).first();
             char* p = b.page(n);
             for (int r = 1; r <= 3; ++r) {
                 p[14 + 2 * r + 1] = char(p[14 + 2 * r + 1] | 0x40);
                 qToLittleEndian<quint32>(quint32(n) << 8, p + b.row(n, r).first);
             }
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        qint64 took = 0;
        const QString said = damagedRefusal(club, c.damage, c.table, &took);
        EXPECT_TRUE(
            said.contains(QStringLiteral("beschadigd")) && said.contains(QLatin1String(c.says)) &&
            (said.contains(QLatin1String(c.table)) || said.contains(QLatin1String("tabel "))))
            << said.toStdString();
        EXPECT_LT(took, 5000);
    }
}

// Definitions and values no club program writes: refused with the column named.
TEST(JetDamage, ImpossibleColumnsAndDatesAreRefused) {
    const JetBytes club = JetBytes::club();
    const jet::Table meets = club.table("MEETS");
    int dateColumn = -1;
    for (size_t i = 0; i < meets.columns.size(); ++i)
        if (meets.columns[i].name == "MINDATE")
            dateColumn = int(i);
    ASSERT_GE(dateColumn, 0);
    const auto dateAt = [&](JetBytes& b) {
        const int n = b.dataPages(meets.definitionPage).first();
        return b.page(n) + b.row(n, 0).first + 2 + meets.columns[size_t(dateColumn)].fixedOffset;
    };
    // The first column entry of the definition: its type byte and number.
    const auto firstColumn = [&](JetBytes& b) {
        char* d = b.page(int(meets.definitionPage));
        const quint32 indexes = qFromLittleEndian<quint32>(d + 0x33);
        return d + 0x3f + indexes * 12;
    };
    struct Case {
        const char* name;
        const char* says;
        std::function<void(JetBytes&)> damage;
    };
    const Case cases[] = {
        {"a column of no known type", "onbekende soort",
         [&](JetBytes& b) { firstColumn(b)[0] = char(0x7f); }},
        {"two columns numbered alike", "dezelfde plaats",
         [&](JetBytes& b) {
             char* c = firstColumn(b);
             std::memcpy(c + 25 + 5, c + 5, 2);
         }},
        {"a date that is not a number", "geen datum",
         [&](JetBytes& b) {
             qToLittleEndian(std::numeric_limits<double>::quiet_NaN(), dateAt(b));
         }},
        {"an infinite date", "geen datum",
         [&](JetBytes& b) { qToLittleEndian(std::numeric_limits<double>::infinity(), dateAt(b)); }},
        {"a date in the year 30000", "geen datum",
         [&](JetBytes& b) { qToLittleEndian(1e7, dateAt(b)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        qint64 took = 0;
        const QString said = damagedRefusal(club, c.damage, "MEETS", &took);
        EXPECT_TRUE(said.contains(QStringLiteral("beschadigd")) &&
                    said.contains(QLatin1String(c.says)))
            << said.toStdString();
    }
}

// A usage map that names one empty map page a thousand times, in a row of a
// page of its own: opened at once, and the table refused as empty.
TEST(JetDamage, AMapThatNamesOnePageAThousandTimesIsReadOnce) {
    JetBytes club = JetBytes::club();
    const jet::Table results = club.table("RESULTS");
    const int rowPage = club.pages(), mapPage = club.pages() + 1;
    QByteArray rowPageBytes(kPage, '\0'), mapPageBytes(kPage, '\0');
    rowPageBytes[0] = 0x01;
    qToLittleEndian<quint16>(1, rowPageBytes.data() + 12);
    const int length = 1 + 4 * 1000;
    qToLittleEndian<quint16>(quint16(kPage - length), rowPageBytes.data() + 14);
    char* map = rowPageBytes.data() + kPage - length;
    map[0] = 1;
    for (int i = 0; i < 1000; ++i)
        qToLittleEndian<quint32>(quint32(mapPage), map + 1 + 4 * i);
    mapPageBytes[0] = 0x05;
    club.bytes += rowPageBytes + mapPageBytes;
    qToLittleEndian<quint32>(quint32(rowPage) << 8, club.page(int(results.definitionPage)) + 0x37);

    TempDir dir;
    qint64 took = 0;
    const QString said =
        refusal(dir.write(QStringLiteral("club.mdb"), club.bytes), "RESULTS", &took);
    EXPECT_TRUE(said.contains(QStringLiteral("0 van de %1 rijen").arg(results.rowCount)))
        << said.toStdString();
    EXPECT_LT(took, 2000);
}

#ifndef Q_OS_WIN
// A sparse file of 4 GiB whose RESULTS map claims every page: refused at the
// first page that is no page of the table, not read to its end.
TEST(JetDamage, AHugeSparseFileWhoseMapClaimsEveryPageIsRefusedQuickly) {
    JetBytes club = JetBytes::club();
    const jet::Table results = club.table("RESULTS");
    constexpr qint64 kSize = qint64(4) << 30;
    constexpr int kPerMap = (kPage - 4) * 8;
    const int maps = int(kSize / kPage / kPerMap) + 1;
    const int rowPage = club.pages();
    QByteArray tail(kPage * (1 + maps), '\0');
    char* row = tail.data();
    row[0] = 0x01;
    qToLittleEndian<quint16>(1, row + 12);
    const int length = 1 + 4 * maps;
    qToLittleEndian<quint16>(quint16(kPage - length), row + 14);
    char* map = row + kPage - length;
    map[0] = 1;
    for (int i = 0; i < maps; ++i) {
        qToLittleEndian<quint32>(quint32(rowPage + 1 + i), map + 1 + 4 * i);
        char* page = tail.data() + qsizetype(kPage) * (1 + i);
        page[0] = 0x05;
        std::memset(page + 4, 0xff, kPage - 4);
    }
    club.bytes += tail;
    qToLittleEndian<quint32>(quint32(rowPage) << 8, club.page(int(results.definitionPage)) + 0x37);

    TempDir dir;
    const QString path = dir.write(QStringLiteral("huge.mdb"), club.bytes);
    {
        QFile grow(path);
        ASSERT_TRUE(grow.open(QIODevice::ReadWrite));
        ASSERT_TRUE(grow.resize(kSize)); // sparse: nothing is written
    }
    qint64 took = 0;
    const QString said = refusal(path, "RESULTS", &took);
    EXPECT_TRUE(said.contains(QStringLiteral("beschadigd"))) << said.toStdString();
    EXPECT_LT(took, 5000);
}
#endif

} // namespace
