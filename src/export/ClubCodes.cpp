#include "ClubCodes.h"

#include "FieldText.h"
#include "common/Values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>

namespace tavrel {

namespace {

// The code as a whole number, or nothing for null, text and fractions.
std::optional<qint64> wholeNumber(const QVariant& v) {
    if (isEmptyValue(v) || isNullValue(v) || !isNumeric(v))
        return std::nullopt;
    bool ok = false;
    const double d =
        v.typeId() == QMetaType::QString
            ? v.toString().trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok)
            : v.toDouble(&ok);
    if (!ok || d != double(qint64(d)))
        return std::nullopt;
    return qint64(d);
}

template <size_t N>
QString lookup(const std::array<std::pair<int, const char*>, N>& table, const QVariant& code,
               const char* otherwise) {
    if (const auto n = wholeNumber(code))
        for (const auto& [c, text] : table)
            if (c == *n)
                return QLatin1String(text);
    return QLatin1String(otherwise);
}

QString twoDigits(qint64 n) {
    return n < 10 ? QLatin1Char('0') + QString::number(n) : QString::number(n);
}

} // namespace

QString strokeText(ClubLayout layout, const QVariant& stroke) {
    static const std::array<std::pair<int, const char*>, 5> strokes2006 = {
        {{0, "vr"}, {1, "vl"}, {2, "ru"}, {3, "ss"}, {4, "wi"}}};
    static const std::array<std::pair<int, const char*>, 5> strokes2009 = {
        {{1, "vr"}, {4, "vl"}, {2, "ru"}, {3, "ss"}, {5, "wi"}}};
    return layout == ClubLayout::Tavrel2006 ? lookup(strokes2006, stroke, "")
                                            : lookup(strokes2009, stroke, "");
}

QString distanceText(ClubLayout layout, const QVariant& distance) {
    if (layout == ClubLayout::Tavrel2009)
        return fieldText(distance);
    static const std::array<std::pair<int, const char*>, 13> distances2006 = {{{0, "25"},
                                                                               {1, "50"},
                                                                               {2, "100"},
                                                                               {3, "200"},
                                                                               {4, "300"},
                                                                               {5, "400"},
                                                                               {6, "800"},
                                                                               {7, "1000"},
                                                                               {8, "1500"},
                                                                               {9, "2000"},
                                                                               {12, "5000"},
                                                                               {13, "500"},
                                                                               {14, "1650"}}};
    return lookup(distances2006, distance, "onb.");
}

QString poolText(ClubLayout layout, const QVariant& poolOrCourse) {
    if (layout == ClubLayout::Tavrel2006)
        return equalsNumber(poolOrCourse, 0) ? QStringLiteral("25") : QStringLiteral("50");
    static const std::array<std::pair<int, const char*>, 7> courses = {
        {{1, "50"}, {2, "25"}, {3, "22"}, {4, "33"}, {5, "16"}, {6, "20"}, {7, "99"}}};
    return lookup(courses, poolOrCourse, "0");
}

QString resultTypeText(const QVariant& resultType) {
    static const std::array<std::pair<int, const char*>, 5> types = {
        {{1, "st.est."}, {2, "split"}, {3, "testw."}, {4, "est."}, {5, "dis."}}};
    return lookup(types, resultType, "");
}

QString timeText(ClubLayout layout, const QVariant& totalTime) {
    const auto total = wholeNumber(totalTime);
    if (!total || *total < 0)
        return {};
    // Digits below the seconds: four in 2006, three in 2009.
    const int below = layout == ClubLayout::Tavrel2006 ? 4 : 3;
    const QString t = QString::number(*total).rightJustified(below + 1, QLatin1Char('0'));
    const auto fromEnd = [&t](int n) { return t.at(t.size() - n); };

    QString hundredths = fromEnd(2);
    const QChar tenths = layout == ClubLayout::Tavrel2006 ? fromEnd(4) : fromEnd(3);
    if (layout == ClubLayout::Tavrel2006 && fromEnd(3) == QLatin1Char('1'))
        hundredths.clear(); // a hand time has tenths only
    const qint64 seconds = t.left(t.size() - below).toLongLong();
    return twoDigits(seconds / 60) + QLatin1Char('.') + twoDigits(seconds % 60) + QLatin1Char('.') +
           tenths + hundredths;
}

void appendTime(std::string& out, ClubLayout layout, qint64 totalTime) {
    if (totalTime < 0)
        return;
    // The digits below the seconds, counted from the seconds down.
    const bool y2006 = layout == ClubLayout::Tavrel2006;
    const qint64 below = y2006 ? totalTime % 10000 : totalTime % 1000;
    const qint64 seconds = y2006 ? totalTime / 10000 : totalTime / 1000;
    char text[32];
    char* p = text;
    const auto two = [&p](qint64 v) {
        if (v < 10)
            *p++ = '0';
        p = std::to_chars(p, p + 20, v).ptr;
    };
    two(seconds / 60);
    *p++ = '.';
    two(seconds % 60);
    *p++ = '.';
    if (y2006) {
        *p++ = char('0' + below / 1000);
        if (below / 100 % 10 != 1)
            *p++ = char('0' + below / 10 % 10); // a hand time has tenths only
    } else {
        *p++ = char('0' + below / 100);
        *p++ = char('0' + below / 10 % 10);
    }
    out.append(text, size_t(p - text));
}

} // namespace tavrel
