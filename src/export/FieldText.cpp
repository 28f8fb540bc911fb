#include "FieldText.h"

#include "common/ConvertDate.h"
#include "common/Values.h"

#include "common/Windows1252.h"
#include "common/db/Cursor.h"

#include <QLocale>

#include <sqlite3.h>

#include <charconv>
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

void appendText(Line& out, QStringView text) {
    put(out, toWindows1252(text));
}

void appendUtf8(Line& out, QByteArrayView utf8) {
    for (const char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80) {
            appendText(out, QString::fromUtf8(utf8));
            return;
        }
    out.append(utf8.data(), size_t(utf8.size()));
}

void appendField(Line& out, const Cursor& records, int column) {
    switch (records.type(column)) {
    case SQLITE_NULL:
        return;
    case SQLITE_INTEGER: {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, records.integer(column)).ptr;
        out.append(digits, size_t(end - digits));
        return;
    }
    case SQLITE_TEXT:
        appendUtf8(out, records.utf8(column));
        return;
    default:
        appendText(out, fieldText(records.value(column)));
    }
}

} // namespace tavrel
