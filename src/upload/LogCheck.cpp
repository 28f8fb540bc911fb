#include "LogCheck.h"

#include "common/Progress.h"

#include <QStringList>

namespace tavrel {

// The checks are simple enough for plain string tests.
namespace {

QStringView withoutLeadingSpace(QStringView line) {
    qsizetype i = 0;
    while (i < line.size() && line[i].isSpace())
        ++i;
    return line.mid(i);
}

bool isDigit(QStringView s, qsizetype i) {
    return i < s.size() && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('9');
}

// A three-digit code at the start, not followed by a fourth digit.
bool startsWithCode(QStringView s) {
    return isDigit(s, 0) && isDigit(s, 1) && isDigit(s, 2) && !isDigit(s, 3);
}

} // namespace

bool logShowsRefusal(const QString& log) {
    // Only at the start of a line is 421 or 530 a reply code: "4213 bytes"
    // in a statistics line is none.
    for (QStringView line : QStringView(log).split(QLatin1Char('\n'))) {
        const QStringView code = withoutLeadingSpace(line);
        if (startsWithCode(code) && (code.startsWith(u"421") || code.startsWith(u"530")))
            return true;
    }
    return log.contains(QLatin1String("Niet verbonden"), Qt::CaseInsensitive);
}

int failureLine(const QString& log) {
    static const QLatin1String remarks[] = {
        QLatin1String("Niet verbonden"), QLatin1String("Niet verzonden"),
        QLatin1String("Aanmelden is mislukt"), QLatin1String("Ongeldige opdracht")};
    const QList<QStringView> lines = QStringView(log).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QStringView line = lines[i];
        const QStringView code = withoutLeadingSpace(line);
        if (startsWithCode(code) && (code[0] == QLatin1Char('4') || code[0] == QLatin1Char('5')))
            return i;
        // "ftp: ..." is the runner's own remark, but "ftp: 4213 bytes
        // verzonden ..." its statistics of a file that went.
        if (line.startsWith(QLatin1String("ftp: "), Qt::CaseInsensitive)) {
            const QStringView rest = line.mid(5);
            qsizetype digits = 0;
            while (isDigit(rest, digits))
                ++digits;
            if (digits == 0 || !rest.mid(digits).startsWith(QLatin1String(" bytes verzonden"),
                                                            Qt::CaseInsensitive))
                return i;
        }
        for (const QLatin1String& remark : remarks)
            if (line.startsWith(remark, Qt::CaseInsensitive))
                return i;
    }
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
    // Only where it stands whole: a short password inside other words would
    // otherwise garble them, and the garbling would give it away.
    auto wordChar = [&](qsizetype at) {
        return at >= 0 && at < log.size() && log[at].isLetterOrNumber();
    };
    QString masked;
    qsizetype from = 0;
    for (qsizetype at = log.indexOf(password); at >= 0; at = log.indexOf(password, at + 1)) {
        if (at < from || wordChar(at - 1) || wordChar(at + password.size()))
            continue;
        masked += QStringView(log).mid(from, at - from) + QStringLiteral("****");
        from = at + password.size();
    }
    return masked + QStringView(log).mid(from);
}

QString shownText(const QString& text, const QString& password) {
    constexpr qsizetype kLongest = 512;
    const QString masked = maskPassword(text, password);
    QString shown;
    shown.reserve(masked.size());
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < masked.size(); ++i) {
        const QChar c = masked[i];
        if (c == QLatin1Char('\n')) {
            shown += c;
            lineStart = shown.size();
            continue;
        }
        if (shown.size() - lineStart == kLongest) {
            shown += QChar(0x2026);
            while (i + 1 < masked.size() && masked[i + 1] != QLatin1Char('\n') &&
                   !(masked[i + 1] == QLatin1Char('\r') && i + 2 < masked.size() &&
                     masked[i + 2] == QLatin1Char('\n')))
                ++i;
            continue;
        }
        const bool lineEnd =
            c == QLatin1Char('\r') && i + 1 < masked.size() && masked[i + 1] == QLatin1Char('\n');
        const ushort u = c.unicode();
        const bool control = (u < 0x20 && u != '\t' && !lineEnd) || (u >= 0x7f && u < 0xa0);
        shown += control ? QLatin1Char('?') : c;
    }
    return shown;
}

QString oneLine(QString text) {
    for (QChar& c : text)
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0))
            c = QLatin1Char('?');
    return text;
}

} // namespace tavrel
