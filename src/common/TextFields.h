#pragma once

#include <QString>
#include <QVariant>

namespace tavrel {

// Fields of one line of a separated text file. A null or empty text has no
// fields; otherwise the count is the number of separators plus one.
int FieldCount(const QVariant& text, const QString& separator);

// The n-th field (counted from 1) exactly as it stands between the
// separators, or "" when the text has fewer fields or n < 1.
QString GetField(const QVariant& text, const QString& separator, int n);

} // namespace tavrel
