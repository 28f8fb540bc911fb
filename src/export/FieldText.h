#pragma once

#include <QString>
#include <QVariant>

#include <string>

namespace tavrel {

// A database value as it stands in an output file: texts unchanged, whole
// numbers in decimal without leading zeros, other numbers with a decimal
// point, null and empty as "".
QString fieldText(const QVariant& value);

// The year-month-day text of a date value for an output file; "" for null.
QString dateField(const QVariant& value);

class Cursor;

// A line being built, in Windows-1252 bytes.
using Line = std::string;

inline void put(Line& out, const QByteArray& bytes) {
    out.append(bytes.constData(), size_t(bytes.size()));
}

// Appends text in Windows-1252.
void appendText(Line& out, QStringView text);
// Appends the UTF-8 text of a database value in Windows-1252 (ASCII as it is).
void appendUtf8(Line& out, QByteArrayView utf8);
// Appends a column of the current record as fieldText writes it, without a
// QVariant for integers, texts and nulls.
void appendField(Line& out, const Cursor& records, int column);

} // namespace tavrel
