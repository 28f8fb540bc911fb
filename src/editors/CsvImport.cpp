#include "CsvImport.h"

#include "ImportFile.h"
#include "common/db/Connection.h"
#include "common/db/Statement.h"
#include "common/db/Transaction.h"

#include <QDate>
#include <QSet>

#include <functional>
#include <optional>

namespace tavrel {

namespace {

constexpr QChar kSeparator = u';';
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

// A date field: year-month-day as the export writes it ("2009-03-05"), or
// empty for none.
std::optional<QVariant> dateField(const QString& field) {
    if (field.isEmpty())
        return kNull;
    if (field.size() != 10 || field[4] != u'-' || field[7] != u'-')
        return std::nullopt;
    int parts[3] = {0, 0, 0};
    for (qsizetype i = 0, part = 0; i < field.size(); ++i) {
        if (i == 4 || i == 7) {
            ++part;
            continue;
        }
        if (field[i] < u'0' || field[i] > u'9')
            return std::nullopt;
        parts[part] = parts[part] * 10 + (field[i].unicode() - u'0');
    }
    if (!QDate(parts[0], parts[1], parts[2]).isValid())
        return std::nullopt;
    return QVariant(field);
}

// Why line (0: the import as a whole) could not be imported.
ErrorInfo failed(int line, const QString& reason, int code = 0) {
    const QString where = line > 0
                              ? QStringLiteral("Regel %1 kan niet worden geïmporteerd: ").arg(line)
                              : QStringLiteral("Importeren mislukt: ");
    return failure(where + reason + QStringLiteral(".\r\nEr is niets gewijzigd."), 0, code);
}

// A refusal of the database at a line: another program holding the
// database is no fault of the line.
ErrorInfo refused(int line, const ErrorInfo& error) {
    return isBusy(error) ? failed(0,
                                  QStringLiteral("de database wordt door een ander programma "
                                                 "gebruikt; probeer het straks opnieuw"),
                                  error.Code)
                         : failed(line, error.Description, error.Code);
}

// A field's text as a message quotes it: at most 60 characters.
QString quoted(const QString& text) {
    constexpr int kShown = 60;
    return text.size() <= kShown ? text : text.left(kShown) + QStringLiteral("…");
}

QString integerReason(int field, const QString& text) {
    return QStringLiteral("veld %1 (\"%2\") is geen geheel getal tussen -32768 en 32767")
        .arg(field)
        .arg(quoted(text));
}

// The first count fields of a line, as GetField takes them one by one
// (missing ones empty), in one pass.
QStringList fieldsOf(const QString& line, int count) {
    QStringList fields = line.split(kSeparator);
    while (fields.size() < count)
        fields << QString();
    return fields;
}

} // namespace

namespace {

// Runs importLine for every line of file in one transaction, after start
// (when given); blank lines are no lines, and a NUL character, which no
// text field holds, refuses its line.
Result<int> importEach(Connection& connection, ImportFile& file, Statement* start,
                       const std::function<Result<void>(int, const QString&)>& importLine) {
    Result<Transaction> transaction = Transaction::begin(connection);
    if (!transaction)
        return refused(0, transaction.error());
    if (start)
        if (Result<void> started = start->run({}); !started)
            return refused(0, started.error());
    int number = 0, imported = 0;
    while (const std::optional<QString> line = file.next()) {
        ++number;
        if (blank(*line))
            continue;
        if (line->contains(QChar(0)))
            return failed(number, QStringLiteral("de regel bevat een nul-teken, dat in geen "
                                                 "veld hoort"));
        if (Result<void> imported = importLine(number, *line); !imported)
            return imported.error();
        ++imported;
    }
    if (const Result<void>& whole = file.whole(); !whole)
        return failed(0, whole.why());
    if (Result<void> committed = transaction->commit(); !committed)
        return refused(0, committed.error());
    return imported;
}

} // namespace

Result<int> importLimits(Connection& connection, ImportFile& file) {
    Statement dropMeet(connection, QStringLiteral("DELETE * FROM wedstrijden WHERE code = ?"));
    Statement addMeet(
        connection,
        QStringLiteral("INSERT INTO wedstrijden (code, datum1, datum2) VALUES (?, ?, ?)"));
    Statement addLimit(connection,
                       QStringLiteral("INSERT INTO limieten VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    QSet<QString> meets;
    const auto importLine = [&](int number, const QString& line) -> Result<void> {
        const QStringList field = fieldsOf(line, 10);
        const auto distance = smallInteger(field[1]);
        const auto from = smallInteger(field[4]);
        const auto to = optionalInteger(field[5]);
        const auto first = dateField(field[8]);
        const auto last = dateField(field[9]);
        if (!distance)
            return failed(number, integerReason(2, field[1]));
        if (!from)
            return failed(number, integerReason(5, field[4]));
        if (!to)
            return failed(number, integerReason(6, field[5]));
        if (!first || !last)
            return failed(number, QStringLiteral("de datum \"%1\" is geen jaar-maand-dag")
                                      .arg(quoted(first ? field[9] : field[8])));
        const QString& code = field[0];
        // A meet is made anew only where the file first names it, so its
        // lines need not stand together.
        if (!meets.contains(code)) {
            meets.insert(code);
            Result<void> made = dropMeet.run({code});
            if (made)
                made = addMeet.run({code, *first, *last});
            if (!made)
                return refused(number, made.error());
        }
        if (Result<void> added = addLimit.run({code, *distance, field[2], field[3], *from, *to,
                                               textOrNull(field[6]), textOrNull(field[7])});
            !added)
            return refused(number, added.error());
        return {};
    };
    return importEach(connection, file, nullptr, importLine);
}

Result<int> importLevels(Connection& connection, ImportFile& file) {
    Statement dropAll(connection, QStringLiteral("DELETE * FROM niveaus"));
    Statement addLevel(connection,
                       QStringLiteral("INSERT INTO niveaus VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    const auto importLine = [&](int number, const QString& line) -> Result<void> {
        const QStringList field = fieldsOf(line, 8);
        QVariantList values;
        for (int n = 1; n <= 8; ++n) {
            const QString& text = field[n - 1];
            if (n == 7) {
                const auto age = optionalInteger(text);
                if (!age)
                    return failed(number, integerReason(n, text));
                values << *age;
            } else if (n == 1 || n == 4 || n == 6) {
                const auto whole = smallInteger(text);
                if (!whole)
                    return failed(number, integerReason(n, text));
                values << *whole;
            } else {
                values << (n == 8 ? textOrNull(text) : QVariant(text));
            }
        }
        if (Result<void> added = addLevel.run(values); !added)
            return refused(number, added.error());
        return {};
    };
    return importEach(connection, file, &dropAll, importLine);
}

} // namespace tavrel
