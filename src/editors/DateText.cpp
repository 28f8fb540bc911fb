#include "DateText.h"

#include "common/ConvertDate.h"

#include <QRegularExpression>

namespace tavrel {

QString dateForDisplay(const QVariant& stored) {
    return dayMonthYearText(stored);
}

QDate parseTypedDate(const QString& text) {
    static const QRegularExpression dayFirst(
        QStringLiteral("^(\\d{1,2})[-/](\\d{1,2})[-/](\\d{4})$"));
    static const QRegularExpression yearFirst(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    const QString t = text.trimmed();
    if (const auto m = dayFirst.match(t); m.hasMatch())
        return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    if (const auto m = yearFirst.match(t); m.hasMatch())
        return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return {};
}

} // namespace tavrel
