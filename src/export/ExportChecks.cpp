#include "ExportChecks.h"

#include "common/db/Connection.h"
#include "common/db/JetFile.h"

#include <QSqlQuery>

namespace tavrel {

namespace {

// More than a name, place or code can sensibly hold; such a text would be
// carried through every sort of the run.
constexpr int kLongestText = 64 * 1024;

// Fails with what (and what to do about a damaged file) when query, one row
// or none, finds a row; fails as well when the database refuses it.
Result<void> noneFound(Connection& connection, const QString& query, const QString& what) {
    QSqlQuery q(connection.database());
    q.setForwardOnly(true);
    if (Result<void> ran = connection.run(q, query, {}); !ran)
        return ran;
    if (q.next())
        return failure(what + damagedAdvice());
    return {};
}

} // namespace

Result<void> checkReadTables(Connection& connection, const std::vector<ReadTable>& tables) {
    QStringList names;
    for (const ReadTable& t : tables)
        names << t.name;
    if (Result<void> whole = connection.checkTables(names); !whole)
        return whole;
    for (const ReadTable& t : tables) {
        const QSet<QString> columns = connection.columnNames(t.name);
        for (const QString& column : t.texts) {
            // A table without the column is said by the query or the export.
            if (!columns.contains(column.toLower()))
                continue;
            if (Result<void> fit = noneFound(
                    connection,
                    QStringLiteral("SELECT 1 FROM %1 WHERE length(%2) > %3 LIMIT 1")
                        .arg(t.name, column)
                        .arg(kLongestText),
                    QStringLiteral("In ") + connection.path() +
                        QStringLiteral(" bevat de kolom %1 van de tabel %2 een tekst van meer dan "
                                       "64 KiB; zo lang is geen naam of plaats.")
                            .arg(column, t.name));
                !fit)
                return fit;
        }
        // A key that repeats would make every row joined to it count more
        // than once: the file would grow without bound.
        if (t.key.isEmpty() || !columns.contains(t.key.toLower()))
            continue;
        if (Result<void> unique = noneFound(
                connection,
                QStringLiteral("SELECT 1 FROM %1 WHERE %2 IS NOT NULL GROUP BY %2 HAVING count(*) "
                               "> 1 LIMIT 1")
                    .arg(t.name, t.key),
                QStringLiteral("Het bestand ") + connection.path() +
                    QStringLiteral(" is beschadigd: de sleutel %1 komt in %2 meer dan eens voor.")
                        .arg(t.key, t.name));
            !unique)
            return unique;
    }
    return {};
}

} // namespace tavrel
