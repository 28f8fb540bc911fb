#include "LogCheck.h"

#include <QRegularExpression>

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

QString maskPassword(const QString& log, const QString& password) {
    if (password.isEmpty())
        return log;
    return QString(log).replace(password, QStringLiteral("****"), Qt::CaseSensitive);
}

} // namespace tavrel
