#include "CsvImport.h"

#include "common/TextFields.h"
#include "common/Windows1252.h"
#include "common/db/Connection.h"
#include "common/db/Transaction.h"

#include <QDate>
#include <QFile>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace tavrel {

namespace {

const QString kSeparator = QStringLiteral(";");
const QVariant kNull = QVariant(QMetaType::fromType<QString>());

// A field read as a 16-bit whole number, as the file formats hold them.
std::optional<qint16> smallInteger(const QString& field) {
    bool ok = false;
    const int n = field.trimmed().toInt(&ok);
    if (!ok || n < -32768 || n > 32767)
        return std::nullopt;
    return qint16(n);
}

// A field the export writes empty for a null: null again.
QVariant textOrNull(const QString& field) {
    return field.isEmpty() ? kNull : QVariant(field);
}

// An optional whole-number field ("t/m" years and ages): empty is null.
std::optional<QVariant> optionalInteger(const QString& field) {
    if (field.trimmed().isEmpty())
        return kNull;
    const auto n = smallInteger(field);
    return n ? std::optional<QVariant>(QVariant(*n)) : std::nullopt;
}

bool blank(const QString& line) {
    return line.trimmed().isEmpty();
}

// The file's text: UTF-8 after a byte-order mark or where the bytes are valid
// UTF-8 with non-ASCII text (what spreadsheets write), else Windows-1252.
QString decodeImport(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return fromWindows1252(bytes);
}

// A date field: year-month-day as the export writes it, or empty for none.
std::optional<QVariant> dateField(const QString& field) {
    if (field.isEmpty())
        return kNull;
    const QDate d = QDate::fromString(field, Qt::ISODate);
    if (!d.isValid() || field.size() != 10)
        return std::nullopt;
    return QVariant(field);
}

ImportResult failed(int line, const QString& reason) {
    return {false, line, reason, 0};
}

// A refusal of the database at a line: another program holding the
// database is no fault of the line.
ImportResult refused(int line, const ErrorInfo& error) {
    return isBusy(error) ? failed(0, QStringLiteral("de database wordt door een ander programma "
                                                    "gebruikt; probeer het straks opnieuw"))
                         : failed(line, error.Description);
}

QString integerReason(int field, const QString& text) {
    return QStringLiteral("veld %1 (\"%2\") is geen geheel getal tussen -32768 en 32767")
        .arg(field)
        .arg(text);
}

} // namespace

QStringList readImportFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("het bestand kan niet worden geopend");
        return {};
    }
    QStringList lines = decodeImport(file.readAll()).split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    // The line end after the last line starts no line of its own.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

ImportResult importLimits(Connection& connection, const QStringList& lines) {
    ErrorInfo error;
    Transaction transaction(connection, &error);
    if (!transaction.began())
        return refused(0, error);
    QSet<QString> meets;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (blank(line))
            continue;
        auto field = [&](int n) { return GetField(line, kSeparator, n); };
        const auto distance = smallInteger(field(2));
        const auto from = smallInteger(field(5));
        const auto to = optionalInteger(field(6));
        const auto first = dateField(field(9));
        const auto last = dateField(field(10));
        if (!distance)
            return failed(i + 1, integerReason(2, field(2)));
        if (!from)
            return failed(i + 1, integerReason(5, field(5)));
        if (!to)
            return failed(i + 1, integerReason(6, field(6)));
        if (!first || !last)
            return failed(i + 1, QStringLiteral("de datum \"%1\" is geen jaar-maand-dag")
                                     .arg(first ? field(10) : field(9)));

        const QString code = field(1);
        // A meet is made anew only where the file first names it, so its
        // lines need not stand together.
        if (!meets.contains(code)) {
            meets.insert(code);
            if (!connection.Execute(QStringLiteral("DELETE * FROM wedstrijden WHERE code = ?"),
                                    {code}, &error) ||
                !connection.Execute(
                    QStringLiteral(
                        "INSERT INTO wedstrijden (code, datum1, datum2) VALUES (?, ?, ?)"),
                    {code, *first, *last}, &error))
                return refused(i + 1, error);
        }
        if (!connection.Execute(
                QStringLiteral("INSERT INTO limieten VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                {code, *distance, field(3), field(4), *from, *to, textOrNull(field(7)),
                 textOrNull(field(8))},
                &error))
            return refused(i + 1, error);
    }
    if (!transaction.commit(&error))
        return refused(0, error);
    return {true, 0, {}, int(std::count_if(lines.begin(), lines.end(), [](const QString& l) {
                return !blank(l);
            }))};
}

ImportResult importLevels(Connection& connection, const QStringList& lines) {
    ErrorInfo error;
    Transaction transaction(connection, &error);
    if (!transaction.began() ||
        !connection.Execute(QStringLiteral("DELETE * FROM niveaus"), {}, &error))
        return refused(0, error);
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (blank(line))
            continue;
        auto field = [&](int n) { return GetField(line, kSeparator, n); };
        QVariantList values;
        for (int n = 1; n <= 8; ++n) {
            if (n == 7) {
                const auto age = optionalInteger(field(n));
                if (!age)
                    return failed(i + 1, integerReason(n, field(n)));
                values << *age;
            } else if (n == 1 || n == 4 || n == 6) {
                const auto number = smallInteger(field(n));
                if (!number)
                    return failed(i + 1, integerReason(n, field(n)));
                values << *number;
            } else {
                values << (n == 8 ? textOrNull(field(n)) : QVariant(field(n)));
            }
        }
        if (!connection.Execute(
                QStringLiteral("INSERT INTO niveaus VALUES (?, ?, ?, ?, ?, ?, ?, ?)"), values,
                &error))
            return refused(i + 1, error);
    }
    if (!transaction.commit(&error))
        return refused(0, error);
    return {true, 0, {}, int(std::count_if(lines.begin(), lines.end(), [](const QString& l) {
                return !blank(l);
            }))};
}

QString importFailureText(const ImportResult& result) {
    const QString where =
        result.line > 0 ? QStringLiteral("Regel %1 kan niet worden geïmporteerd: ").arg(result.line)
                        : QStringLiteral("Importeren mislukt: ");
    return where + result.reason + QStringLiteral(".\r\nEr is niets gewijzigd.");
}

} // namespace tavrel
