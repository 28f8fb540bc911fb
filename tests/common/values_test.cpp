#include "common/ConvertDate.h"
#include "common/Values.h"
#include "support/ScriptedUi.h"

#include <QDate>

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

const QVariant kNull = QVariant(QMetaType::fromType<QString>()); // a database null
const QVariant kEmpty;                                           // never assigned

TEST(Nz, ReplacesOnlyNullEmptyAndEmptyText) {
    EXPECT_EQ(Nz(0, QStringLiteral("x")), QVariant(0)) << "the number 0 is a value";
    EXPECT_EQ(Nz(0, QStringLiteral("x")).typeId(), QMetaType::Int);
    EXPECT_EQ(Nz(QString(), QStringLiteral("x")), QVariant(QStringLiteral("x")));
    EXPECT_EQ(Nz(QStringLiteral(""), QStringLiteral("x")), QVariant(QStringLiteral("x")));
    EXPECT_EQ(Nz(kNull, QString()).toString(), QString());
    EXPECT_EQ(Nz(kEmpty, 7), QVariant(7));
    EXPECT_EQ(Nz(QStringLiteral(" "), QStringLiteral("x")), QVariant(QStringLiteral(" ")));
    const QDate d(2009, 3, 5);
    EXPECT_EQ(Nz(d, QString()).typeId(), QMetaType::QDate) << "a date stays a date";
}

TEST(Iif, ReadsConditionsAsTruthValues) {
    const QVariant yes = QStringLiteral("yes"), no = QStringLiteral("no");
    struct Case {
        QVariant condition;
        QVariant expected;
    };
    const Case cases[] = {
        {true, yes},
        {false, no},
        {-1, yes},
        {0, no},
        {2.5, yes},
        {kNull, no},
        {kEmpty, no},
        {QStringLiteral("True"), yes},
        {QStringLiteral("false"), no},
        {QStringLiteral("1"), yes},
        {QStringLiteral("0"), no},
    };
    test::ScriptedUi ui;
    for (const Case& c : cases)
        EXPECT_EQ(Iif(c.condition, yes, no), c.expected) << c.condition.toString().toStdString();
    EXPECT_TRUE(ui.prompts().empty());
}

TEST(Iif, ReportsAConditionThatIsNoTruthValue) {
    test::ScriptedUi ui;
    ui.answer(Answer::Ok);
    EXPECT_EQ(Iif(QStringLiteral("misschien"), 1, 2), QVariant(2));
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_TRUE(ui.messages()[0].text.startsWith(QStringLiteral("Fout gevonden in: Iif\r\n")));
    EXPECT_EQ(ui.messages()[0].title, QStringLiteral("Foutmelding!"));
}

TEST(MaxValue, ComparesNumbersByValueAndGivesTheSecondOnEqual) {
    EXPECT_EQ(MaxValue(3, 2), QVariant(3));
    EXPECT_EQ(MaxValue(2, 3), QVariant(3));
    EXPECT_EQ(MaxValue(-1, 0), QVariant(0));
    EXPECT_EQ(MaxValue(10, 9.5), QVariant(10));
    EXPECT_EQ(MaxValue(QStringLiteral("b"), QStringLiteral("a")), QVariant(QStringLiteral("b")));
    EXPECT_EQ(MaxValue(QStringLiteral("10"), QStringLiteral("9")), QVariant(QStringLiteral("9")))
        << "texts compare as text";
    EXPECT_EQ(MaxValue(5, QStringLiteral("a")), QVariant(QStringLiteral("a")));
    // Equal values give the second argument, whatever its type.
    const QVariant three = 3, threeLong = qlonglong(3);
    EXPECT_EQ(MaxValue(three, threeLong).typeId(), QMetaType::LongLong);
}

TEST(isNumeric, AcceptsNumbersAndNumericTextOnly) {
    EXPECT_TRUE(isNumeric(12345));
    EXPECT_TRUE(isNumeric(QStringLiteral("12345")));
    EXPECT_TRUE(isNumeric(QStringLiteral(" 12 ")));
    EXPECT_TRUE(isNumeric(QStringLiteral("-1.5")));
    EXPECT_TRUE(isNumeric(QStringLiteral("1,5")));
    EXPECT_FALSE(isNumeric(QStringLiteral("Fout")));
    EXPECT_FALSE(isNumeric(QStringLiteral("")));
    EXPECT_FALSE(isNumeric(QStringLiteral("12a")));
    EXPECT_FALSE(isNumeric(kNull));
}

TEST(EqualsNumber, ComparesNumbersAndNumericTextOnly) {
    EXPECT_TRUE(equalsNumber(-1, -1));
    EXPECT_TRUE(equalsNumber(true, -1)) << "true is -1";
    EXPECT_TRUE(equalsNumber(QStringLiteral("25"), 25));
    EXPECT_TRUE(equalsNumber(25.0, 25));
    EXPECT_FALSE(equalsNumber(kNull, 0)) << "null equals nothing";
    EXPECT_FALSE(equalsNumber(kEmpty, 0));
    EXPECT_FALSE(equalsNumber(QStringLiteral("T"), 0));
    EXPECT_FALSE(equalsNumber(QStringLiteral(""), 0));
}

TEST(ConvertDate, RearrangesDayMonthYear) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"5-3-2009", "2009-03-05"},
        {"15-3-2009", "2009-03-15"},
        {"5-12-2009", "2009-12-05"},
        {"15-12-2009", "2009-12-15"},
        {"05-03-2009", "2009-03-05"},
        {"1-1-2010", "2010-01-01"},
        // Not a date: rearranged by the same rules, never a failure.
        {"abc", "abc-ab"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(ConvertDate(QLatin1String(in)), QLatin1String(out)) << in;
}

TEST(ConvertDate, DayMonthYearTextOfDateValues) {
    EXPECT_EQ(dayMonthYearText(QDate(2009, 3, 5)), QStringLiteral("5-3-2009"));
    EXPECT_EQ(dayMonthYearText(QDateTime(QDate(2010, 12, 12), QTime(23, 59))),
              QStringLiteral("12-12-2010"));
    EXPECT_EQ(dayMonthYearText(QStringLiteral("2009-03-05")), QStringLiteral("5-3-2009"));
    EXPECT_EQ(dayMonthYearText(QStringLiteral("1899-12-30 10:00:00")),
              QStringLiteral("30-12-1899"));
    EXPECT_EQ(dayMonthYearText(kNull), QString());
    EXPECT_EQ(dayMonthYearText(QStringLiteral("")), QString());
    EXPECT_EQ(ConvertDate(dayMonthYearText(QDate(2010, 1, 1))), QStringLiteral("2010-01-01"));
}

} // namespace
