#include "FieldText.h"

#include "common/ConvertDate.h"
#include "common/Values.h"

#include <QLocale>

#include <cmath>

namespace tavrel {

QString fieldText(const QVariant& value) {
    if (isEmptyValue(value) || isNullValue(value))
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (std::trunc(d) == d && std::fabs(d) < 1e15)
            return QString::number(qint64(d));
        return QLocale::c().toString(d, 'g', 15);
    }
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("-1") : QStringLiteral("0");
    default:
        return value.toString();
    }
}

QString dateField(const QVariant& value) {
    return ConvertDate(dayMonthYearText(value));
}

} // namespace tavrel
