#include "common/TextFields.h"

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

TEST(FieldCount, IsSeparatorsPlusOneAndZeroForNothing) {
    const std::pair<QVariant, int> cases[] = {
        {QStringLiteral(""), 0},     {QVariant(QMetaType::fromType<QString>()), 0},
        {QStringLiteral("a"), 1},    {QStringLiteral("a;"), 2},
        {QStringLiteral("a;;b"), 3}, {QStringLiteral("a;b;c"), 3},
        {QStringLiteral(";"), 2},
    };
    for (const auto& [text, count] : cases)
        EXPECT_EQ(FieldCount(text, QStringLiteral(";")), count) << text.toString().toStdString();
}

TEST(GetField, ReturnsFieldsExactlyAsTheyStand) {
    struct Case {
        const char* text;
        int n;
        const char* field;
    };
    const Case cases[] = {
        {"a;;b", 1, "a"},
        {"a;;b", 2, ""},
        {"a;;b", 3, "b"},
        {"a;b", 3, ""},
        {"a;b", 0, ""},
        {"a;b", -1, ""},
        {"", 1, ""},
        {" a ; 'b' ", 1, " a "},
        {" a ; 'b' ", 2, " 'b' "},
        {"100;vr;j;25;A;10;11;01.02.03", 8, "01.02.03"},
        {"x;", 2, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetField(QString::fromLatin1(c.text), QStringLiteral(";"), c.n),
                  QString::fromLatin1(c.field))
            << c.text << " field " << c.n;
}

TEST(GetField, LongerSeparatorsDoNotOverlap) {
    EXPECT_EQ(FieldCount(QStringLiteral("a::::b"), QStringLiteral("::")), 3);
    EXPECT_EQ(GetField(QStringLiteral("a::::b"), QStringLiteral("::"), 3), QStringLiteral("b"));
    EXPECT_EQ(GetField(QStringLiteral("aXbxc"), QStringLiteral("x"), 2), QStringLiteral("b"))
        << "separators are found without regard to letter case";
}

} // namespace
