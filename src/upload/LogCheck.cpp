#include "LogCheck.h"

#include "common/Progress.h"

#include <QRegularExpression>
#include <QStringList>

namespace tavrel {

bool logShowsRefusal(const QString& log) {
    // Only at the start of a line is 421 or 530 a reply code: "4213 bytes"
    // in a statistics line is none.
    static const QRegularExpression refusedReply(QStringLiteral("^[ \\t]*(421|530)(?!\\d)"),
                                                 QRegularExpression::MultilineOption);
    return refusedReply.match(log).hasMatch() ||
           log.contains(QLatin1String("Niet verbonden"), Qt::CaseInsensitive);
}

int failureLine(const QString& log) {
    static const QRegularExpression failure(
        QStringLiteral("^\\s*[45]\\d\\d(?!\\d)|^ftp: (?!\\d+ bytes verzonden)|^Niet verbonden|"
                       "^Niet verzonden|^Aanmelden is mislukt|^Ongeldige opdracht"),
        QRegularExpression::CaseInsensitiveOption);
    const QStringList lines = log.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i)
        if (failure.match(lines[i]).hasMatch())
            return i;
    return -1;
}

QString condensedTranscript(const QString& log) {
    constexpr qsizetype kShown = 40;
    QStringList lines = log.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        const bool cr = line.endsWith(QLatin1Char('\r'));
        const qsizetype marks = line.size() - (cr ? 1 : 0);
        if (marks <= kShown || line.left(marks).count(QLatin1Char('#')) != marks)
            continue;
        line = QString(kShown, QLatin1Char('#')) + QStringLiteral(" \u2026 (") +
               groupedNumber(marks) + QStringLiteral(" blokken)") +
               (cr ? QStringLiteral("\r") : QString());
    }
    return lines.join(QLatin1Char('\n'));
}

QString maskPassword(const QString& log, const QString& password) {
    if (password.isEmpty())
        return log;
    return QString(log).replace(password, QStringLiteral("****"), Qt::CaseSensitive);
}

} // namespace tavrel
