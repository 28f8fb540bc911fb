#include "LimitsStore.h"

#include "common/db/Connection.h"
#include "common/db/Transaction.h"

#include <QCryptographicHash>
#include <QDate>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <optional>

namespace tavrel {

namespace {

const QString kLimits = QStringLiteral("limieten");
const QString kMeets = QStringLiteral("wedstrijden");
const QString kWcode = QStringLiteral("wcode");

bool isNumberType(QMetaType type) {
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

StoreResult failure(const ErrorInfo& error) {
    return {isBusy(error) ? Outcome::Busy : Outcome::Refused, error.Description, error.Number};
}

// A column name from the file, as a quoted identifier.
QString quoted(QString name) {
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// "a IS ? AND b IS ?": the row still holds what was loaded (IS matches nulls too).
QString unchanged(const QStringList& columns) {
    QStringList tests;
    for (const QString& c : columns)
        tests << quoted(c) + QStringLiteral(" IS ?");
    return tests.join(QStringLiteral(" AND "));
}

qsizetype columnIndex(const QStringList& columns, const QString& name) {
    for (qsizetype i = 0; i < columns.size(); ++i)
        if (columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// The meet codes a limit row names (before and after a change); none for levels.
QVariantList codesOf(const QString& table, const QStringList& columns,
                     std::initializer_list<const QVariantList*> rows) {
    QVariantList codes;
    const qsizetype i = columnIndex(columns, kWcode);
    if (table != kLimits || i < 0)
        return codes;
    for (const QVariantList* row : rows)
        if (!codes.contains((*row)[i]))
            codes << (*row)[i];
    return codes;
}

void addToPrint(QCryptographicHash& hash, const QSqlQuery& query, int from) {
    for (int i = from; i < query.record().count(); ++i) {
        const QVariant v = query.value(i);
        // Type and text, so 25 and "25" and null and "" all differ.
        hash.addData(QByteArray::number(v.isNull() ? -1 : v.typeId()));
        hash.addData(QByteArrayView("\x1f", 1));
        hash.addData(v.toString().toUtf8());
        hash.addData(QByteArrayView("\x1e", 1));
    }
}

// Every column of each table the editors and imports use.
const QHash<QString, QStringList>& tableColumns() {
    static const QHash<QString, QStringList> columns = {
        {kMeets, LimitsStore::meetColumns()},
        {kLimits,
         {QStringLiteral("wcode"), QStringLiteral("afstand"), QStringLiteral("slag"),
          QStringLiteral("geslacht"), QStringLiteral("gebjaar1"), QStringLiteral("gebjaar2"),
          QStringLiteral("limiet25"), QStringLiteral("limiet50")}},
        {QStringLiteral("niveaus"),
         {QStringLiteral("afstand"), QStringLiteral("slag"), QStringLiteral("geslacht"),
          QStringLiteral("badlengte"), QStringLiteral("niveau"), QStringLiteral("leeftijd1"),
          QStringLiteral("leeftijd2"), QStringLiteral("tijd")}},
    };
    return columns;
}

} // namespace

const QStringList& LimitsStore::meetColumns() {
    static const QStringList names = {QStringLiteral("code"),      QStringLiteral("datum1"),
                                      QStringLiteral("datum2"),    QStringLiteral("wedstrijd"),
                                      QStringLiteral("opmerking"), QStringLiteral("badlengte")};
    return names;
}

QString LimitsStore::unchangeable(const Connection& connection) {
    if (connection.canChange())
        return {};
    return QStringLiteral("Het bestand ") + connection.path() +
           (connection.isReadOnly()
                ? QStringLiteral(" is een Jet-database en kan hier alleen gelezen worden. ")
                : QStringLiteral(" kan niet worden gewijzigd (alleen-lezen, of de map is "
                                 "niet schrijfbaar). ")) +
           QStringLiteral("Er is niets gewijzigd.");
}

StoreResult LimitsStore::refuseUnchangeable() const {
    return {Outcome::Refused, unchangeable(connection_)};
}

QString LimitsStore::missingColumn(const QStringList& tables) {
    for (const QString& table : tables) {
        QSqlQuery query(connection_.database());
        ErrorInfo error;
        if (!connection_.run(query,
                             QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE 0"),
                             {}, &error))
            return error.Description;
        const QSqlRecord record = query.record();
        QStringList present;
        for (int i = 0; i < record.count(); ++i)
            present << record.fieldName(i);
        for (const QString& column : tableColumns().value(table))
            if (columnIndex(present, column) < 0)
                return missingColumnText(connection_.path(), table, column);
    }
    return {};
}

LoadedRows LimitsStore::loadRows(const RowSelection& s) {
    LoadedRows out;
    QSqlQuery query(connection_.database());
    query.setForwardOnly(true);
    ErrorInfo error;
    if (!connection_.run(query,
                         QStringLiteral("SELECT rowid, * FROM ") + s.table +
                             QStringLiteral(" WHERE ") + s.where + QStringLiteral(" ORDER BY ") +
                             s.orderBy,
                         s.values, &error)) {
        out.result = failure(error);
        return out;
    }
    const QSqlRecord record = query.record();
    for (int i = 1; i < record.count(); ++i) {
        out.columns << record.fieldName(i);
        out.numeric.push_back(isNumberType(record.field(i).metaType()));
    }
    while (query.next()) {
        StoredRow row;
        row.rowid = query.value(0).toLongLong();
        for (int i = 1; i < record.count(); ++i)
            row.values << query.value(i);
        out.rows.push_back(std::move(row));
    }
    if (query.lastError().isValid()) {
        // A walk cut short is no selection: the caller keeps what it had.
        out.result = failure(connection_.errorOf(
            query.lastError(), QStringLiteral("De gegevens konden niet volledig worden gelezen")));
        out.rows.clear();
    }
    return out;
}

bool LimitsStore::meetExists(const QVariant& code, StoreResult* failed) {
    QSqlQuery query(connection_.database());
    ErrorInfo error;
    if (!connection_.run(query, QStringLiteral("SELECT 1 FROM wedstrijden WHERE code = ?"), {code},
                         &error)) {
        *failed = failure(error);
        return false;
    }
    if (query.next())
        return true;
    *failed = {Outcome::MeetGone, {}};
    return false;
}

bool LimitsStore::rowExists(const QString& table, qint64 rowid, StoreResult* failed) {
    QSqlQuery query(connection_.database());
    ErrorInfo error;
    if (!connection_.run(
            query, QStringLiteral("SELECT 1 FROM ") + table + QStringLiteral(" WHERE rowid = ?"),
            {rowid}, &error)) {
        *failed = failure(error);
        return false;
    }
    return query.next();
}

bool LimitsStore::limitsPrint(const QVariant& code, QByteArray* print, StoreResult* failed) {
    QSqlQuery query(connection_.database());
    query.setForwardOnly(true);
    ErrorInfo error;
    if (!connection_.run(
            query, QStringLiteral("SELECT rowid, * FROM limieten WHERE wcode IS ? ORDER BY rowid"),
            {code}, &error)) {
        *failed = failure(error);
        return false;
    }
    QCryptographicHash hash(QCryptographicHash::Sha1);
    while (query.next())
        addToPrint(hash, query, 0);
    *print = hash.result();
    return true;
}

bool LimitsStore::printsBefore(const QVariantList& codes, QVariantList* current,
                               StoreResult* failed) {
    for (const QVariant& code : codes) {
        const auto known = prints_.constFind(code.toString());
        QByteArray print;
        if (known == prints_.constEnd())
            continue;
        if (!limitsPrint(code, &print, failed))
            return false;
        if (print == *known)
            *current << code;
    }
    return true;
}

bool LimitsStore::printsAfter(const QVariantList& codes, StoreResult* failed) {
    for (const QVariant& code : codes) {
        QByteArray print;
        if (!limitsPrint(code, &print, failed))
            return false;
        prints_.insert(code.toString(), print);
    }
    return true;
}

StoreResult LimitsStore::insertRow(const QString& table, const QStringList& columns,
                                   QVariantList& values, qint64* rowid) {
    if (!connection_.canChange())
        return refuseUnchangeable();
    ErrorInfo error;
    Transaction transaction(connection_, &error);
    if (!transaction.began())
        return failure(error);
    StoreResult failed;
    const QVariantList codes = codesOf(table, columns, {&values});
    QVariantList fresh;
    for (const QVariant& code : codes)
        if (!meetExists(code, &failed))
            return failed;
    if (!printsBefore(codes, &fresh, &failed))
        return failed;
    QStringList names, marks;
    for (const QString& c : columns) {
        names << quoted(c);
        marks << QStringLiteral("?");
    }
    QSqlQuery query(connection_.database());
    if (!connection_.run(query,
                         QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") +
                             names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                             marks.join(QStringLiteral(", ")) + QLatin1Char(')'),
                         values, &error))
        return failure(error);
    const qint64 id = query.lastInsertId().toLongLong();
    QSqlQuery back(connection_.database());
    if (!connection_.run(
            back, QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE rowid = ?"),
            {id}, &error) ||
        !back.next())
        return failure(error);
    QVariantList stored;
    for (int i = 0; i < back.record().count(); ++i)
        stored << back.value(i);
    back = QSqlQuery();
    if (!printsAfter(fresh, &failed) || !transaction.commit(&error))
        return failed.ok() ? failure(error) : failed;
    *rowid = id;
    values = stored;
    return {};
}

StoreResult LimitsStore::updateRow(const QString& table, const QStringList& columns, qint64 rowid,
                                   const QVariantList& loaded, QVariantList& values) {
    if (!connection_.canChange())
        return refuseUnchangeable();
    ErrorInfo error;
    Transaction transaction(connection_, &error);
    if (!transaction.began())
        return failure(error);
    StoreResult failed;
    const QVariantList codes = codesOf(table, columns, {&loaded, &values});
    QVariantList fresh;
    for (const QVariant& code : codesOf(table, columns, {&values}))
        if (!meetExists(code, &failed))
            return failed;
    if (!printsBefore(codes, &fresh, &failed))
        return failed;
    QStringList assignments;
    for (const QString& c : columns)
        assignments << quoted(c) + QStringLiteral(" = ?");
    QSqlQuery query(connection_.database());
    if (!connection_.run(query,
                         QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") +
                             assignments.join(QStringLiteral(", ")) +
                             QStringLiteral(" WHERE rowid = ? AND ") + unchanged(columns),
                         QVariantList(values) << rowid << loaded, &error))
        return failure(error);
    if (query.numRowsAffected() != 1) {
        const bool exists = rowExists(table, rowid, &failed);
        return !failed.ok() ? failed : StoreResult{exists ? Outcome::Stale : Outcome::Gone, {}};
    }
    QSqlQuery back(connection_.database());
    if (!connection_.run(
            back, QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE rowid = ?"),
            {rowid}, &error) ||
        !back.next())
        return failure(error);
    QVariantList stored;
    for (int i = 0; i < back.record().count(); ++i)
        stored << back.value(i);
    back = QSqlQuery();
    if (!printsAfter(fresh, &failed) || !transaction.commit(&error))
        return failed.ok() ? failure(error) : failed;
    values = stored;
    return {};
}

StoreResult LimitsStore::deleteRow(const QString& table, const QStringList& columns, qint64 rowid,
                                   const QVariantList& loaded) {
    if (!connection_.canChange())
        return refuseUnchangeable();
    ErrorInfo error;
    Transaction transaction(connection_, &error);
    if (!transaction.began())
        return failure(error);
    StoreResult failed;
    const QVariantList codes = codesOf(table, columns, {&loaded});
    QVariantList fresh;
    if (!printsBefore(codes, &fresh, &failed))
        return failed;
    QSqlQuery query(connection_.database());
    if (!connection_.run(query,
                         QStringLiteral("DELETE FROM ") + table +
                             QStringLiteral(" WHERE rowid = ? AND ") + unchanged(columns),
                         QVariantList{rowid} << loaded, &error))
        return failure(error);
    if (query.numRowsAffected() != 1) {
        if (rowExists(table, rowid, &failed))
            return {Outcome::Stale, {}};
        for (const QVariant& code : codes)
            if (!meetExists(code, &failed))
                return failed;
        return failed.ok() ? StoreResult{Outcome::Gone, {}} : failed;
    }
    if (!printsAfter(fresh, &failed) || !transaction.commit(&error))
        return failed.ok() ? failure(error) : failed;
    return {};
}

StoreResult LimitsStore::loadMeets(std::vector<QVariantList>& meets) {
    std::vector<QVariantList> loaded;
    QHash<QString, QByteArray> prints;
    ErrorInfo error;
    {
        QSqlQuery query(connection_.database());
        query.setForwardOnly(true);
        if (!connection_.run(query,
                             QStringLiteral("SELECT ") + meetColumns().join(QStringLiteral(", ")) +
                                 QStringLiteral(" FROM wedstrijden ORDER BY code"),
                             {}, &error))
            return failure(error);
        while (query.next()) {
            QVariantList meet;
            for (int i = 0; i < meetColumns().size(); ++i)
                meet << query.value(i);
            loaded.push_back(std::move(meet));
        }
        if (query.lastError().isValid())
            return failure(
                connection_.errorOf(query.lastError(), QStringLiteral("De wedstrijden "
                                                                      "konden niet worden "
                                                                      "gelezen")));
    }
    {
        // Every meet's limits at once, in the order limitsPrint reads them.
        QSqlQuery query(connection_.database());
        query.setForwardOnly(true);
        if (!connection_.run(query,
                             QStringLiteral("SELECT wcode, rowid, * FROM limieten "
                                            "ORDER BY wcode, rowid"),
                             {}, &error))
            return failure(error);
        QString code;
        std::optional<QCryptographicHash> hash;
        const auto finish = [&] {
            if (hash)
                prints.insert(code, hash->result());
        };
        while (query.next()) {
            const QString c = query.value(0).toString();
            if (!hash || c != code) {
                finish();
                code = c;
                hash.emplace(QCryptographicHash::Sha1);
            }
            addToPrint(*hash, query, 1);
        }
        finish();
        if (query.lastError().isValid())
            return failure(
                connection_.errorOf(query.lastError(), QStringLiteral("De limieten "
                                                                      "konden niet worden "
                                                                      "gelezen")));
    }
    const QByteArray none = QCryptographicHash::hash({}, QCryptographicHash::Sha1);
    for (const QVariantList& meet : loaded)
        if (!prints.contains(meet[0].toString()))
            prints.insert(meet[0].toString(), none);
    meets = std::move(loaded);
    prints_ = std::move(prints);
    return {};
}

bool LimitsStore::meetUnchanged(const QVariantList& loaded, StoreResult* failed) {
    QSqlQuery query(connection_.database());
    ErrorInfo error;
    if (!connection_.run(query,
                         QStringLiteral("SELECT 1 FROM wedstrijden WHERE code = ? AND ") +
                             unchanged(meetColumns()),
                         QVariantList{loaded[0]} << loaded, &error)) {
        *failed = failure(error);
        return false;
    }
    if (query.next())
        return true;
    query = QSqlQuery();
    const bool exists = meetExists(loaded[0], failed);
    if (exists || failed->outcome == Outcome::MeetGone)
        *failed = {exists ? Outcome::Stale : Outcome::Gone, {}};
    return false;
}

StoreResult LimitsStore::insertMeet(const QVariantList& values) {
    if (!connection_.canChange())
        return refuseUnchangeable();
    ErrorInfo error;
    Transaction transaction(connection_, &error);
    if (!transaction.began())
        return failure(error);
    StoreResult failed;
    if (!connection_.Execute(QStringLiteral("INSERT INTO wedstrijden (") +
                                 meetColumns().join(QStringLiteral(", ")) +
                                 QStringLiteral(") VALUES (?, ?, ?, ?, ?, ?)"),
                             values, &error))
        return failure(error);
    if (!printsAfter({values[0]}, &failed) || !transaction.commit(&error))
        return failed.ok() ? failure(error) : failed;
    return {};
}

StoreResult LimitsStore::updateMeet(const QVariantList& loaded, const QVariantList& values) {
    QStringList assignments;
    QVariantList bound;
    for (int i = 0; i < meetColumns().size(); ++i)
        if (values[i] != loaded[i] || values[i].isNull() != loaded[i].isNull()) {
            assignments << meetColumns()[i] + QStringLiteral(" = ?");
            bound << values[i];
        }
    if (assignments.isEmpty())
        return {};
    if (!connection_.canChange())
        return refuseUnchangeable();
    ErrorInfo error;
    Transaction transaction(connection_, &error);
    if (!transaction.began())
        return failure(error);
    StoreResult failed;
    QVariantList fresh;
    if (!printsBefore({loaded[0]}, &fresh, &failed))
        return failed;
    QSqlQuery query(connection_.database());
    if (!connection_.run(query,
                         QStringLiteral("UPDATE wedstrijden SET ") +
                             assignments.join(QStringLiteral(", ")) +
                             QStringLiteral(" WHERE code = ? AND ") + unchanged(meetColumns()),
                         bound << loaded[0] << loaded, &error))
        return failure(error);
    if (query.numRowsAffected() != 1) {
        const bool exists = meetExists(loaded[0], &failed);
        return exists || failed.outcome == Outcome::MeetGone
                   ? StoreResult{exists ? Outcome::Stale : Outcome::Gone, {}}
                   : failed;
    }
    // A new code takes the limits with it (the cascade), and their fingerprint.
    if (!fresh.isEmpty() && !printsAfter({values[0]}, &failed))
        return failed;
    if (!transaction.commit(&error))
        return failure(error);
    if (values[0] != loaded[0])
        prints_.remove(loaded[0].toString());
    return {};
}

StoreResult LimitsStore::deleteMeet(const QVariantList& loaded) {
    if (!connection_.canChange())
        return refuseUnchangeable();
    ErrorInfo error;
    Transaction transaction(connection_, &error);
    if (!transaction.began())
        return failure(error);
    StoreResult failed;
    if (!meetUnchanged(loaded, &failed))
        return failed;
    QVariantList fresh;
    if (!printsBefore({loaded[0]}, &fresh, &failed))
        return failed;
    if (fresh.isEmpty())
        return {Outcome::Stale, {}}; // its limits changed meanwhile
    if (!connection_.Execute(QStringLiteral("DELETE FROM wedstrijden WHERE code = ?"), {loaded[0]},
                             &error) ||
        !transaction.commit(&error))
        return failure(error);
    prints_.remove(loaded[0].toString());
    return {};
}

StoreResult LimitsStore::shiftYear(const QVariantList& loaded, int step, QVariantList& shifted) {
    if (!connection_.canChange())
        return refuseUnchangeable();
    ErrorInfo error;
    Transaction transaction(connection_, &error);
    if (!transaction.began())
        return failure(error);
    StoreResult failed;
    // Dates move by a calendar year (29 February becomes 28 February).
    QVariantList meet = loaded;
    for (int i : {1, 2}) {
        const QDate date = QDate::fromString(loaded[i].toString().left(10), Qt::ISODate);
        if (date.isValid())
            meet[i] = date.addYears(step).toString(Qt::ISODate);
    }
    QVariantList fresh;
    if (!printsBefore({loaded[0]}, &fresh, &failed))
        return failed;
    QSqlQuery query(connection_.database());
    if (!connection_.run(query,
                         QStringLiteral("UPDATE wedstrijden SET datum1 = ?, datum2 = ? WHERE "
                                        "code = ? AND ") +
                             unchanged(meetColumns()),
                         QVariantList{meet[1], meet[2], loaded[0]} << loaded, &error))
        return failure(error);
    if (query.numRowsAffected() != 1) {
        const bool exists = meetExists(loaded[0], &failed);
        return exists || failed.outcome == Outcome::MeetGone
                   ? StoreResult{exists ? Outcome::Stale : Outcome::Gone, {}}
                   : failed;
    }
    // Raising runs from the highest birth year down, lowering from the
    // lowest up, so a unique index on the birth years never sees two alike.
    QVariantList rows;
    {
        QSqlQuery walk(connection_.database());
        walk.setForwardOnly(true);
        if (!connection_.run(
                walk,
                QStringLiteral("SELECT rowid FROM limieten WHERE wcode = ? ORDER BY gebjaar1") +
                    (step > 0 ? QStringLiteral(" DESC") : QString()),
                {loaded[0]}, &error))
            return failure(error);
        while (walk.next())
            rows << walk.value(0);
        if (walk.lastError().isValid())
            return failure(
                connection_.errorOf(walk.lastError(), QStringLiteral("De limieten "
                                                                     "konden niet worden "
                                                                     "gelezen")));
    }
    for (const QVariant& row : rows)
        if (!connection_.Execute(QStringLiteral("UPDATE limieten SET gebjaar1 = gebjaar1 + ?, "
                                                "gebjaar2 = gebjaar2 + ? WHERE rowid = ?"),
                                 {step, step, row}, &error))
            return failure(error);
    if (!printsAfter(fresh, &failed) || !transaction.commit(&error))
        return failed.ok() ? failure(error) : failed;
    shifted = meet;
    return {};
}

} // namespace tavrel
