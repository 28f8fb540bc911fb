#include "Values.h"

#include "ErrorReport.h"

#include <QLocale>

namespace tavrel {

bool isEmptyValue(const QVariant& v) {
    return !v.isValid();
}

bool isNullValue(const QVariant& v) {
    return v.isValid() && v.isNull();
}

bool isNumberValue(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

namespace {

bool readsAsNumber(const QString& text, double* out = nullptr) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    double d = QLocale::c().toDouble(t, &ok);
    if (!ok)
        d = QLocale::c().toDouble(QString(t).replace(QLatin1Char(','), QLatin1Char('.')), &ok);
    if (ok && out)
        *out = d;
    return ok;
}

} // namespace

bool isNumeric(const QVariant& v) {
    if (isNullValue(v) || isEmptyValue(v))
        return false;
    if (isNumberValue(v) || v.typeId() == QMetaType::Bool)
        return true;
    if (v.typeId() == QMetaType::QString)
        return readsAsNumber(v.toString());
    return false;
}

bool equalsNumber(const QVariant& value, double number) {
    if (isEmptyValue(value) || isNullValue(value))
        return false;
    if (value.typeId() == QMetaType::Bool)
        return (value.toBool() ? -1.0 : 0.0) == number;
    if (isNumberValue(value))
        return value.toDouble() == number;
    double d = 0;
    return value.typeId() == QMetaType::QString && readsAsNumber(value.toString(), &d) &&
           d == number;
}

QVariant Iif(const QVariant& condition, const QVariant& truePart, const QVariant& falsePart) {
    if (isEmptyValue(condition) || isNullValue(condition))
        return falsePart;
    if (condition.typeId() == QMetaType::Bool)
        return condition.toBool() ? truePart : falsePart;
    if (isNumberValue(condition))
        return condition.toDouble() != 0.0 ? truePart : falsePart;
    if (condition.typeId() == QMetaType::QString) {
        const QString t = condition.toString().trimmed();
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return truePart;
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return falsePart;
        double d = 0;
        if (readsAsNumber(t, &d))
            return d != 0.0 ? truePart : falsePart;
    }
    ReportError(QStringLiteral("Iif"),
                {ErrorNumber::TypeMismatch, kErrorSource,
                 QStringLiteral("Voorwaarde is geen waar/onwaar-waarde: ") + condition.toString()});
    return falsePart;
}

QVariant Nz(const QVariant& value, const QVariant& defaultValue) {
    if (isEmptyValue(value) || isNullValue(value))
        return defaultValue;
    if (value.typeId() == QMetaType::QString && value.toString().isEmpty())
        return defaultValue;
    return value;
}

QVariant MaxValue(const QVariant& a, const QVariant& b) {
    if (isNullValue(a) || isNullValue(b))
        return b; // a comparison with null is never true
    const bool aNumber = isNumberValue(a) || a.typeId() == QMetaType::Bool;
    const bool bNumber = isNumberValue(b) || b.typeId() == QMetaType::Bool;
    bool greater = false;
    if (aNumber && bNumber)
        greater = a.toDouble() > b.toDouble();
    else if (aNumber != bNumber)
        greater = !aNumber; // a number is less than a text
    else
        greater = a.toString() > b.toString();
    return greater ? a : b;
}

} // namespace tavrel
