#pragma once

#include <QString>
#include <QVariant>

namespace tavrel {

// A database value as it stands in an output file: texts unchanged, whole
// numbers in decimal without leading zeros, other numbers with a decimal
// point, null and empty as "".
QString fieldText(const QVariant& value);

// The year-month-day text of a date value for an output file; "" for null.
QString dateField(const QVariant& value);

} // namespace tavrel
