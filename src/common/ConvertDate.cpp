#include "ConvertDate.h"

#include "Values.h"

#include <QDateTime>

namespace tavrel {

namespace {

// Left, Right and Mid with 1-based positions that clip instead of failing.
QString left(const QString& t, qsizetype n) {
    return t.left(n);
}
QString right(const QString& t, qsizetype n) {
    return t.right(n);
}
QString mid(const QString& t, qsizetype start, qsizetype n) {
    return start > t.size() ? QString() : t.mid(start - 1, n);
}
// 1-based position of "-" searching from position from; 0 when absent.
qsizetype dashFrom(const QString& t, qsizetype from) {
    if (from > t.size())
        return 0;
    return t.indexOf(QLatin1Char('-'), from - 1) + 1;
}

} // namespace

QString ConvertDate(const QString& text) {
    if (text.isEmpty())
        return {};
    QString t = text;
    if (dashFrom(t, 1) == 2) // one-digit day
        t = QLatin1Char('0') + t;
    if (dashFrom(t, 4) == 5) // one-digit month
        t = left(t, 3) + QLatin1Char('0') + right(t, 6);
    return right(t, 4) + QLatin1Char('-') + mid(t, 4, 3) + left(t, 2);
}

QString dayMonthYearText(const QVariant& value) {
    if (isNullValue(value) || isEmptyValue(value))
        return {};
    QDate date;
    switch (value.typeId()) {
    case QMetaType::QDate:
        date = value.toDate();
        break;
    case QMetaType::QDateTime:
        date = value.toDateTime().date();
        break;
    default: {
        // ISO text as the databases store it: "2009-03-05" or "2009-03-05 10:00:00".
        const QString t = value.toString().trimmed();
        date = QDate::fromString(t.left(10), Qt::ISODate);
        break;
    }
    }
    if (!date.isValid())
        return {};
    return QStringLiteral("%1-%2-%3")
        .arg(date.day())
        .arg(date.month())
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

} // namespace tavrel
