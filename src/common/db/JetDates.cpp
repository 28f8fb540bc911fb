#include "JetDates.h"

#include <QDate>
#include <QTime>

#include <cmath>

namespace tavrel {

QString jetDateText(double days) {
    // The reader refuses other values; this never casts one that no day has.
    if (!(std::fabs(days) < 1e7))
        return {};
    // Before 1899-12-30 the whole days count back while the fraction still
    // counts forward: -1.25 is 29 December 1899, 06:00.
    const double whole = std::trunc(days);
    qint64 seconds = qint64(std::llround(std::fabs(days - whole) * 86400.0));
    qint64 dayCount = qint64(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        dayCount += days < 0 ? -1 : 1;
    }
    const QDate date = QDate(1899, 12, 30).addDays(dayCount);
    QString text = date.toString(Qt::ISODate);
    if (seconds != 0)
        text += QLatin1Char(' ') +
                QTime(0, 0).addSecs(int(seconds)).toString(QStringLiteral("HH:mm:ss"));
    return text;
}

} // namespace tavrel
