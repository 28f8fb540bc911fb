#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

namespace tavrel {

// Dates as the editors show them ("5-3-2009") and as the database keeps them
// ("2009-03-05").
QString dateForDisplay(const QVariant& stored);

// The date a user typed: day-month-year with "-" or "/", or year-month-day.
// An invalid QDate when the text is no date.
QDate parseTypedDate(const QString& text);

} // namespace tavrel
