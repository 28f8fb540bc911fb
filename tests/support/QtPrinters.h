#pragma once

// Readable Qt values in GoogleTest's failure messages.
#include <QString>
#include <QStringList>
#include <QVariant>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '{' << l.join(QStringLiteral(", ")).toStdString() << '}';
}
inline void PrintTo(const QVariant& v, std::ostream* os) {
    if (!v.isValid())
        *os << "(empty)";
    else if (v.isNull())
        *os << "(null " << v.typeName() << ')';
    else
        *os << v.toString().toStdString() << " (" << v.typeName() << ')';
}
inline void PrintTo(const QByteArray& b, std::ostream* os) {
    *os << '"' << b.toStdString() << '"';
}
