#include "common/Windows1252.h"
#include "export/ClubCodes.h"
#include "export/CsvFile.h"
#include "export/FieldText.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

const QVariant kNull = QVariant(QMetaType::fromType<qlonglong>());
constexpr auto v2006 = ClubLayout::Tavrel2006;
constexpr auto v2009 = ClubLayout::Tavrel2009;

TEST(ClubCodes, Strokes) {
    const char* texts[] = {"vr", "vl", "ru", "ss", "wi"};
    const int codes2006[] = {0, 1, 2, 3, 4};
    const int codes2009[] = {1, 4, 2, 3, 5};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(strokeText(v2006, codes2006[i]), QLatin1String(texts[i]));
        EXPECT_EQ(strokeText(v2009, codes2009[i]), QLatin1String(texts[i]));
    }
    for (const QVariant& other : {QVariant(5), QVariant(-1), kNull, QVariant(QStringLiteral("x"))})
        EXPECT_EQ(strokeText(v2006, other), QString());
    EXPECT_EQ(strokeText(v2009, 0), QString());
    EXPECT_EQ(strokeText(v2009, QStringLiteral("4")), QStringLiteral("vl"))
        << "a number stored as text";
}

TEST(ClubCodes, Distances) {
    const std::pair<int, const char*> table[] = {
        {0, "25"},    {1, "50"},   {2, "100"},   {3, "200"},   {4, "300"},   {5, "400"},
        {6, "800"},   {7, "1000"}, {8, "1500"},  {9, "2000"},  {10, "onb."}, {11, "onb."},
        {12, "5000"}, {13, "500"}, {14, "1650"}, {15, "onb."}, {-1, "onb."}};
    for (const auto& [code, text] : table)
        EXPECT_EQ(distanceText(v2006, code), QLatin1String(text)) << code;
    EXPECT_EQ(distanceText(v2006, kNull), QStringLiteral("onb."));
    EXPECT_EQ(distanceText(v2009, 100), QStringLiteral("100"));
    EXPECT_EQ(distanceText(v2009, 1650.0), QStringLiteral("1650"));
    EXPECT_EQ(distanceText(v2009, kNull), QString());
}

TEST(ClubCodes, PoolLengths) {
    EXPECT_EQ(poolText(v2006, 0), QStringLiteral("25"));
    for (const QVariant& other : {QVariant(1), QVariant(2), kNull})
        EXPECT_EQ(poolText(v2006, other), QStringLiteral("50"));
    const std::pair<int, const char*> courses[] = {{1, "50"}, {2, "25"}, {3, "22"},
                                                   {4, "33"}, {5, "16"}, {6, "20"},
                                                   {7, "99"}, {0, "0"},  {8, "0"}};
    for (const auto& [code, text] : courses)
        EXPECT_EQ(poolText(v2009, code), QLatin1String(text)) << code;
    EXPECT_EQ(poolText(v2009, kNull), QStringLiteral("0"));
}

TEST(ClubCodes, ResultTypes) {
    const std::pair<int, const char*> types[] = {
        {1, "st.est."}, {2, "split"}, {3, "testw."}, {4, "est."}, {5, "dis."}, {0, ""}, {6, ""}};
    for (const auto& [code, text] : types)
        EXPECT_EQ(resultTypeText(code), QLatin1String(text)) << code;
    EXPECT_EQ(resultTypeText(kNull), QString());
}

TEST(ClubCodes, SwimTimes) {
    struct Case {
        ClubLayout layout;
        QVariant total;
        const char* text;
    };
    const Case cases[] = {
        {v2009, 65430, "01.05.43"},
        {v2009, 754210, "12.34.21"},
        {v2009, 59990, "00.59.99"},
        {v2009, 60000, "01.00.00"},
        {v2009, 600000, "10.00.00"},
        {v2009, 28345, "00.28.34"},
        // Too short: read as if padded with zeros, never another record's seconds.
        {v2009, 0, "00.00.00"},
        {v2009, 430, "00.00.43"},
        {v2009, 7, "00.00.00"},
        // Seconds beyond 16 bits are kept whole.
        {v2009, qint64(40000) * 1000, "666.40.00"},
        {v2006, 654020, "01.05.42"}, // 65 s, tenths 4, no mark, hundredths 2
        {v2006, 7542010, "12.34.21"},
        {v2006, 654120, "01.05.4"}, // hand time: the "1" drops the hundredths
        {v2006, 4300, "00.00.40"},
        {v2006, 0, "00.00.00"},
        {v2009, kNull, ""},
        {v2006, kNull, ""},
        {v2009, QStringLiteral("65430"), "01.05.43"},
        {v2009, QStringLiteral("n.v.t."), ""},
        {v2009, -500, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(timeText(c.layout, c.total), QLatin1String(c.text))
            << (c.layout == v2006 ? "2006 " : "2009 ") << c.total.toString().toStdString();
}

// The byte path of the times file writes what timeText writes, for every
// number of digits and both layouts, hand times included.
TEST(ClubCodes, TimesAsBytesEqualTheirText) {
    for (const ClubLayout layout : {ClubLayout::Tavrel2006, ClubLayout::Tavrel2009}) {
        for (qint64 total : {qint64(-1), qint64(0), qint64(7), qint64(12), qint64(105),
                             qint64(1234), qint64(59999), qint64(61010), qint64(591234),
                             qint64(3600000), qint64(123456789012LL)})
            for (qint64 t : {total, total * 10 + 1, total * 100 + 10}) {
                std::string bytes;
                appendTime(bytes, layout, t);
                EXPECT_EQ(QString::fromStdString(bytes), timeText(layout, QVariant(qlonglong(t))))
                    << t;
            }
    }
}

TEST(FieldText, WritesValuesPlainly) {
    EXPECT_EQ(fieldText(kNull), QString());
    EXPECT_EQ(fieldText(QVariant()), QString());
    EXPECT_EQ(fieldText(qlonglong(2001)), QStringLiteral("2001"));
    EXPECT_EQ(fieldText(100.0), QStringLiteral("100"));
    EXPECT_EQ(fieldText(444.555), QStringLiteral("444.555"));
    EXPECT_EQ(fieldText(QStringLiteral(" van ")), QStringLiteral(" van "))
        << "texts are not trimmed";
    EXPECT_EQ(dateField(QStringLiteral("2010-01-01")), QStringLiteral("2010-01-01"));
    EXPECT_EQ(dateField(QStringLiteral("2009-03-05 14:30:00")), QStringLiteral("2009-03-05"));
    EXPECT_EQ(dateField(kNull), QString());
}

TEST(CsvFile, WritesWindows1252LinesWithCrLf) {
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("uit.csv"));
    CsvFile file(path);
    ASSERT_TRUE(file.open().ok());
    for (const char16_t* text : {u"Zoë;Müller;€ 5", u"日本", u""}) {
        Line line;
        appendText(line, text);
        file.writeLine(line);
    }
    EXPECT_FALSE(QFile::exists(path)) << "nothing in place before the commit";
    ASSERT_TRUE(file.commit().ok());
    EXPECT_EQ(dir.read(QStringLiteral("uit.csv")),
              QByteArray("Zo\xEB;M\xFCller;\x80 5\r\n??\r\n\r\n"));
    EXPECT_EQ(fromWindows1252(QByteArray("Zo\xEB \x80")), QStringLiteral("Zoë €"));
}

} // namespace
