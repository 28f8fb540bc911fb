// The Jet reader against an independent reader: every table of every file of
// tests/data/jet-corpus, value by value, compared with the dumps in ref/.
#include "common/db/JetDates.h"
#include "common/jet/JetReader.h"
#include "common/jet/JetValues.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>

using namespace tavrel;

namespace {

const QString kCorpus = QStringLiteral(TAVREL_TEST_DATA "/jet-corpus");

// A value in the reference's form.
QJsonValue asReference(const jet::Value& v, bool yesNo) {
    using K = jet::Value::Kind;
    auto one = [](const char* key, const QJsonValue& value) {
        return QJsonObject{{QLatin1String(key), value}};
    };
    switch (v.kind) {
    case K::Null:
        return QJsonValue::Null;
    case K::Integer:
        return yesNo ? one("bool", v.integer != 0) : one("num", double(v.integer));
    case K::Real:
        return one("num", v.real);
    case K::Date:
        return one("date", jetDateText(v.real));
    case K::Text:
    case K::Decimal:
        return one("str", QString::fromStdString(v.bytes));
    case K::Bytes:
        return one("hex", QString::fromLatin1(QByteArray::fromStdString(v.bytes).toHex()));
    }
    return {};
}

QStringList compact(const QJsonArray& rows) {
    QStringList out;
    for (const QJsonValue& r : rows)
        out << QString::fromUtf8(QJsonDocument(r.toArray()).toJson(QJsonDocument::Compact));
    return out;
}

TEST(JetReader, ReadsEveryTableOfTheCorpusAsTheReferenceDoes) {
    const QStringList dumps =
        QDir(kCorpus + QStringLiteral("/ref")).entryList({QStringLiteral("*.jsonl")});
    ASSERT_EQ(dumps.size(), 47);
    int tables = 0;
    for (const QString& dump : dumps) {
        QFile f(kCorpus + QStringLiteral("/ref/") + dump);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray content = f.readAll();
        const QString path =
            kCorpus + QStringLiteral("/files/") + QString(dump).remove(QStringLiteral(".jsonl"));
        std::string error;
        auto file = jet::File::open(QFile::encodeName(path).toStdString(), &error);
        ASSERT_TRUE(file) << dump.toStdString() << ": " << error;
        for (const QByteArray& line : content.split('\n')) {
            if (line.trimmed().isEmpty())
                continue;
            const QJsonObject ref = QJsonDocument::fromJson(line).object();
            const QString name = ref.value(QStringLiteral("table")).toString();
            SCOPED_TRACE(QString(dump + QLatin1Char(' ') + name).toStdString());
            jet::Table table;
            ASSERT_TRUE(file->table(name.toStdString(), &table, &error)) << error;
            ++tables;
            const QJsonArray columns = ref.value(QStringLiteral("columns")).toArray();
            std::vector<int> wanted;
            for (const QJsonValue& c : columns) {
                const std::string cname = c.toArray().at(0).toString().toStdString();
                int found = -1;
                for (std::size_t i = 0; i < table.columns.size(); ++i)
                    if (table.columns[i].name == cname)
                        found = int(i);
                ASSERT_GE(found, 0) << "no column " << cname;
                wanted.push_back(found);
            }
            QJsonArray got;
            ASSERT_TRUE(file->readRows(
                table, wanted,
                [&](const std::vector<jet::Value>& row) {
                    QJsonArray values;
                    for (std::size_t c = 0; c < row.size(); ++c)
                        values.append(asReference(
                            row[c], table.columns[std::size_t(wanted[c])].type == jet::Type::Bool));
                    got.append(values);
                    return true;
                },
                &error))
                << error;
            const QStringList expected = compact(ref.value(QStringLiteral("rows")).toArray());
            QStringList have = compact(got);
            // A row that an update moved to another page: the reference lists
            // it where it stands now, this reader where it was stored first,
            // as Access does. Every other table comes in the same order.
            if (have != expected && dump.contains(QStringLiteral("overflowTest"))) {
                have.sort();
                QStringList sorted = expected;
                sorted.sort();
                EXPECT_EQ(have, sorted);
            } else {
                EXPECT_EQ(have, expected);
            }
        }
    }
    EXPECT_EQ(tables, 105);
}

} // namespace

namespace {

QByteArray corpusFile(const char* name) {
    QFile f(kCorpus + QStringLiteral("/files/") + QLatin1String(name));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Opens bytes and reads every column of every table; the reason on failure.
std::string readAll(const QByteArray& bytes) {
    std::string error;
    auto file = jet::File::fromBytes(bytes.toStdString(), &error);
    if (!file)
        return error;
    for (const std::string& name : file->tableNames()) {
        jet::Table table;
        if (!file->table(name, &table, &error))
            return error;
        std::vector<int> all(table.columns.size());
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i] = int(i);
        if (!file->readRows(
                table, all, [](const std::vector<jet::Value>&) { return true; }, &error))
            return error;
    }
    return {};
}

TEST(JetReader, ADamagedOrTruncatedFileGivesAReasonNeverAHang) {
    struct Damage {
        const char* what;
        std::function<void(QByteArray&, quint32 seed)> apply;
    };
    const Damage damages[] = {
        {"cut to 80 %", [](QByteArray& b, quint32) { b.truncate(b.size() * 8 / 10); }},
        {"cut to 3 pages and a bit", [](QByteArray& b, quint32) { b.truncate(3 * 4096 + 100); }},
        {"cut inside the header", [](QByteArray& b, quint32) { b.truncate(30); }},
        {"catalog scrambled",
         [](QByteArray& b, quint32 seed) {
             const qsizetype page = b.at(0x14) == 0 ? 2048 : 4096;
             for (qsizetype i = 2 * page + 8; i < 3 * page && i < b.size(); i += 1 + seed % 7)
                 b[i] = char(b[i] ^ char(seed + i));
         }},
        {"bytes flipped everywhere",
         [](QByteArray& b, quint32 seed) {
             std::uint32_t x = seed * 2654435761u + 1;
             for (int n = 0; n < 400; ++n) {
                 x ^= x << 13, x ^= x >> 17, x ^= x << 5;
                 const qsizetype at = qsizetype(x % std::uint32_t(b.size() - 0x100)) + 0x100;
                 b[at] = char(x >> 24);
             }
         }},
        {"page chains pointing at themselves",
         [](QByteArray& b, quint32) {
             const qsizetype page = b.at(0x14) == 0 ? 2048 : 4096;
             for (qsizetype p = 3 * page; p + page <= b.size(); p += page) {
                 const quint32 self = quint32(p / page);
                 if (b.at(p) == 0x02) // a table definition continues on itself
                     std::memcpy(b.data() + p + 4, &self, 4);
             }
         }},
    };
    const char* files[] = {
        "jackcess--V1997_test2V1997.mdb", "jackcess--V2000_overflowTestV2000.mdb",
        "jackcess--V2003_bigIndexTestV2003.mdb", "mdbreader--data_V2003_test.mdb"};
    for (const char* name : files) {
        const QByteArray original = corpusFile(name);
        ASSERT_FALSE(original.isEmpty()) << name;
        ASSERT_EQ(readAll(original), std::string()) << name;
        for (const Damage& d : damages) {
            for (quint32 seed = 1; seed <= 20; ++seed) {
                SCOPED_TRACE(std::string(name) + ", " + d.what + ", seed " + std::to_string(seed));
                QByteArray bytes = original;
                d.apply(bytes, seed);
                const std::string why = readAll(bytes); // may also read what is left
                if (!why.empty()) {
                    EXPECT_TRUE(why.find("beschadigd") != std::string::npos ||
                                why.find("geen Jet-database") != std::string::npos ||
                                why.find("versleuteld") != std::string::npos ||
                                why.find("Access-bestand") != std::string::npos)
                        << why;
                }
            }
        }
    }
}

TEST(JetReader, DecimalsCurrencyAndGuidsKeepTheirExactDigits) {
    // Four little-endian words, the most significant first.
    const unsigned char negative[17] = {0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x39, 0x30, 0, 0};
    EXPECT_EQ(jet::decimalText(negative, 4), "-1.2345");
    const unsigned char wide[17] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(jet::decimalText(wide, 0), "4294967296");
    const unsigned char small[17] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0};
    EXPECT_EQ(jet::decimalText(small, 3), "0.005");
    const unsigned char guid[16] = {0x6a, 0x27, 0x39, 0x8e, 0xa8, 0xbc, 0xc4, 0x4a,
                                    0x89, 0x1e, 0x49, 0x91, 0x1d, 0x84, 0x38, 0xdd};
    EXPECT_EQ(jet::guidText(guid), "8e39276a-bca8-4ac4-891e-49911d8438dd");
    EXPECT_EQ(jet::moneyText(35000), "3.5000");
    EXPECT_EQ(jet::moneyText(-1), "-0.0001");
    EXPECT_EQ(jet::moneyText(std::numeric_limits<std::int64_t>::min()), "-922337203685477.5808");
}

} // namespace
