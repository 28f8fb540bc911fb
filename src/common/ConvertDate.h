#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

namespace tavrel {

// Rearranges a day-month-year text ("5-3-2009") into year-month-day with
// two-digit month and day ("2009-03-05"). Empty stays empty. Other texts are
// rearranged by the same rules without any check, so callers must pass the
// day-month-year form.
QString ConvertDate(const QString& text);

// The day-month-year text that ConvertDate reads ("5-3-2009"), for the date
// part of a date or date-time value; "" for null, empty or unreadable values.
// Independent of any regional setting.
QString dayMonthYearText(const QVariant& value);

} // namespace tavrel
