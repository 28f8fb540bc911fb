#include "TextFields.h"

#include "Values.h"

namespace tavrel {

int FieldCount(const QVariant& text, const QString& separator) {
    const QString t = Nz(text, QString()).toString();
    if (t.isEmpty())
        return 0;
    int count = 1;
    for (qsizetype at = t.indexOf(separator, 0, Qt::CaseInsensitive); at >= 0;
         at = t.indexOf(separator, at + separator.size(), Qt::CaseInsensitive))
        ++count;
    return count;
}

QString GetField(const QVariant& text, const QString& separator, int n) {
    const QString t = Nz(text, QString()).toString();
    if (t.isEmpty() || n < 1 || FieldCount(text, separator) < n)
        return {};
    qsizetype start = 0;
    for (int i = 1; i < n; ++i)
        start = t.indexOf(separator, start, Qt::CaseInsensitive) + separator.size();
    qsizetype end = t.indexOf(separator, start, Qt::CaseInsensitive);
    if (end < 0)
        end = t.size();
    return t.mid(start, end - start);
}

} // namespace tavrel
