#include "Progress.h"

#include <QLocale>

namespace tavrel {

namespace {

const QLocale& dutch() {
    static const QLocale locale(QLocale::Dutch, QLocale::Netherlands);
    return locale;
}

// Bytes in the unit chosen for total: whole MB from 10 MB, one decimal
// below that, whole kB below a megabyte.
QString inUnit(qint64 bytes, qint64 total) {
    if (total >= 10'000'000)
        return QString::number(bytes / 1'000'000);
    if (total >= 1'000'000)
        return dutch().toString(double(bytes) / 1e6, 'f', 1);
    return QString::number((bytes + 999) / 1000);
}

} // namespace

QString groupedNumber(qint64 n) {
    QString digits = QString::number(n < 0 ? -n : n);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(' '));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

QString recordProgressText(const QString& label, qint64 done, qint64 total) {
    if (total < 0)
        return label + QStringLiteral(": ") + groupedNumber(done) + QStringLiteral(" records");
    return label + QStringLiteral(": ") + groupedNumber(done) + QStringLiteral(" van ") +
           groupedNumber(total) + QStringLiteral(" records");
}

QString byteProgressText(const QString& file, qint64 sent, qint64 total, double bytesPerSecond) {
    const QString unit = total >= 1'000'000 ? QStringLiteral(" MB") : QStringLiteral(" kB");
    QString text = file + QStringLiteral(": ") + inUnit(sent, total) + QStringLiteral(" van ") +
                   inUnit(total, total) + unit;
    if (bytesPerSecond >= 100'000)
        text += QStringLiteral(", ") + dutch().toString(bytesPerSecond / 1e6, 'f', 1) +
                QStringLiteral(" MB/s");
    else if (bytesPerSecond > 0)
        text += QStringLiteral(", ") + QString::number(qRound(bytesPerSecond / 1e3)) +
                QStringLiteral(" kB/s");
    return text;
}

} // namespace tavrel
